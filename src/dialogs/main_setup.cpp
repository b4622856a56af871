#include "dialogs/main_setup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <charconv>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dialogs/enter_key.h"
#include "dialogs/test_dialog.h"
#include "dialogs/test_receipt.h"
#include "foundation/file_version.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/message_form.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "foundation/short_version.h"
#include "hostplugin/message_box.h"
#include "receipt/host_data_module.h"
#include "receipt/progress_window.h"

namespace dialogs {

namespace {

using foundation::MainPrefs;

const QStringList kServiceCardTypes = {"MasterCard",   "Visa",       "Amex",
                                       "DiscoverCard", "DinersClub", "Fleet"};

constexpr const char* kCardNamesSql =
    "select distinct cardname from ( select distinct upper( cc.crd_name ) as cardname from "
    "credit_card cc union select distinct upper( it.eftdata1 ) as cardname from invc_tender it ) "
    "order by cardname";
// The department query around its subsidiary condition.
constexpr const char* kDcsSqlHead =
    "select distinct dcs.dcs_code from dcs join subsidiary sbs on sbs.sbs_no=dcs.sbs_no ";
constexpr const char* kDcsSqlTail = "where dcs.active=1 order by dcs.dcs_code";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void Message(const std::string& text) {
  foundation::DisplayMessage(foundation::kMessageCaption, text);
}

// Chooses the entry equal to `text`, or the first entry when there is none.
void ChooseEntry(QComboBox* combo, const std::string& text) {
  combo->setCurrentIndex(std::max(0, combo->findText(Q(text), Qt::MatchExactly)));
}

QString CellText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item != nullptr ? item->text() : QString();
}

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
  if (QTableWidgetItem* item = grid->item(row, column)) {
    item->setText(text);
  } else {
    grid->setItem(row, column, new QTableWidgetItem(text));
  }
}

bool Within(const QWidget* widget, const QWidget* area) {
  return widget != nullptr && (widget == area || area->isAncestorOf(widget));
}

// Runs `read` behind a progress window showing `text`.
template <class Read>
auto WithWaitWindow(const char* text, Read read) {
  receipt::ShowNM(foundation::kMessageCaption, text);
  struct Closer {
    ~Closer() { receipt::CloseNM(); }
  } closer;
  return read();
}

// The non-empty texts of `column` in every row `sql` gives on the data
// module's first dataset.
std::vector<std::string> Column(receipt::TdQ& dq, const std::string& sql, const char* column) {
  std::vector<std::string> values;
  if (!dq.OpenDS1(sql)) return values;
  for (; !dq.ds1.Eof(); dq.ds1.Next()) {
    const auto& field = dq.ds1.FieldByName(column);
    if (field.IsNull()) continue;
    std::string value = field.AsString();
    if (!value.empty()) values.push_back(std::move(value));
  }
  return values;
}

// Active department codes of the master subsidiary; all active codes when
// the master has none (a warning logged when there are none at all).
std::vector<std::string> ReadDcsCodes(receipt::TdQ& dq) {
  std::vector<std::string> codes =
      Column(dq, std::string(kDcsSqlHead) + "and sbs.master=1 " + kDcsSqlTail, "dcs_code");
  if (codes.empty()) codes = Column(dq, std::string(kDcsSqlHead) + kDcsSqlTail, "dcs_code");
  if (codes.empty()) {
    foundation::KWLog(1, "No active department records were found", foundation::kLevelWarning,
                      "TfrmMainSetup.FormShow");
  }
  return codes;
}

// A card name as a sale compares it with a tender's card.
std::string CardKey(const std::string& name) {
  return foundation::helpers::UpperAscii(foundation::helpers::TrimText(name));
}

}  // namespace

std::string StoredCardType(const std::vector<std::string>& cards, const std::string& name) {
  const std::string key = CardKey(name);
  for (const std::string& line : cards) {
    if (CardKey(foundation::NameOfLine(line)) == key) return foundation::ValueOfLine(line);
  }
  return {};
}

