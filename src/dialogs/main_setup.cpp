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
#include "dialogs/stored_text.h"
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
#include "receipt/receipt_preparation.h"

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

// Stored text as a sale reads it (see stored_text.h).
QString Q(const std::string& text) {
  return StoredText(text);
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
// `rowNames`. The stored lines keep their order. The first line of a row for
// which `keep(i)` holds stays as it is; of any other row, the first line
// takes `value(i)` under its stored name (or goes when that is empty) and
// any later line of the same name goes. Every other line (of a name no row
// shows, or a later line of a kept row) becomes `other(line)`. A row without
// a stored line adds "name=value(i)" at the end unless that is empty.
template <class Keep, class Value, class Other>
std::vector<std::string> MergeLines(const std::vector<std::string>& stored,
                                    const std::vector<std::string>& rowNames, Keep keep,
                                    Value value, Other other) {
  auto rowOf = [&rowNames](const std::string& name) {
    const std::string key = SaleKey(name);
    size_t i = 0;
    while (i < rowNames.size() && SaleKey(rowNames[i]) != key) ++i;
    return i;
  };
  std::vector<bool> seen(rowNames.size(), false);
  std::vector<bool> kept(rowNames.size(), false);
  std::vector<std::string> lines;
  for (const std::string& line : stored) {
    const std::string name = foundation::NameOfLine(line);
    const size_t i = rowOf(name);
    if (i == rowNames.size() || (seen[i] && kept[i])) {
      lines.push_back(other(line));
      continue;
    }
    if (!seen[i]) {
      seen[i] = true;
      kept[i] = keep(i);
      if (kept[i]) {
        lines.push_back(line);
        continue;
      }
      const std::string newValue = value(i);
      if (!newValue.empty()) lines.push_back(name + "=" + newValue);
    }
  }
  for (size_t i = 0; i < rowNames.size(); ++i) {
    const std::string newValue = seen[i] ? std::string() : value(i);
    if (!newValue.empty()) lines.push_back(rowNames[i] + "=" + newValue);
  }
  return lines;
}

// The two parts of a department's roll-up line ("first;second").
std::array<std::string, 2> RollupParts(const std::string& line) {
  const std::string value = foundation::ValueOfLine(line);
  const size_t semicolon = value.find(';');
  return {value.substr(0, semicolon),
          semicolon == std::string::npos ? std::string() : value.substr(semicolon + 1)};
}

// The position a sale reads from one part of a roll-up line, against a
// drop-down list of `entries`: 0 (the empty entry) for a part that names no
// entry.
int SalePosition(const std::string& part, int entries) {
  const long position = receipt::RollupPosition(part);
  return position > 0 && position < entries ? static_cast<int>(position) : 0;
}

// The two positions a sale reads from a roll-up line.
std::array<int, 2> SalePositions(const std::string& line, int entries) {
  const std::array<std::string, 2> parts = RollupParts(line);
  return {SalePosition(parts[0], entries), SalePosition(parts[1], entries)};
}

// Whether a sale reads `part` as `position` and it is written as that
// number: nothing is written as 0 or left empty, not as text that happens
// to name nothing (a negative or too long number, a position past the list).
bool WrittenAs(const std::string& part, int position, int entries) {
  const std::string trimmed = foundation::helpers::TrimText(part);
  const bool digits =
      std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; });
  return digits && receipt::RollupPosition(trimmed) == position && position < entries;
}

// `line` when it is written as naming `positions`, else the line rewritten
// under its stored name to name them.
std::string RollupLine(const std::string& line, const std::array<int, 2>& positions, int entries) {
  const std::array<std::string, 2> parts = RollupParts(line);
  if (WrittenAs(parts[0], positions[0], entries) && WrittenAs(parts[1], positions[1], entries)) {
    return line;
  }
  return foundation::NameOfLine(line) + "=" + std::to_string(positions[0]) + ";" +
         std::to_string(positions[1]);
}

// The index of the entry equal to `text` (in the way `sensitivity` says),
// the first for an empty text; -1 for none.
int EntryIndex(const QStringList& entries, const QString& text, Qt::CaseSensitivity sensitivity) {
  if (text.isEmpty()) return entries.isEmpty() ? -1 : 0;
  for (int i = 0; i < entries.size(); ++i) {
    if (entries[i].compare(text, sensitivity) == 0) return i;
  }
  return -1;
}

