#include "dialogs/main_setup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <algorithm>
#include <array>
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

// A card name or department code as a sale compares it with the names of
// the stored lines: trimmed, in upper case.
std::string SaleKey(const std::string& name) {
  return foundation::helpers::UpperAscii(foundation::helpers::TrimText(name));
}

// Index of the first of the "name=value" lines that a sale reads for `name`;
// lines.size() when there is none.
size_t FirstLineFor(const std::vector<std::string>& lines, const std::string& name) {
  const std::string key = SaleKey(name);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (SaleKey(foundation::NameOfLine(lines[i])) == key) return i;
  }
  return lines.size();
}

// Merges stored "name=value" lines with the rows of a list whose names are
// `rowNames`. The stored lines keep their order. A line of a name no row
// shows stays, and so do the lines of a row for which `keep(i)` holds. Of
// any other row, the first line takes `value(i)` under its stored name (or
// goes when that is empty) and any later line of the same name goes. A row
// without a stored line adds "name=value(i)" at the end unless that is empty.
template <class Keep, class Value>
std::vector<std::string> MergeLines(const std::vector<std::string>& stored,
                                    const std::vector<std::string>& rowNames, Keep keep,
                                    Value value) {
  auto rowOf = [&rowNames](const std::string& name) {
    const std::string key = SaleKey(name);
    size_t i = 0;
    while (i < rowNames.size() && SaleKey(rowNames[i]) != key) ++i;
    return i;
  };
  std::vector<bool> seen(rowNames.size(), false);
  std::vector<std::string> lines;
  for (const std::string& line : stored) {
    const std::string name = foundation::NameOfLine(line);
    const size_t i = rowOf(name);
    if (i == rowNames.size() || keep(i)) {
      if (i < rowNames.size()) seen[i] = true;
      lines.push_back(line);
      continue;
    }
    const std::string newValue = value(i);
    if (!seen[i] && !newValue.empty()) lines.push_back(name + "=" + newValue);
    seen[i] = true;
  }
  for (size_t i = 0; i < rowNames.size(); ++i) {
    const std::string newValue = seen[i] ? std::string() : value(i);
    if (!newValue.empty()) lines.push_back(rowNames[i] + "=" + newValue);
  }
  return lines;
}

// The roll-up entry a sale takes a stored position for, when it takes it as
// written: a plain decimal number (an empty one is 0) below `entries`.
std::optional<size_t> StoredPosition(const std::string& text, size_t entries) {
  const std::string trimmed = foundation::helpers::TrimText(text);
  if (trimmed.empty()) return 0;
  size_t position = 0;
  const auto [end, error] =
      std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), position);
  if (error != std::errc() || end != trimmed.data() + trimmed.size() || position >= entries) {
    return std::nullopt;
  }
  return position;
}

}  // namespace

std::string StoredCardType(const std::vector<std::string>& cards, const std::string& name) {
  const size_t i = FirstLineFor(cards, name);
  return i < cards.size() ? foundation::ValueOfLine(cards[i]) : std::string();
}

std::vector<std::string> DistinctNames(const std::vector<std::string>& names) {
  std::set<std::string> listed;
  std::vector<std::string> distinct;
  for (const std::string& name : names) {
    if (listed.insert(SaleKey(name)).second) distinct.push_back(name);
  }
  return distinct;
}

std::vector<std::string> MergeCardLines(const std::vector<std::string>& stored,
                                        const std::vector<CardTypeRow>& rows) {
  std::vector<std::string> names;
  for (const CardTypeRow& row : rows) names.push_back(row.name);
  return MergeLines(
      stored, names, [&](size_t i) { return rows[i].type == rows[i].shownType; },
      [&](size_t i) { return rows[i].type; });
}