std::vector<std::string> MergeCardLines(const std::vector<std::string>& stored,
                                        const std::vector<CardTypeRow>& rows) {
  std::vector<bool> seen(rows.size(), false);
  auto rowOf = [&rows](const std::string& key) {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (CardKey(rows[i].name) == key) return i;
    }
    return rows.size();
  };
  std::vector<std::string> lines;
  for (const std::string& line : stored) {
    const std::string name = foundation::NameOfLine(line);
    const size_t i = rowOf(CardKey(name));
    if (i == rows.size() || rows[i].type == rows[i].shownType) {
      if (i < rows.size()) seen[i] = true;
      lines.push_back(line);
      continue;
    }
    if (!seen[i] && !rows[i].type.empty()) lines.push_back(name + "=" + rows[i].type);
    seen[i] = true;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!seen[i] && !rows[i].type.empty()) lines.push_back(rows[i].name + "=" + rows[i].type);
  }
  return lines;
}

int IndexOfEntry(const QStringList& list, const QString& text) {
  return static_cast<int>(list.indexOf(text));
}

std::pair<int, int> RollupPositions(const std::string& value, int entries) {
  auto position = [entries](std::string_view text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return 0;
    return number >= 0 && number < entries ? number : 0;
  };
  const size_t semicolon = value.find(';');
  if (semicolon == std::string::npos) return {position(value), 0};
  return {position(std::string_view(value).substr(0, semicolon)),
          position(std::string_view(value).substr(semicolon + 1))};
}

TfrmMainSetup::TfrmMainSetup(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  BuildForm();
  fieldCombos_ = {cboLoyalty_, cboLoyaltyTrackingDateField_, cboLoyaltyStatusField_,
                  cboEmailOptInField_, cboCustNoUpdateField_};
  for (size_t i = 0; i < fieldCombos_.size(); ++i) {
    for (int entry = 0; entry < fieldCombos_[i]->count(); ++entry) {
      fullLists_[i] << fieldCombos_[i]->itemText(entry);
    }
  }
  ConnectHandlers();
  KeepEnterFromButtons(*this);
}

void TfrmMainSetup::ConnectHandlers() {
  connect(rdbProduction_, &QRadioButton::clicked, this, [this] { SwitchUrlKind("P"); });
  connect(rdbTest_, &QRadioButton::clicked, this, [this] { SwitchUrlKind("T"); });
  connect(rdbCustom_, &QRadioButton::clicked, this, [this] { SwitchUrlKind("C"); });
  connect(edtURL_, &QLineEdit::editingFinished, this, [this] { lastUrl_ = edtURL_->text(); });
  connect(btnAddCardType_, &QPushButton::clicked, this, [this] { SetCardType(false); });
  connect(btnDeleteCardType_, &QPushButton::clicked, this, [this] { SetCardType(true); });
  connect(btnExit_, &QPushButton::clicked, this, &TfrmMainSetup::btnExitClick);
  connect(btnTest_, &QPushButton::clicked, this, &TfrmMainSetup::btnTestClick);
  for (QComboBox* combo : fieldCombos_) {
    connect(combo, &QComboBox::currentIndexChanged, this, [this] {
      if (!refilling_) RefillFieldCombos();
    });
  }
  connect(chkPromptForEmailMarketingOptIn_, &QCheckBox::toggled, cboEmailOptInField_,
          &QWidget::setEnabled);
  connect(cbTurnOnReceiptQueuingService_, &QCheckBox::toggled, this,
          &TfrmMainSetup::SetQueueControlsEnabled);
  connect(cbxRollupCategory_, &QComboBox::activated, this, &TfrmMainSetup::cbxRollupCategoryChange);
  cbxRollupCategory_->installEventFilter(this);
  connect(grdCategories_, &QTableWidget::cellClicked, this,
          &TfrmMainSetup::grdCategoriesSelectCell);
  connect(grdCategories_, &QTableWidget::currentCellChanged, this,
          [this](int row, int column) { grdCategoriesSelectCell(row, column); });
  connect(grdRollupCategories_, &QTableWidget::itemChanged, this, [this] {
    if (!refilling_) rollupModified_ = true;
  });
  focusConnection_ =
      connect(qApp, &QApplication::focusChanged, this, &TfrmMainSetup::OnFocusChanged);
}