// `text` trimmed of blanks and control characters at its ends, as a sale
// trims the settings it reads.
QString SaleTrimmed(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= ' ') ++begin;
  while (end > begin && text[end - 1].unicode() <= ' ') --end;
  return text.mid(begin, end - begin);
}

// `text` with its ASCII letters in upper case, as a sale compares names
// without regard to case (other letters stay as they are).
QString UpperAsciiText(QString text) {
  for (QChar& c : text) {
    if (c >= 'a' && c <= 'z') c = QChar(c.unicode() - ('a' - 'A'));
  }
  return text;
}

// A name as a sale compares it: trimmed of blanks and control characters,
// ASCII letters in upper case. A roll-up grid cell names its roll-up so.
QString SaleName(const QString& text) {
  return UpperAsciiText(SaleTrimmed(text));
}

QString RollupName(const QString& cell) {
  return SaleName(cell);
}

// The index of the entry a sale takes the setting `text` for: trimmed, the
// ASCII letters in any case; the first (None) for an empty setting, -1 for
// none.
int SaleEntryIndex(const QStringList& entries, const QString& text) {
  const QString key = SaleName(text);
  if (key.isEmpty()) return entries.isEmpty() ? -1 : 0;
  for (int i = 0; i < entries.size(); ++i) {
    if (UpperAsciiText(entries[i]) == key) return i;
  }
  return -1;
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
      [&](size_t i) { return rows[i].type; }, [](const std::string& line) { return line; });
}

std::vector<std::string> MergeRollupLines(const std::vector<std::string>& stored,
                                          const std::vector<RollupRow>& rows,
                                          const std::vector<int>& moved, int entries) {
  std::vector<std::string> codes;
  for (const RollupRow& row : rows) codes.push_back(row.code);
  auto positions = [&](size_t i) { return std::array<int, 2>{rows[i].first, rows[i].second}; };
  auto keep = [&](size_t i) {
    const std::string& line = stored[FirstLineFor(stored, rows[i].code)];
    return RollupLine(line, positions(i), entries) == line;
  };
  auto value = [&](size_t i) {
    return std::to_string(rows[i].first) + ";" + std::to_string(rows[i].second);
  };
  // A line no row takes names the roll-ups it named when it was read.
  auto other = [&](const std::string& line) {
    std::array<int, 2> now = SalePositions(line, static_cast<int>(moved.size()));
    for (int& position : now) position = moved[static_cast<size_t>(position)];
    return RollupLine(line, now, entries);
  };
  return MergeLines(stored, codes, keep, value, other);
}

int IndexOfEntry(const QStringList& list, const QString& text) {
  return static_cast<int>(list.indexOf(text));
}

std::pair<int, int> RollupPositions(const std::string& value, int entries) {
  const std::array<int, 2> positions = SalePositions("=" + value, entries);
  return {positions[0], positions[1]};
}

int FieldEntryOf(const QStringList& entries, const std::string& stored) {
  return SaleEntryIndex(entries, StoredText(stored));
}

int LoyaltyIdEntryOf(const QStringList& entries, const std::string& loyalField,
                     const std::string& loyalAttr) {
  const QString field = SaleName(StoredText(loyalField));
  if (field.isEmpty() || field == "NONE") return 0;
  // The host field each entry reads; an empty or unknown LoyalAttr names
  // none of the fields a sale reads ("None" stands for no field).
  QStringList attributes;
  for (const QString& entry : entries) {
    const bool udf = entry.size() == 4 && entry.startsWith("UDF");
    attributes << (udf ? QString("UDF ") + entry[3] + " Value" : entry);
  }
  const int entry = SaleEntryIndex(attributes, StoredText(loyalAttr));
  return entry > 0 ? entry : -1;
}

