#pragma once
// TfrmMainSetup: the setup dialog behind the host's configure command. It
// shows every setting of the main, workstation and store settings files, the
// host database's card names (for the card-type mapping) and department codes
// (for the category roll-ups), validates what was edited and writes the files
// back when "Done" is pressed.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/prefs_records.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTabWidget;
class QTreeWidget;
class QWidget;

namespace dialogs {

// Index of `text` in `list`, -1 when absent.
int IndexOfEntry(const QStringList& list, const QString& text);

// The roll-up entry positions a stored ProductCategories value names for a
// sale: "first;second" ("first" alone gives second 0), each part read as a
// sale reads it. A part that names no entry of the `entries` (not a number,
// more than nine characters, not below `entries`) gives 0, the empty entry,
// which is what a sale then files the items under.
std::pair<int, int> RollupPositions(const std::string& value, int entries);

// A department line to store: its code and the positions in the roll-up
// drop-down list (the empty entry, 0, first) of its two roll-ups.
struct RollupRow {
  std::string code;
  int first = 0;
  int second = 0;
};

// The department lines to store after the roll-ups were edited. `rows` are
// the departments of the grid; `moved` gives, for each position of the
// drop-down list the stored lines were written against (moved.size() is
// that list's length), the position now naming the same roll-up (0 when it
// was emptied); `entries` is the length of the list now.
//
// Rows find their stored line as a sale does: the first line whose trimmed
// name equals the code without regard to ASCII case; that line is to name
// the row's positions. Every other line (of a code the grid does not list,
// or a later line of a listed code) is to name the roll-ups it named, moved.
// A line written as naming what it is to name (each part the number of its
// entry, 0 or empty for none) stays as it is; any other is written as
// name=first;second under its stored name, except that a later line of a
// row's code goes when the row's first line changed. A row without a stored
// line adds "code=first;second" at the end. The lines keep their order.
std::vector<std::string> MergeRollupLines(const std::vector<std::string>& stored,
                                          const std::vector<RollupRow>& rows,
                                          const std::vector<int>& moved, int entries);

// The entry of a customer-field drop-down (`entries`, its full list, "None"
// first) that a sale takes a stored field setting for; -1 for none. A sale
// reads these settings trimmed and without regard to ASCII case, so "udf5"
// and " Info1" are the entries UDF5 and Info1; an empty setting is "None".
int FieldEntryOf(const QStringList& entries, const std::string& stored);

// The entry of the loyalty ID drop-down a sale takes LoyalField and
// LoyalAttr for; -1 for none. A sale reads the card number from the host
// field LoyalAttr names, and only when LoyalField is set to something other
// than "None" and LoyalAttr is set, each read trimmed and without regard to
// case. So the entry is the one whose host field is LoyalAttr ("UDF n Value"
// for UDFn, else the entry's text), "None" when LoyalField is empty or
// "None", and none when LoyalField names a field that a sale does not read
// (LoyalAttr empty or unknown).
int LoyaltyIdEntryOf(const QStringList& entries, const std::string& loyalField,
                     const std::string& loyalAttr);

// The bar-code type entry for the stored BCType: the entry equal to it once
// trimmed, without regard to case ("None" for an empty one); -1 for none. A
// sale sends the stored text as it stands.
int BarCodeEntryOf(const QStringList& entries, const std::string& stored);

// The timeout edit's reading: an error message for empty, non-numeric or
// negative text, else the seconds to store (0 stores 30, a value beyond the
// 32-bit range its maximum).
struct TimeoutReading {
  std::string error;
  int32_t seconds = 30;
};
TimeoutReading ReadTimeoutText(const std::string& text);

// A row of the card-type list: the card name, the service card type it
// shows, and the type it showed when the dialog was filled.
struct CardTypeRow {
  std::string name;
  std::string type;
  std::string shownType;
};

// The service card type the stored "name=type" card lines give the card
// `name`, found as a sale finds it: the first line whose trimmed name equals
// it without regard to ASCII case; empty when there is none.
std::string StoredCardType(const std::vector<std::string>& cards, const std::string& name);

// The card names (or department codes) to list, one row for each that a sale
// tells apart (names equal once trimmed and without regard to ASCII case are
// one): the first spelling of each, in the order given.
std::vector<std::string> DistinctNames(const std::vector<std::string>& names);

// The card lines to store after editing `rows`, so that nothing the list did
// not change is lost. The stored lines keep their order: a line for a card no
// row shows stays as it is, and so do the lines of a row whose type was not
// changed. Of a row whose type was changed, the first line takes the new type
// under its stored name (or goes when the type was cleared) and any later
// line for the same card (which a sale never reads) goes. A row with a type
// and no stored line adds "name=type" at the end.
std::vector<std::string> MergeCardLines(const std::vector<std::string>& stored,
                                        const std::vector<CardTypeRow>& rows);

class TfrmMainSetup : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMainSetup(QWidget* owner = nullptr);
  // Stops listening to the application's focus changes before the child
  // widgets go: destroying a focused child changes the focus, and the form
  // is no longer whole by then.
  ~TfrmMainSetup() override;