TfrmMainSetup::~TfrmMainSetup() {
  QObject::disconnect(focusConnection_);
}

void TfrmMainSetup::showEvent(QShowEvent* event) {
  // Centred on the host's main window, or on the screen without one.
  foundation::CentreOnOwner(*this);
  QDialog::showEvent(event);
}

bool TfrmMainSetup::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cbxRollupCategory_) {
    // The wheel would change the roll-up under the cursor unseen.
    if (event->type() == QEvent::Wheel) return true;
    if (event->type() == QEvent::FocusOut && cbxRollupCategory_->isVisible() &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
      cbxRollupCategoryChange();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmMainSetup::FormShow() {
  const std::string version = foundation::GetFileVersionText(foundation::OwnLibraryPath());
  lblVersion_->setText("Version: " + Q(version.empty() ? "3.1.x" : version));
  setWindowTitle("Quenlos Setup " + Q(foundation::ShortVersionFromText(version)));

  // Without the database nothing is read from it: the lists show the stored
  // names, so "Done" writes the stored mapping back unchanged.
  receipt::TdQ& dq = receipt::EnsureDataModule();
  std::optional<std::vector<std::string>> cardNames;
  if (!dq.Connect()) {
    Message("Cannot connect to RPro: " + dq.LastError());
  } else {
    try {
      cardNames = WithWaitWindow("Collecting card names, please wait...",
                                 [&] { return Column(dq, kCardNamesSql, "cardname"); });
    } catch (const std::exception& e) {
      Message(std::string("Cannot connect to RPro: ") + e.what());
    }
  }
  cboVeskCT_->clear();
  cboVeskCT_->addItems(kServiceCardTypes);

  foundation::ReadMainPrefs(foundation::SettingsFolder(), foundation::QueueFolder(),
                            foundation::MainSettingsFile(), foundation::EmailDomainListFile());
  foundation::ReadWSPrefs("", "", foundation::kWSPrefsTemplate);
  foundation::ReadStorePrefs(foundation::StoreSettingsFile());
  ShowSettings();
  LoadCardRows(cardNames);

  std::optional<std::vector<std::string>> codes;
  if (cardNames) {
    try {
      codes =
          WithWaitWindow("Collecting categories, please wait...", [&] { return ReadDcsCodes(dq); });
    } catch (const std::exception& e) {
      Message("Unable to query the host database for DCS information: " +
              hostplugin::ExceptionShortClassName(e) + ": " + e.what());
      foundation::LogException(e, "TfrmMainSetup.FormShow while reading DCS table");
    }
  }
  LoadCategoryRows(codes);
  ApplyRollupCategoriesToDCSSelections([] {
    QStringList lines;
    for (const std::string& line : MainPrefs.ProductCategories) lines << Q(line);
    return lines;
  }());
}

void TfrmMainSetup::ShowSettings() {
  if (MainPrefs.URLType == "P") {
    rdbProduction_->setChecked(true);
    urlKind_ = "P";
  } else if (MainPrefs.URLType == "T") {
    rdbTest_->setChecked(true);
    urlKind_ = "T";
  } else {
    rdbCustom_->setChecked(true);
    urlKind_ = "C";
  }
  edtURL_->setText(Q(UrlOfKind(urlKind_)));

  refilling_ = true;
  ChooseEntry(cboLoyalty_, MainPrefs.LoyalField);
  ChooseEntry(cboLoyaltyTrackingDateField_, MainPrefs.LoyaltyTrackingDateField);
  ChooseEntry(cboLoyaltyStatusField_, MainPrefs.LoyaltyStatusField);
  ChooseEntry(cboEmailOptInField_, MainPrefs.EmailOptInField);
  ChooseEntry(cboCustNoUpdateField_, MainPrefs.CustNoUpdateField);
  ChooseEntry(cboBarCode_, MainPrefs.BCType);
  refilling_ = false;

  edtMerchID_->setText(Q(MainPrefs.MerchID));
  edtTimeout_->setText(QString::number(MainPrefs.Timeout));
  const std::pair<QLineEdit*, const std::string*> store[] = {
      {edtStoreName_, &foundation::StorePrefs.Name},
      {edtStoreAddr_, &foundation::StorePrefs.Address},
      {edtStoreCity_, &foundation::StorePrefs.City},
      {edtStoreState_, &foundation::StorePrefs.State},
      {edtStoreZip_, &foundation::StorePrefs.Zip},
      {edtPhone_, &foundation::StorePrefs.Phone}};
  for (const auto& [edit, value] : store) edit->setText(Q(*value));
  const std::pair<QCheckBox*, bool> boxes[] = {
      {chkSaveEmail_, MainPrefs.SaveEmail},
      {chkDisable_, MainPrefs.Disable},
      {chkPromptForEmailMarketingOptIn_, MainPrefs.PromptForEmailMarketingOptIn},
      {chkAlwaysCreateCustForUniqueEmail_, MainPrefs.AlwaysCreateCustForUniqueEmail},
      {cbTurnOnReceiptQueuingService_, MainPrefs.QueueEnabled},
      {chkOffsetForm_, MainPrefs.OffsetForm},
      {chkEnableLoyaltyTracking_, MainPrefs.EnableLoyaltyTracking},
      {chkDefaultEFTReceiptPrintingOn_, foundation::WSPrefs.DefaultEFTReceiptPrintingOn},
      {chkItemDesc3Field_, MainPrefs.InclDesc3},
      {chkItemDesc4Field_, MainPrefs.InclDesc4},
      {chkItemSizeField_, MainPrefs.InclSize},
      {chkItemAttrField_, MainPrefs.InclAttr},
      {chkItemVendorField_, MainPrefs.InclVendor},
      {cbEnableAdvancedCategorization_, MainPrefs.EnableAdvancedCategorization}};
  for (const auto& [box, value] : boxes) box->setChecked(value);

  // Five rows to fill in, and as many more as it takes to show every stored
  // domain: a domain not shown would be lost at "Done".
  std::vector<std::string> domains;
  for (const std::string& domain : foundation::EmailProviders) {
    if (!domain.empty()) domains.push_back(domain);
  }
  stgEM_->clearContents();
  stgEM_->setRowCount(std::max(kEmailProviderRows, static_cast<int>(domains.size())));
  for (size_t row = 0; row < domains.size(); ++row) {
    SetCell(stgEM_, static_cast<int>(row), 0, Q(domains[row]));
  }
  // The grid grows with its rows as far as the page has room; beyond that it
  // scrolls.
  const int rowHeight = stgEM_->verticalHeader()->defaultSectionSize();
  stgEM_->resize(stgEM_->width(),
                 kEmailProviderGridHeight +
                     rowHeight * (std::min(stgEM_->rowCount(), 20) - kEmailProviderRows));

  cboEmailOptInField_->setEnabled(chkPromptForEmailMarketingOptIn_->isChecked());
  SetQueueControlsEnabled(cbTurnOnReceiptQueuingService_->isChecked());
  RefillFieldCombos();
  edtQueueServiceInterval_->setValue(MainPrefs.QueueInterval);
  edtQueueServiceLogLevel_->setValue(MainPrefs.QueueLogLevel);
  lblDCSforSbs_->setText(lblDCSforSbs_->text().replace("%s", Q(MainPrefs.SBS)));

  refilling_ = true;
  for (int i = 0; i < 5; ++i) SetCell(grdRollupCategories_, i, 0, Q(MainPrefs.Categories[i + 1]));
  refilling_ = false;
  PopulateRollupCategoriesDropdown();
}

void TfrmMainSetup::LoadCardRows(const std::optional<std::vector<std::string>>& names) {
  lsvC_->clear();
  // Each row shows the type a sale would find for its card; the type shown
  // is kept with the row, so that "Done" can tell the rows left alone.
  auto addRow = [this](const std::string& name) {
    const QString type = Q(StoredCardType(MainPrefs.Cards, name));
    auto* item = new QTreeWidgetItem(lsvC_, QStringList{Q(name), type});
    item->setData(1, Qt::UserRole, type);
  };
  if (names) {
    for (const std::string& name : *names) addRow(name);
  } else {
    // Without the database the stored names are listed (one row per card,
    // as a sale tells them apart), so that "Done" writes them back as they
    // were.
    std::set<std::string> listed;
    for (const std::string& line : MainPrefs.Cards) {
      const std::string name = foundation::NameOfLine(line);
      if (!name.empty() && listed.insert(CardKey(name)).second) addRow(name);
    }
  }
}

void TfrmMainSetup::LoadCategoryRows(const std::optional<std::vector<std::string>>& codes) {
  std::vector<std::string> rows;
  if (codes) {
    rows = *codes;
  } else {
    for (const std::string& line : MainPrefs.ProductCategories) {
      if (!foundation::NameOfLine(line).empty()) rows.push_back(foundation::NameOfLine(line));
    }
  }
  grdCategories_->setRowCount(0);
  grdCategories_->setRowCount(static_cast<int>(rows.size()));
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    SetCell(grdCategories_, row, 0, Q(rows[row]));
  }
}

std::string& TfrmMainSetup::UrlOfKind(const QString& kind) {
  if (kind == "P") return MainPrefs.ProdURL;
  if (kind == "T") return MainPrefs.TestURL;
  return MainPrefs.OtherURL;
}

void TfrmMainSetup::SwitchUrlKind(const QString& kind) {
  if (kind != urlKind_) UrlOfKind(urlKind_) = edtURL_->text().toStdString();
  edtURL_->setText(Q(UrlOfKind(kind)));
  urlKind_ = kind;
}

void TfrmMainSetup::SetCardType(bool clear) {
  QTreeWidgetItem* item = lsvC_->currentItem();
  if (item == nullptr || !item->isSelected()) {
    Message("Please select a card type mapping.");
    return;
  }
  item->setText(1, clear ? QString() : cboVeskCT_->currentText());
}

void TfrmMainSetup::RefillFieldCombos() {
  refilling_ = true;
  std::array<QString, 5> chosen;
  for (size_t i = 0; i < fieldCombos_.size(); ++i) chosen[i] = fieldCombos_[i]->currentText();
  for (size_t i = 0; i < fieldCombos_.size(); ++i) {
    QStringList entries;
    for (const QString& entry : fullLists_[i]) {
      bool taken = false;
      for (size_t j = 0; j < chosen.size(); ++j) {
        taken = taken || (j != i && chosen[j] != "None" && chosen[j] == entry);
      }
      if (!taken) entries << entry;
    }
    fieldCombos_[i]->clear();
    fieldCombos_[i]->addItems(entries);
    fieldCombos_[i]->setCurrentIndex(std::max(0, IndexOfEntry(entries, chosen[i])));
  }
  refilling_ = false;
}

void TfrmMainSetup::SetQueueControlsEnabled(bool on) {
  for (QWidget* control : {static_cast<QWidget*>(edtQueueServiceInterval_),
                           static_cast<QWidget*>(edtQueueServiceLogLevel_),
                           static_cast<QWidget*>(lblQueueServiceInterval_),
                           static_cast<QWidget*>(lblQueueServiceLogLevel_)}) {
    control->setEnabled(on);
  }
}

QStringList TfrmMainSetup::RollupEntries() const {
  QStringList entries;
  for (int i = 0; i < cbxRollupCategory_->count(); ++i) entries << cbxRollupCategory_->itemText(i);
  return entries;
}

void TfrmMainSetup::PopulateRollupCategoriesDropdown() {
  QStringList entries{QString()};
  for (int row = 0; row < grdRollupCategories_->rowCount(); ++row) {
    const QString name = CellText(grdRollupCategories_, row, 0).trimmed().toUpper();
    if (!name.isEmpty()) entries << name;
  }
  cbxRollupCategory_->clear();
  cbxRollupCategory_->addItems(entries);
}

void TfrmMainSetup::ApplyRollupCategoriesToDCSSelections(const QStringList& lines) {
  const QStringList entries = RollupEntries();
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    const std::string code = CellText(grdCategories_, row, 0).toStdString();
    for (const QString& line : lines) {
      const std::string text = line.toStdString();
      if (foundation::NameOfLine(text) != code) continue;
      const auto [first, second] =
          RollupPositions(foundation::ValueOfLine(text), static_cast<int>(entries.size()));
      SetCell(grdCategories_, row, 1, entries.value(first));
      SetCell(grdCategories_, row, 2, entries.value(second));
      break;
    }
  }
}