std::vector<std::string> MergeRollupLines(const std::vector<std::string>& stored,
                                          const std::vector<RollupRow>& rows,
                                          const std::vector<std::string>& entries) {
  std::vector<std::string> codes;
  for (const RollupRow& row : rows) codes.push_back(row.code);
  // A row is left as stored when a sale reading its stored line gets the
  // names the row shows.
  auto readsAsShown = [&](size_t i) {
    const size_t line = FirstLineFor(stored, rows[i].code);
    if (line == stored.size()) return false;
    const std::string value = foundation::ValueOfLine(stored[line]);
    const size_t semicolon = value.find(';');
    const std::pair<std::string, const std::string*> parts[] = {
        {value.substr(0, semicolon), &rows[i].first},
        {semicolon == std::string::npos ? std::string() : value.substr(semicolon + 1),
         &rows[i].second}};
    for (const auto& [text, shown] : parts) {
      const std::optional<size_t> position = StoredPosition(text, entries.size());
      if (!position || entries[*position] != *shown) return false;
    }
    return true;
  };
  auto positions = [&](size_t i) {
    auto index = [&](const std::string& name) {
      const auto it = std::find(entries.begin(), entries.end(), name);
      return it == entries.end() ? std::string("-1") : std::to_string(it - entries.begin());
    };
    return index(rows[i].first) + ";" + index(rows[i].second);
  };
  return MergeLines(stored, codes, readsAsShown, positions);
}

int IndexOfEntry(const QStringList& list, const QString& text) {
  return static_cast<int>(list.indexOf(text));
}

