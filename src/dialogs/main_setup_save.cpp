// "Done" of the setup dialog: validation, then the settings records are filled
// from the controls and the three settings files written.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "dialogs/main_setup.h"
#include "dialogs/stored_text.h"
#include "foundation/helpers_text.h"
#include "foundation/message_form.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"

namespace dialogs {

namespace {

using foundation::MainPrefs;

std::string S(const QString& text) {
  return text.toStdString();
}

QString CellText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item != nullptr ? item->text() : QString();
}

// The bytes kept with a grid cell or list row (Qt::UserRole).
std::string Bytes(const QVariant& data) {
  return data.toByteArray().toStdString();
}

// Sets `setting` to the text of a control filled from it; a text left as
// it was shown keeps the stored bytes.
void Keep(std::string& setting, const QString& shown) {
  setting = TextToStore(shown, setting);
}

}  // namespace

TimeoutReading ReadTimeoutText(const std::string& text) {
  if (text.empty()) return {"Timeout is required."};
  int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc::result_out_of_range) {
    if (text[0] == '-') return {"Timeout cannot be negative."};
    return {{}, std::numeric_limits<int32_t>::max()};
  }
  if (error != std::errc() || end != text.data() + text.size()) {
    return {"Timeout must be numeric."};
  }
  if (number < 0) return {"Timeout cannot be negative."};
  if (number == 0) return {{}, 30};
  if (number > std::numeric_limits<int32_t>::max())
    return {{}, std::numeric_limits<int32_t>::max()};
  return {{}, static_cast<int32_t>(number)};
}

void TfrmMainSetup::btnExitClick() {
  // A roll-up name still being edited counts as left.
  grdRollupCategoriesExit();
  if (!Validate()) return;
  StoreSettings();
  if (WriteSettings()) accept();
}

bool TfrmMainSetup::Validate() {
  const TimeoutReading timeout = ReadTimeoutText(S(edtTimeout_->text().trimmed()));
  if (!timeout.error.empty()) {
    foundation::DisplayMessage(foundation::kMessageCaption, timeout.error);
    return false;
  }
  const QString optInField = cboEmailOptInField_->currentText();
  if (chkPromptForEmailMarketingOptIn_->isChecked() &&
      (optInField == "None" || optInField.isEmpty())) {
    foundation::DisplayMessage(
        foundation::kMessageCaption,
        "You must select the \"Email Opt-in Field\" when the opt-in option is checked.");
    cboEmailOptInField_->setFocus();
    return false;
  }
  MainPrefs.Timeout = timeout.seconds;
  return true;
}