void TfrmMainSetup::grdCategoriesSelectCell(int row, int column) {
  if (row < 0 || (column != 1 && column != 2)) return;
  const QRect cell = grdCategories_->visualItemRect(grdCategories_->item(row, column));
  QRect place = cell.isValid()
                    ? cell
                    : grdCategories_->visualRect(grdCategories_->model()->index(row, column));
  cbxRollupCategory_->setGeometry(place.adjusted(0, 0, 1, 1));
  cbxRollupCategory_->setCurrentIndex(
      std::max(0, cbxRollupCategory_->findText(CellText(grdCategories_, row, column))));
  cbxRollupCategory_->show();
  cbxRollupCategory_->setFocus();
}

void TfrmMainSetup::cbxRollupCategoryChange() {
  const int row = grdCategories_->currentRow();
  const int column = grdCategories_->currentColumn();
  if (row >= 0 && (column == 1 || column == 2)) {
    SetCell(grdCategories_, row, column, cbxRollupCategory_->currentText());
  }
  cbxRollupCategory_->hide();
  grdCategories_->setFocus();
}

void TfrmMainSetup::grdRollupCategoriesEnter() {
  const QStringList entries = RollupEntries();
  QStringList snapshot;
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    snapshot << CellText(grdCategories_, row, 0) + "=" +
                    QString::number(IndexOfEntry(entries, CellText(grdCategories_, row, 1))) + ";" +
                    QString::number(IndexOfEntry(entries, CellText(grdCategories_, row, 2)));
  }
  rollupSnapshot_ = snapshot;
}

