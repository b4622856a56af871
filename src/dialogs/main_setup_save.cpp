// "Done" of the setup dialog: validation, then the settings records are filled
// from the controls and the three settings files written.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <charconv>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "dialogs/main_setup.h"
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

std::string CellText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item != nullptr ? S(item->text()) : std::string();
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
    const std::string domain = CellText(stgEM_, row, 0);
    if (!domain.empty()) foundation::EmailProviders.push_back(domain);
  }
  std::vector<CardTypeRow> cards;
  for (int row = 0; row < lsvC_->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = lsvC_->topLevelItem(row);
    cards.push_back(
        {S(item->text(0)), S(item->text(1)), S(item->data(1, Qt::UserRole).toString())});
  }
  MainPrefs.Cards = MergeCardLines(MainPrefs.Cards, cards);

  MainPrefs.URLType = rdbProduction_->isChecked() ? "P" : rdbTest_->isChecked() ? "T" : "C";
  UrlOfKind(QString::fromStdString(MainPrefs.URLType)) = S(edtURL_->text());
  urlKind_ = QString::fromStdString(MainPrefs.URLType);
  // The address in use follows the saved kind at once, as a read of the
  // saved file would choose it.
  MainPrefs.URL = UrlOfKind(urlKind_);
  MainPrefs.MerchID = S(edtMerchID_->text());

  // A drop-down left at the entry it showed for its stored value keeps that
  // value as stored: a sale may read it in another case ("udf5", "code128"),
  // or it may match no entry at all.
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
  foundation::StorePrefs = {S(edtStoreName_->text()), S(edtStoreAddr_->text()),
                            S(edtStoreCity_->text()), S(edtStoreState_->text()),
                            S(edtStoreZip_->text()),  S(edtPhone_->text())};
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
    MainPrefs.Categories[row + 1] = CellText(grdRollupCategories_, row, 0);
  }

  std::vector<std::string> entries;
  for (const QString& entry : RollupEntries()) entries.push_back(S(entry));
  std::vector<RollupRow> departments;
  for (int row = 0; row < grdCategories_->rowCount(); ++row) {
    const std::string code = CellText(grdCategories_, row, 0);
    if (foundation::helpers::TrimText(code).empty()) continue;
    departments.push_back(
        {code, CellText(grdCategories_, row, 1), CellText(grdCategories_, row, 2)});
  }
  MainPrefs.ProductCategories = MergeRollupLines(MainPrefs.ProductCategories, departments, entries);
}

bool TfrmMainSetup::WriteSettings() {
  std::vector<std::string> failed;
  if (!foundation::WriteMainPrefs(foundation::SettingsFolder(), foundation::QueueFolder(),
                                  foundation::MainSettingsFile(),
                                  foundation::EmailDomainListFile())) {
    failed.push_back(foundation::MainSettingsFile());
    failed.push_back(foundation::EmailDomainListFile());
  }
  if (!foundation::WriteWSPrefs("", "", foundation::kWSPrefsTemplate)) {
    std::string fqdn;
    failed.push_back(foundation::CheckWSPrefsFilename(foundation::kWSPrefsTemplate, fqdn));
  }
  if (!foundation::WriteStorePrefs(foundation::StoreSettingsFile())) {
    failed.push_back(foundation::StoreSettingsFile());
  }
  if (failed.empty()) return true;
  std::string message = "The settings could not be saved to:";
  for (const std::string& file : failed) message += "\n" + file;
  foundation::DisplayMessage(foundation::kMessageCaption, message);
  return false;
}

}  // namespace dialogs