  // The value ShowMainSetup passes; kept, not used.
  void SetValue(int value) { value_ = value; }

  // Fills the dialog before it is shown: version, settings files, card names
  // and department codes (from the host database when it can be reached,
  // else the stored ones). Errors reading the settings files raise.
  void FormShow();

  static constexpr int kClientWidth = 662;
  static constexpr int kClientHeight = 652;
  // The rows of the e-mail domain grid when fewer domains are stored, and
  // its height then.
  static constexpr int kEmailProviderRows = 5;
  static constexpr int kEmailProviderGridHeight = 126;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QMetaObject::Connection focusConnection_;

  // Layout (main_setup_layout.cpp).
  void BuildForm();
  void BuildGeneralPage(QWidget* page);
  void BuildStorePage(QWidget* page);
  void BuildCardTypesPage(QWidget* page);
  void BuildEmailProvidersPage(QWidget* page);
  void BuildLoyaltyPage(QWidget* page);
  void BuildWorkstationPage(QWidget* page);
  void BuildItemsPage(QWidget* page);
  void ConnectHandlers();

  // Showing and editing (main_setup.cpp).
  void ShowSettings();
  void ChooseStoredEntry(QComboBox* combo, int index, const std::string& stored);
  std::optional<std::string> ChangedChoice(const QComboBox* combo) const;
  void KeepEmptyEmailProviderRow();
  void LoadCardRows(const std::optional<std::vector<std::string>>& names);
  void LoadCategoryRows(const std::optional<std::vector<std::string>>& codes);
  void SwitchUrlKind(const QString& kind);
  QString& UrlOfKind(const QString& kind);
  void SetCardType(bool clear);
  void RefillFieldCombos();
  void SetQueueControlsEnabled(bool on);
  void PopulateRollupCategoriesDropdown();
  void ApplyRollupCategoriesToDCSSelections(const std::vector<std::string>& lines);
  void SetRollupCell(int row, int column, int rollupRow);
  // The roll-up grid row a department cell stands for; -1 for none.
  int RollupRowOfCell(int row, int column) const;
  void grdCategoriesSelectCell(int row, int column);
  void cbxRollupCategoryChange();
  void grdRollupCategoriesExit();
  void OnFocusChanged(QWidget* from, QWidget* to);
  void btnTestClick();

  // Validation and saving (main_setup_save.cpp).
  // The settings records "Done" writes.
  struct SettingsToWrite {
    foundation::TMainPrefs main;
    foundation::StringList domains;
    foundation::TWSPrefs workstation;
    foundation::TStorePrefs store;
  };
  void btnExitClick();
  // The timeout to store; none (a message shown) when the dialog's values
  // cannot be saved.
  std::optional<int32_t> Validate();
  SettingsToWrite StoreSettings(int32_t timeout);
  bool WriteSettings(const SettingsToWrite& settings);

