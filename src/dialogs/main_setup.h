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

// The roll-up entry positions a stored ProductCategories value names:
// "first;second" ("first" alone gives second 0), each part trimmed. A
// position that is not a number, negative or not below `entries` gives 0
// (the empty entry).
std::pair<int, int> RollupPositions(const std::string& value, int entries);

// A row of the department grid: its code and the roll-up names its two
// columns show.
struct RollupRow {
  std::string code;
  std::string first;
  std::string second;
};

// The department lines to store after editing `rows`, where `entries` is the
// roll-up drop-down list (the empty entry first). Rows find their stored
// line as a sale does: the first line whose trimmed name equals the code
// without regard to ASCII case. The stored lines keep their order: a line of
// a code no row shows stays as it is, and so does the line of a row that
// shows what a sale reads from it (each position a number naming the entry
// the row shows). Of any other row, the first line takes the row's entry
// positions under its stored name and any later line of the same code goes.
// A row without a stored line adds "code=first;second" at the end.
std::vector<std::string> MergeRollupLines(const std::vector<std::string>& stored,
                                          const std::vector<RollupRow>& rows,
                                          const std::vector<std::string>& entries);

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
  void ChooseStoredEntry(QComboBox* combo, const std::string& stored);
  std::optional<std::string> ChangedChoice(const QComboBox* combo) const;
  void KeepEmptyEmailProviderRow();
  void LoadCardRows(const std::optional<std::vector<std::string>>& names);
  void LoadCategoryRows(const std::optional<std::vector<std::string>>& codes);
  void SwitchUrlKind(const QString& kind);
  std::string& UrlOfKind(const QString& kind);
  void SetCardType(bool clear);
  void RefillFieldCombos();
  void SetQueueControlsEnabled(bool on);
  QStringList RollupEntries() const;
  void PopulateRollupCategoriesDropdown();
  void ApplyRollupCategoriesToDCSSelections(const std::vector<std::string>& lines);
  void grdCategoriesSelectCell(int row, int column);
  void cbxRollupCategoryChange();
  void grdRollupCategoriesEnter();
  void grdRollupCategoriesExit();
  void OnFocusChanged(QWidget* from, QWidget* to);
  void btnTestClick();

  // Validation and saving (main_setup_save.cpp).
  void btnExitClick();
  bool Validate();
  void StoreSettings();
  bool WriteSettings();

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

  QString urlKind_;
  QString lastUrl_;
  // The entry each settings drop-down showed for its stored value when the
  // dialog was filled (empty when it matched none).
  std::map<const QComboBox*, QString> shownEntries_;
  // Per department row, the roll-up grid rows (0 to 4) its two columns
  // showed when the roll-up grid was entered; -1 for none.
  std::optional<std::vector<std::array<int, 2>>> rollupSnapshot_;
  bool rollupModified_ = false;
  bool refilling_ = false;
  int value_ = 0;
};

// Creates the setup dialog owned by the host's main window, keeps `value` in
// it, shows it modally and frees it.
void ShowMainSetup(int value);

}  // namespace dialogs