void TfrmMainSetup::StoreSettings() {
  foundation::EmailProviders.clear();
  for (int row = 0; row < stgEM_->rowCount(); ++row) {
    const QString domain = CellText(stgEM_, row, 0);
    if (domain.isEmpty()) continue;
    const size_t index = static_cast<size_t>(row);
    foundation::EmailProviders.push_back(
        TextToStore(domain, index < storedDomains_.size() ? storedDomains_[index] : std::string()));
  }
  std::vector<CardTypeRow> cards;
  for (int row = 0; row < lsvC_->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = lsvC_->topLevelItem(row);
    cards.push_back({Bytes(item->data(0, Qt::UserRole)), S(item->text(1)),
                     S(item->data(1, Qt::UserRole).toString())});
  }
  MainPrefs.Cards = MergeCardLines(MainPrefs.Cards, cards);

  MainPrefs.URLType.assign(1, rdbProduction_->isChecked() ? 'P'
                              : rdbTest_->isChecked()     ? 'T'
                                                          : 'C');
  Keep(UrlOfKind(QString::fromStdString(MainPrefs.URLType)), edtURL_->text());
  urlKind_ = QString::fromStdString(MainPrefs.URLType);
  // The address in use follows the saved kind at once, as a read of the
  // saved file would choose it.
  MainPrefs.URL = UrlOfKind(urlKind_);
  Keep(MainPrefs.MerchID, edtMerchID_->text());

  // A drop-down left at what it showed for its stored value keeps that value
  // as stored: a sale may take it for the entry in another form (a loyalty
  // field "udf5" with its attribute, a bar-code type "code128"), or for no
  // entry at all. Choosing an entry writes the entry.
  if (const std::optional<std::string> loyalty = ChangedChoice(cboLoyalty_)) {
    if (*loyalty == "None") {
      MainPrefs.LoyalAttr.clear();
      MainPrefs.LoyalField.clear();
    } else if (loyalty->size() == 4 && loyalty->starts_with("UDF") && (*loyalty)[3] >= '3' &&
               (*loyalty)[3] <= '8') {
      MainPrefs.LoyalAttr = std::string("UDF ") + (*loyalty)[3] + " Value";
      MainPrefs.LoyalField = *loyalty;
    } else {
      MainPrefs.LoyalAttr = *loyalty;
      MainPrefs.LoyalField = *loyalty;
    }
  }
  const std::pair<const QComboBox*, std::string*> choices[] = {
      {cboBarCode_, &MainPrefs.BCType},
      {cboLoyaltyStatusField_, &MainPrefs.LoyaltyStatusField},
      {cboLoyaltyTrackingDateField_, &MainPrefs.LoyaltyTrackingDateField},
      {cboEmailOptInField_, &MainPrefs.EmailOptInField},
      {cboCustNoUpdateField_, &MainPrefs.CustNoUpdateField}};
  for (const auto& [combo, setting] : choices) {
    if (const std::optional<std::string> choice = ChangedChoice(combo)) *setting = *choice;
  }

  MainPrefs.SaveEmail = chkSaveEmail_->isChecked();
  MainPrefs.Disable = chkDisable_->isChecked();
  foundation::TStorePrefs& store = foundation::StorePrefs;
  Keep(store.Name, edtStoreName_->text());
  Keep(store.Address, edtStoreAddr_->text());
  Keep(store.City, edtStoreCity_->text());
  Keep(store.State, edtStoreState_->text());
  Keep(store.Zip, edtStoreZip_->text());
  Keep(store.Phone, edtPhone_->text());
  MainPrefs.EnableLoyaltyTracking = chkEnableLoyaltyTracking_->isChecked();
  foundation::WSPrefs.DefaultEFTReceiptPrintingOn = chkDefaultEFTReceiptPrintingOn_->isChecked();
  MainPrefs.AlwaysCreateCustForUniqueEmail = chkAlwaysCreateCustForUniqueEmail_->isChecked();
  MainPrefs.InclDesc3 = chkItemDesc3Field_->isChecked();
  MainPrefs.InclDesc4 = chkItemDesc4Field_->isChecked();
  MainPrefs.InclSize = chkItemSizeField_->isChecked();
  MainPrefs.InclAttr = chkItemAttrField_->isChecked();
  MainPrefs.InclVendor = chkItemVendorField_->isChecked();
  MainPrefs.PromptForEmailMarketingOptIn = chkPromptForEmailMarketingOptIn_->isChecked();
  MainPrefs.OffsetForm = chkOffsetForm_->isChecked();
  MainPrefs.QueueEnabled = cbTurnOnReceiptQueuingService_->isChecked();
  // The edits hold integers only; a stored value outside the up-downs'
  // limits stays as it was.
  MainPrefs.QueueInterval = edtQueueServiceInterval_->value();
  MainPrefs.QueueLogLevel = edtQueueServiceLogLevel_->value();
  MainPrefs.EnableAdvancedCategorization = cbEnableAdvancedCategorization_->isChecked();
  for (int row = 0; row < 5; ++row) {
    Keep(MainPrefs.Categories[static_cast<size_t>(row) + 1],
         CellText(grdRollupCategories_, row, 0));
  }

  // Positions in the roll-up drop-down list as it is now: of each roll-up
  // grid row a department cell stands for, and of each position the stored
  // lines were read with (none for a roll-up emptied since).
  auto positionOf = [this](int rollupRow) {
    const auto entry = std::find(rollupEntryRows_.begin(), rollupEntryRows_.end(), rollupRow);
    return rollupRow < 0 || entry == rollupEntryRows_.end()
               ? 0
               : static_cast<int>(entry - rollupEntryRows_.begin());
  };
  std::vector<int> moved;
  for (const int rollupRow : storedEntryRows_) {
    moved.push_back(rollupRow >= 0 && rollupRowsEmptied_[static_cast<size_t>(rollupRow)]
                        ? 0
                        : positionOf(rollupRow));
  }
  std::vector<RollupRow> departments;
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    const std::string code = Bytes(grdCategories_->item(row, 0)->data(Qt::UserRole));
    if (foundation::helpers::TrimText(code).empty()) continue;
    departments.push_back(
        {code, positionOf(RollupRowOfCell(row, 1)), positionOf(RollupRowOfCell(row, 2))});
  }
  MainPrefs.ProductCategories = MergeRollupLines(MainPrefs.ProductCategories, departments, moved,
                                                 static_cast<int>(rollupEntryRows_.size()));
}

bool TfrmMainSetup::WriteSettings() {
  std::vector<std::string> failed;
  // Why each write failed (the file and the system's reason), shown under
  // the files so that the administrator can mend it.
  std::vector<std::string> reasons;
  std::string reason;
  std::vector<std::string> unsaved;
  if (!foundation::WriteMainPrefs(foundation::SettingsFolder(), foundation::QueueFolder(),
                                  foundation::MainSettingsFile(), foundation::EmailDomainListFile(),
                                  &reason, &unsaved)) {
    failed.insert(failed.end(), unsaved.begin(), unsaved.end());
    reasons.push_back(reason);
  }
  if (!foundation::WriteWSPrefs("", "", foundation::kWSPrefsTemplate)) {
    std::string fqdn;
    failed.push_back(foundation::CheckWSPrefsFilename(foundation::kWSPrefsTemplate, fqdn));
  }
  if (!foundation::WriteStorePrefs(foundation::StoreSettingsFile(), &reason)) {
    failed.push_back(foundation::StoreSettingsFile());
    reasons.push_back(reason);
  }
  if (failed.empty()) return true;
  std::string message = "The settings could not be saved to:";
  for (const std::string& file : failed) message += "\n" + file;
  for (const std::string& why : reasons) message += "\n\n" + why;
  foundation::DisplayMessage(foundation::kMessageCaption, message);
  return false;
}

}  // namespace dialogs