void TfrmMainSetup::grdRollupCategoriesExit() {
  if (rollupModified_) {
    refilling_ = true;
    for (int row = 0; row < grdRollupCategories_->rowCount(); ++row) {
      SetCell(grdRollupCategories_, row, 0,
              CellText(grdRollupCategories_, row, 0).trimmed().toUpper());
    }
    refilling_ = false;
    PopulateRollupCategoriesDropdown();
    if (rollupSnapshot_) ApplyRollupCategoriesToDCSSelections(*rollupSnapshot_);
    rollupModified_ = false;
  }
  rollupSnapshot_.reset();
}

void TfrmMainSetup::OnFocusChanged(QWidget* from, QWidget* to) {
  const bool wasIn = Within(from, grdRollupCategories_);
  const bool isIn = Within(to, grdRollupCategories_);
  if (!wasIn && isIn) grdRollupCategoriesEnter();
  if (wasIn && !isIn) grdRollupCategoriesExit();
}

void TfrmMainSetup::btnTestClick() {
  edtMerchID_->setText(edtMerchID_->text().trimmed());
  edtURL_->setText(edtURL_->text().trimmed());
  if (edtURL_->text().isEmpty()) {
    Message("Please enter the Norvane server URL, ending in the merchant ID");
    return;
  }
  if (edtMerchID_->text().isEmpty()) {
    Message("Please enter a valid merchant ID");
    return;
  }
  TfrmTestDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  SendTestReceipt(edtURL_->text().toStdString(), edtMerchID_->text().toStdString(), dialog.Email(),
                  cbTurnOnReceiptQueuingService_->isChecked());
}

void ShowMainSetup(int value) {
  TfrmMainSetup form(foundation::HostMainWindow());
  form.SetValue(value);
  form.FormShow();
  form.exec();
}

}  // namespace dialogs