std::pair<int, int> RollupPositions(const std::string& value, int entries) {
  auto position = [entries](const std::string& text) {
    return static_cast<int>(
        StoredPosition(text, static_cast<size_t>(std::max(entries, 0))).value_or(0));
  };
  const size_t semicolon = value.find(';');
  if (semicolon == std::string::npos) return {position(value), 0};
  return {position(value.substr(0, semicolon)), position(value.substr(semicolon + 1))};
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
  connect(stgEM_, &QTableWidget::itemChanged, this, &TfrmMainSetup::KeepEmptyEmailProviderRow);
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
  ApplyRollupCategoriesToDCSSelections(MainPrefs.ProductCategories);
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
  ChooseStoredEntry(cboLoyalty_, MainPrefs.LoyalField);
  ChooseStoredEntry(cboLoyaltyTrackingDateField_, MainPrefs.LoyaltyTrackingDateField);
  ChooseStoredEntry(cboLoyaltyStatusField_, MainPrefs.LoyaltyStatusField);
  ChooseStoredEntry(cboEmailOptInField_, MainPrefs.EmailOptInField);
  ChooseStoredEntry(cboCustNoUpdateField_, MainPrefs.CustNoUpdateField);
  ChooseStoredEntry(cboBarCode_, MainPrefs.BCType);
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
  // domain (a domain not shown would be lost at "Done") with an empty row
  // after them to add another.
  std::vector<std::string> domains;
  for (const std::string& domain : foundation::EmailProviders) {
    if (!domain.empty()) domains.push_back(domain);
  }
  stgEM_->clearContents();
  stgEM_->setRowCount(std::max(kEmailProviderRows, static_cast<int>(domains.size())));
  for (size_t row = 0; row < domains.size(); ++row) {
    SetCell(stgEM_, static_cast<int>(row), 0, Q(domains[row]));
  }
  KeepEmptyEmailProviderRow();

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

void TfrmMainSetup::ChooseStoredEntry(QComboBox* combo, const std::string& stored) {
  // The entry a sale takes the value for: equal to it once trimmed, without
  // regard to case; an empty value is the first entry ("None"). A value no
  // entry matches is shown as it stands, with no entry chosen, and is kept
  // unless another entry is chosen.
  const QString text = Q(stored).trimmed();
  const int index = text.isEmpty() ? 0 : combo->findText(text, Qt::MatchFixedString);
  combo->setPlaceholderText(index < 0 ? Q(stored) : QString());
  // The stored value is in force: shown like a chosen entry, not greyed.
  QPalette palette = combo->palette();
  for (const QPalette::ColorGroup group :
       {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::PlaceholderText, palette.color(group, QPalette::Text));
  }
  combo->setPalette(palette);
  combo->setCurrentIndex(index);
  shownEntries_[combo] = combo->currentText();
}

std::optional<std::string> TfrmMainSetup::ChangedChoice(const QComboBox* combo) const {
  if (combo->currentIndex() < 0) return std::nullopt;
  const auto shown = shownEntries_.find(combo);
  if (shown != shownEntries_.end() && shown->second == combo->currentText()) return std::nullopt;
  return combo->currentText().toStdString();
}

void TfrmMainSetup::KeepEmptyEmailProviderRow() {
  const int last = stgEM_->rowCount() - 1;
  if (last < 0 || !CellText(stgEM_, last, 0).isEmpty()) stgEM_->setRowCount(last + 2);
  // The grid grows with its rows as far as the page has room; beyond that it
  // scrolls.
  const int rowHeight = stgEM_->verticalHeader()->defaultSectionSize();
  stgEM_->resize(stgEM_->width(),
                 kEmailProviderGridHeight +
                     rowHeight * (std::min(stgEM_->rowCount(), 20) - kEmailProviderRows));
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
  // One row per card as a sale tells cards apart: the database may give
  // names that differ only in blanks ("VISA" and "VISA "), and two rows of
  // one card would each write its line. Without the database the stored
  // names are listed, so that "Done" writes them back as they were.
  std::vector<std::string> listed;
  if (names) {
    listed = *names;
  } else {
    for (const std::string& line : MainPrefs.Cards) {
      if (!foundation::NameOfLine(line).empty()) listed.push_back(foundation::NameOfLine(line));
    }
  }
  for (const std::string& name : DistinctNames(listed)) addRow(name);
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
  // One row per department as a sale tells them apart.
  rows = DistinctNames(rows);
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
    // Its own choice stays in the list even when another drop-down holds it
    // too (as a settings file edited by hand can have it), so that neither
    // loses its value unseen. A drop-down showing a stored value that
    // matches no entry goes on showing it.
    const bool storedValueShown = fieldCombos_[i]->currentIndex() < 0;
    QStringList entries;
    for (const QString& entry : fullLists_[i]) {
      bool taken = false;
      for (size_t j = 0; j < chosen.size(); ++j) {
        taken =
            taken || (j != i && chosen[j] != "None" && chosen[j] == entry && entry != chosen[i]);
      }
      if (!taken) entries << entry;
    }
    fieldCombos_[i]->clear();
    fieldCombos_[i]->addItems(entries);
    fieldCombos_[i]->setCurrentIndex(
        storedValueShown ? -1 : std::max(0, IndexOfEntry(entries, chosen[i])));
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

void TfrmMainSetup::ApplyRollupCategoriesToDCSSelections(const std::vector<std::string>& lines) {
  const QStringList entries = RollupEntries();
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    // The line a sale reads for the row's code.
    const size_t line = FirstLineFor(lines, CellText(grdCategories_, row, 0).toStdString());
    if (line == lines.size()) continue;
    const auto [first, second] =
        RollupPositions(foundation::ValueOfLine(lines[line]), static_cast<int>(entries.size()));
    SetCell(grdCategories_, row, 1, entries.value(first));
    SetCell(grdCategories_, row, 2, entries.value(second));
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
  // Each department cell is noted by the roll-up row whose name it shows, so
  // that it follows that row: a renamed category is shown under its new
  // name, an emptied one no more, and the others keep their names even
  // where emptying or filling a row shifts the drop-down's positions.
  auto rollupRowOf = [this](const QString& name) {
    if (name.isEmpty()) return -1;
    for (int row = 0; row < grdRollupCategories_->rowCount(); ++row) {
      if (CellText(grdRollupCategories_, row, 0).trimmed().toUpper() == name) return row;
    }
    return -1;
  };
  std::vector<std::array<int, 2>> snapshot;
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    snapshot.push_back({rollupRowOf(CellText(grdCategories_, row, 1)),
                        rollupRowOf(CellText(grdCategories_, row, 2))});
  }
  rollupSnapshot_ = std::move(snapshot);
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
    if (rollupSnapshot_) {
      const int rows =
          std::min(grdCategories_->rowCount(), static_cast<int>(rollupSnapshot_->size()));
      for (int row = 0; row < rows; ++row) {
        for (int column = 1; column <= 2; ++column) {
          const int rollupRow = (*rollupSnapshot_)[static_cast<size_t>(row)][column - 1];
          SetCell(grdCategories_, row, column,
                  rollupRow < 0 ? QString() : CellText(grdRollupCategories_, rollupRow, 0));
        }
      }
    }
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