int BarCodeEntryOf(const QStringList& entries, const std::string& stored) {
  return EntryIndex(entries, StoredText(stored).trimmed(), Qt::CaseInsensitive);
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
  openedMain_ = MainPrefs;
  openedStore_ = foundation::StorePrefs;
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
  prodUrl_ = Q(MainPrefs.ProdURL);
  testUrl_ = Q(MainPrefs.TestURL);
  otherUrl_ = Q(MainPrefs.OtherURL);
  edtURL_->setText(UrlOfKind(urlKind_));

  // Each drop-down shows the entry a sale takes its stored value for, or
  // the stored value as it stands when a sale takes it for none.
  refilling_ = true;
  auto entries = [](const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
    return list;
  };
  ChooseStoredEntry(
      cboLoyalty_,
      LoyaltyIdEntryOf(entries(cboLoyalty_), MainPrefs.LoyalField, MainPrefs.LoyalAttr),
      MainPrefs.LoyalField);
  for (const auto& [combo, stored] :
       {std::pair{cboLoyaltyTrackingDateField_, &MainPrefs.LoyaltyTrackingDateField},
        std::pair{cboLoyaltyStatusField_, &MainPrefs.LoyaltyStatusField},
        std::pair{cboEmailOptInField_, &MainPrefs.EmailOptInField},
        std::pair{cboCustNoUpdateField_, &MainPrefs.CustNoUpdateField}}) {
    ChooseStoredEntry(combo, FieldEntryOf(entries(combo), *stored), *stored);
  }
  ChooseStoredEntry(cboBarCode_, BarCodeEntryOf(entries(cboBarCode_), MainPrefs.BCType),
                    MainPrefs.BCType);
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
  std::vector<std::string>& domains = storedDomains_;
  domains.clear();
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
  rollupRowsEmptied_ = {};
  PopulateRollupCategoriesDropdown();
  // The stored department lines name roll-ups by their positions in this
  // list.
  storedEntryRows_ = rollupEntryRows_;
}

void TfrmMainSetup::ChooseStoredEntry(QComboBox* combo, int index, const std::string& stored) {
  // A value no entry stands for is shown as it stands, with no entry
  // chosen, and is kept unless an entry is chosen.
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
  // The name's bytes are kept with the row too, for the line it may add.
  auto addRow = [this](const std::string& name) {
    const QString type = Q(StoredCardType(MainPrefs.Cards, name));
    auto* item = new QTreeWidgetItem(lsvC_, QStringList{Q(name), type});
    item->setData(0, Qt::UserRole, QByteArray::fromStdString(name));
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
    // The code's bytes, to find and write its line as a sale keys it.
    grdCategories_->item(row, 0)->setData(
        Qt::UserRole, QByteArray::fromStdString(rows[static_cast<size_t>(row)]));
  }
}

QString& TfrmMainSetup::UrlOfKind(const QString& kind) {
  if (kind == "P") return prodUrl_;
  if (kind == "T") return testUrl_;
  return otherUrl_;
}

void TfrmMainSetup::SwitchUrlKind(const QString& kind) {
  // What was typed for the kind left is kept in the dialog, not in the
  // settings the till uses: only "Done" puts it there.
  if (kind != urlKind_) UrlOfKind(urlKind_) = edtURL_->text();
  edtURL_->setText(UrlOfKind(kind));
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

void TfrmMainSetup::PopulateRollupCategoriesDropdown() {
  QStringList entries{QString()};
  rollupEntryRows_ = {-1};
  for (int row = 0; row < grdRollupCategories_->rowCount(); ++row) {
    const QString name = RollupName(CellText(grdRollupCategories_, row, 0));
    if (name.isEmpty()) continue;
    entries << name;
    rollupEntryRows_.push_back(row);
  }
  cbxRollupCategory_->clear();
  cbxRollupCategory_->addItems(entries);
}

void TfrmMainSetup::SetRollupCell(int row, int column, int rollupRow) {
  // A department cell notes the roll-up grid row it stands for, so that it
  // follows that row (renamed, emptied, or moved in the list by another
  // row being emptied or filled) even where two rows show one name.
  SetCell(grdCategories_, row, column,
          rollupRow < 0 ? QString() : RollupName(CellText(grdRollupCategories_, rollupRow, 0)));
  grdCategories_->item(row, column)->setData(Qt::UserRole, rollupRow);
}

int TfrmMainSetup::RollupRowOfCell(int row, int column) const {
  const QTableWidgetItem* item = grdCategories_->item(row, column);
  const QVariant rollupRow = item != nullptr ? item->data(Qt::UserRole) : QVariant();
  return rollupRow.isValid() ? rollupRow.toInt() : -1;
}

void TfrmMainSetup::ApplyRollupCategoriesToDCSSelections(const std::vector<std::string>& lines) {
  const int entries = static_cast<int>(rollupEntryRows_.size());
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    // The line a sale reads for the row's code, read as a sale reads it.
    const size_t line = FirstLineFor(
        lines, grdCategories_->item(row, 0)->data(Qt::UserRole).toByteArray().toStdString());
    const auto [first, second] =
        line == lines.size() ? std::pair(0, 0)
                             : RollupPositions(foundation::ValueOfLine(lines[line]), entries);
    SetRollupCell(row, 1, rollupEntryRows_[static_cast<size_t>(first)]);
    SetRollupCell(row, 2, rollupEntryRows_[static_cast<size_t>(second)]);
  }
}