  // Form
  QTabWidget* pages_ = nullptr;
  QLabel* lblVersion_ = nullptr;
  QPushButton* btnExit_ = nullptr;
  // General
  QLineEdit* edtURL_ = nullptr;
  QRadioButton* rdbProduction_ = nullptr;
  QRadioButton* rdbTest_ = nullptr;
  QRadioButton* rdbCustom_ = nullptr;
  QPushButton* btnTest_ = nullptr;
  QLineEdit* edtMerchID_ = nullptr;
  QComboBox* cboLoyalty_ = nullptr;
  QLineEdit* edtTimeout_ = nullptr;
  QCheckBox* chkSaveEmail_ = nullptr;
  QComboBox* cboBarCode_ = nullptr;
  QCheckBox* chkDisable_ = nullptr;
  QCheckBox* chkPromptForEmailMarketingOptIn_ = nullptr;
  QComboBox* cboEmailOptInField_ = nullptr;
  QCheckBox* chkAlwaysCreateCustForUniqueEmail_ = nullptr;
  QCheckBox* cbTurnOnReceiptQueuingService_ = nullptr;
  QSpinBox* edtQueueServiceInterval_ = nullptr;
  QSpinBox* edtQueueServiceLogLevel_ = nullptr;
  QLabel* lblQueueServiceInterval_ = nullptr;
  QLabel* lblQueueServiceLogLevel_ = nullptr;
  QComboBox* cboCustNoUpdateField_ = nullptr;
  QCheckBox* chkOffsetForm_ = nullptr;
  // Store Information
  QLineEdit* edtStoreName_ = nullptr;
  QLineEdit* edtStoreAddr_ = nullptr;
  QLineEdit* edtStoreCity_ = nullptr;
  QLineEdit* edtStoreState_ = nullptr;
  QLineEdit* edtStoreZip_ = nullptr;
  QLineEdit* edtPhone_ = nullptr;
  // Card Types
  QTreeWidget* lsvC_ = nullptr;
  QComboBox* cboVeskCT_ = nullptr;
  QPushButton* btnAddCardType_ = nullptr;
  QPushButton* btnDeleteCardType_ = nullptr;
  // Email Providers
  QTableWidget* stgEM_ = nullptr;
  // Loyalty Tracking
  QComboBox* cboLoyaltyStatusField_ = nullptr;
  QComboBox* cboLoyaltyTrackingDateField_ = nullptr;
  QCheckBox* chkEnableLoyaltyTracking_ = nullptr;
  // Workstation
  QCheckBox* chkDefaultEFTReceiptPrintingOn_ = nullptr;
  // Items
  QCheckBox* chkItemDesc3Field_ = nullptr;
  QCheckBox* chkItemDesc4Field_ = nullptr;
  QCheckBox* chkItemSizeField_ = nullptr;
  QCheckBox* chkItemAttrField_ = nullptr;
  QCheckBox* chkItemVendorField_ = nullptr;
  QCheckBox* cbEnableAdvancedCategorization_ = nullptr;
  QTableWidget* grdRollupCategories_ = nullptr;
  QTableWidget* grdCategories_ = nullptr;
  QLabel* lblDCSforSbs_ = nullptr;
  QComboBox* cbxRollupCategory_ = nullptr;

  // The five customer-field drop-downs and their full entry lists, in the
  // order cboLoyalty, cboLoyaltyTrackingDateField, cboLoyaltyStatusField,
  // cboEmailOptInField, cboCustNoUpdateField.
  std::array<QComboBox*, 5> fieldCombos_{};
  std::array<QStringList, 5> fullLists_;

  // The main and store settings as read when the dialog was filled: every
  // "Done" writes what the controls show measured against these, so that
  // "Done" pressed again after a failed write writes what the first would.
  foundation::TMainPrefs openedMain_;
  foundation::TStorePrefs openedStore_;
  QString urlKind_;
  QString lastUrl_;
  // The service address of each kind (P, T, C) as the URL edit showed it
  // when the kind was last left (as read for the others).
  QString prodUrl_;
  QString testUrl_;
  QString otherUrl_;
  // The entry each settings drop-down showed for its stored value when the
  // dialog was filled (empty when it matched none).
  std::map<const QComboBox*, QString> shownEntries_;
  // The roll-up grid row (0 to 4) each entry of the roll-up drop-down list
  // stands for (-1 for the empty first entry), as the list is now and as it
  // was when the stored department lines were read.
  std::vector<int> rollupEntryRows_;
  std::vector<int> storedEntryRows_;
  // The roll-up grid rows found empty on leaving the grid: the departments
  // lose those roll-ups, and a name filled in there later is new.
  std::array<bool, 5> rollupRowsEmptied_{};
  // The domains the e-mail domain grid's rows were filled with.
  std::vector<std::string> storedDomains_;
  bool rollupModified_ = false;
  bool refilling_ = false;
  int value_ = 0;
};

// Creates the setup dialog owned by the host's main window, keeps `value` in
// it, shows it modally and frees it.
void ShowMainSetup(int value);

}  // namespace dialogs