void TfrmMainSetup::grdCategoriesSelectCell(int row, int column) {
  if (row < 0 || (column != 1 && column != 2)) return;
  const QRect cell = grdCategories_->visualItemRect(grdCategories_->item(row, column));
  QRect place = cell.isValid()
                    ? cell
                    : grdCategories_->visualRect(grdCategories_->model()->index(row, column));
  cbxRollupCategory_->setGeometry(place.adjusted(0, 0, 1, 1));
  // The entry of the roll-up the cell stands for (not merely one of the same
  // name), so that leaving the drop-down unchanged changes nothing.
  const auto entry =
      std::find(rollupEntryRows_.begin(), rollupEntryRows_.end(), RollupRowOfCell(row, column));
  cbxRollupCategory_->setCurrentIndex(
      entry == rollupEntryRows_.end() ? 0 : static_cast<int>(entry - rollupEntryRows_.begin()));
  cbxRollupCategory_->show();
  cbxRollupCategory_->setFocus();
}

void TfrmMainSetup::cbxRollupCategoryChange() {
  const int row = grdCategories_->currentRow();
  const int column = grdCategories_->currentColumn();
  const int entry = cbxRollupCategory_->currentIndex();
  if (row >= 0 && (column == 1 || column == 2)) {
    SetRollupCell(row, column,
                  entry > 0 && entry < static_cast<int>(rollupEntryRows_.size())
                      ? rollupEntryRows_[static_cast<size_t>(entry)]
                      : -1);
  }
  cbxRollupCategory_->hide();
  grdCategories_->setFocus();
}

void TfrmMainSetup::grdRollupCategoriesExit() {
  if (!rollupModified_) return;
  refilling_ = true;
  for (int row = 0; row < grdRollupCategories_->rowCount(); ++row) {
    const QString name = RollupName(CellText(grdRollupCategories_, row, 0));
    SetCell(grdRollupCategories_, row, 0, name);
    if (name.isEmpty()) rollupRowsEmptied_[static_cast<size_t>(row)] = true;
  }
  refilling_ = false;
  PopulateRollupCategoriesDropdown();
  // Each department cell shows its roll-up's name as it is now; a roll-up
  // that was emptied is taken off the departments that had it.
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    for (int column = 1; column <= 2; ++column) {
      const int rollupRow = RollupRowOfCell(row, column);
      SetRollupCell(row, column,
                    rollupRow >= 0 && CellText(grdRollupCategories_, rollupRow, 0).isEmpty()
                        ? -1
                        : rollupRow);
    }
  }
  rollupModified_ = false;
}

void TfrmMainSetup::OnFocusChanged(QWidget* from, QWidget* to) {
  if (Within(from, grdRollupCategories_) && !Within(to, grdRollupCategories_)) {
    grdRollupCategoriesExit();
  }
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
  const std::string& openedUrl = urlKind_ == "P"   ? openedMain_.ProdURL
                                 : urlKind_ == "T" ? openedMain_.TestURL
                                                   : openedMain_.OtherURL;
  SendTestReceipt(TextToStore(edtURL_->text(), openedUrl),
                  TextToStore(edtMerchID_->text(), openedMain_.MerchID), dialog.Email(),
                  cbTurnOnReceiptQueuingService_->isChecked());
}

void ShowMainSetup(int value) {
  TfrmMainSetup form(foundation::HostMainWindow());
  form.SetValue(value);
  form.FormShow();
  form.exec();
}

}  // namespace dialogs
