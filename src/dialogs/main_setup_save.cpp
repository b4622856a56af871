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
#include "foundation/ini_file.h"
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
  const std::optional<int32_t> timeout = Validate();
  if (!timeout) return;
  if (WriteSettings(StoreSettings(*timeout))) accept();
}

std::optional<int32_t> TfrmMainSetup::Validate() {
  const TimeoutReading timeout = ReadTimeoutText(S(edtTimeout_->text().trimmed()));
  if (!timeout.error.empty()) {
    foundation::DisplayMessage(foundation::kMessageCaption, timeout.error);
    return std::nullopt;
  }
  const QString optInField = cboEmailOptInField_->currentText();
  if (chkPromptForEmailMarketingOptIn_->isChecked() &&
      (optInField == "None" || optInField.isEmpty())) {
    foundation::DisplayMessage(
        foundation::kMessageCaption,
        "You must select the \"Email Opt-in Field\" when the opt-in option is checked.");
    cboEmailOptInField_->setFocus();
    return std::nullopt;
  }
  return timeout.seconds;
}

TfrmMainSetup::SettingsToWrite TfrmMainSetup::StoreSettings(int32_t timeout) {
  // Every value starts from what was read when the dialog was filled, never
  // from the settings in memory, which a "Done" whose write failed may have
  // left otherwise.
  SettingsToWrite settings{openedMain_, {}, {}, openedStore_};
  foundation::TMainPrefs& main = settings.main;
  // Not stored: the current document's subsidiary stays as it is now.
  main.SBS = MainPrefs.SBS;
  main.Timeout = timeout;
  for (int row = 0; row < stgEM_->rowCount(); ++row) {
    const QString domain = CellText(stgEM_, row, 0);
    if (domain.isEmpty()) continue;
    const size_t index = static_cast<size_t>(row);
    settings.domains.push_back(
        TextToStore(domain, index < storedDomains_.size() ? storedDomains_[index] : std::string()));
  }
  std::vector<CardTypeRow> cards;
  for (int row = 0; row < lsvC_->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = lsvC_->topLevelItem(row);
    cards.push_back({Bytes(item->data(0, Qt::UserRole)), S(item->text(1)),
                     S(item->data(1, Qt::UserRole).toString())});
  }
  main.Cards = MergeCardLines(openedMain_.Cards, cards);

  main.URLType.assign(1, rdbProduction_->isChecked() ? 'P' : rdbTest_->isChecked() ? 'T' : 'C');
  UrlOfKind(urlKind_) = edtURL_->text();
  Keep(main.ProdURL, prodUrl_);
  Keep(main.TestURL, testUrl_);
  Keep(main.OtherURL, otherUrl_);
  // The address in use follows the saved kind at once, as a read of the
  // saved file would choose it (without blanks around it).
  main.URL = foundation::TrimProfileBlanks(main.URLType == "P"   ? main.ProdURL
                                           : main.URLType == "T" ? main.TestURL
                                                                 : main.OtherURL);
  Keep(main.MerchID, edtMerchID_->text());

  // A drop-down left at what it showed for its stored value keeps that value
  // as stored: a sale may take it for the entry in another form (a loyalty
  // field "udf5" with its attribute, a bar-code type "code128"), or for no
  // entry at all. Choosing an entry writes the entry.
  if (const std::optional<std::string> loyalty = ChangedChoice(cboLoyalty_)) {
    if (*loyalty == "None") {
      main.LoyalAttr.clear();
      main.LoyalField.clear();
    } else if (loyalty->size() == 4 && loyalty->starts_with("UDF") && (*loyalty)[3] >= '3' &&
               (*loyalty)[3] <= '8') {
      main.LoyalAttr = std::string("UDF ") + (*loyalty)[3] + " Value";
      main.LoyalField = *loyalty;
    } else {
      main.LoyalAttr = *loyalty;
      main.LoyalField = *loyalty;
    }
  }
  const std::pair<const QComboBox*, std::string*> choices[] = {
      {cboBarCode_, &main.BCType},
      {cboLoyaltyStatusField_, &main.LoyaltyStatusField},
      {cboLoyaltyTrackingDateField_, &main.LoyaltyTrackingDateField},
      {cboEmailOptInField_, &main.EmailOptInField},
      {cboCustNoUpdateField_, &main.CustNoUpdateField}};
  for (const auto& [combo, setting] : choices) {
    if (const std::optional<std::string> choice = ChangedChoice(combo)) *setting = *choice;
  }

  main.SaveEmail = chkSaveEmail_->isChecked();
  main.Disable = chkDisable_->isChecked();
  foundation::TStorePrefs& store = settings.store;
  Keep(store.Name, edtStoreName_->text());
  Keep(store.Address, edtStoreAddr_->text());
  Keep(store.City, edtStoreCity_->text());
  Keep(store.State, edtStoreState_->text());
  Keep(store.Zip, edtStoreZip_->text());
  Keep(store.Phone, edtPhone_->text());
  main.EnableLoyaltyTracking = chkEnableLoyaltyTracking_->isChecked();
  settings.workstation.DefaultEFTReceiptPrintingOn = chkDefaultEFTReceiptPrintingOn_->isChecked();
  main.AlwaysCreateCustForUniqueEmail = chkAlwaysCreateCustForUniqueEmail_->isChecked();
  main.InclDesc3 = chkItemDesc3Field_->isChecked();
  main.InclDesc4 = chkItemDesc4Field_->isChecked();
  main.InclSize = chkItemSizeField_->isChecked();
  main.InclAttr = chkItemAttrField_->isChecked();
  main.InclVendor = chkItemVendorField_->isChecked();
  main.PromptForEmailMarketingOptIn = chkPromptForEmailMarketingOptIn_->isChecked();
  main.OffsetForm = chkOffsetForm_->isChecked();
  main.QueueEnabled = cbTurnOnReceiptQueuingService_->isChecked();
  // The edits hold integers only; a stored value outside the up-downs'
  // limits stays as it was.
  main.QueueInterval = edtQueueServiceInterval_->value();
  main.QueueLogLevel = edtQueueServiceLogLevel_->value();
  main.EnableAdvancedCategorization = cbEnableAdvancedCategorization_->isChecked();
  for (int row = 0; row < 5; ++row) {
    Keep(main.Categories[static_cast<size_t>(row) + 1], CellText(grdRollupCategories_, row, 0));
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
  main.ProductCategories = MergeRollupLines(openedMain_.ProductCategories, departments, moved,
                                            static_cast<int>(rollupEntryRows_.size()));
  return settings;
}

bool TfrmMainSetup::WriteSettings(const SettingsToWrite& settings) {
  // The settings in memory become what is written; a record whose file
  // could not be written goes back to what it was, so that the till, which
  // reads the files again only when one of them changed, goes on using what
  // the files hold.
  const SettingsToWrite before{MainPrefs, foundation::EmailProviders, foundation::WSPrefs,
                               foundation::StorePrefs};
  MainPrefs = settings.main;
  foundation::EmailProviders = settings.domains;
  foundation::WSPrefs = settings.workstation;
  foundation::StorePrefs = settings.store;
  std::vector<std::string> failed;
  // Why each write failed (the file and the system's reason), shown under
  // the files so that the administrator can mend it.
  std::vector<std::string> reasons;
  std::string reason;
  std::vector<std::string> unsaved;
  if (!foundation::WriteMainPrefs(foundation::SettingsFolder(), foundation::QueueFolder(),
                                  foundation::MainSettingsFile(), foundation::EmailDomainListFile(),
                                  &reason, &unsaved)) {
    // What is in memory follows the files: a file left unsaved keeps what it
    // held, and so does its record.
    const auto leftUnsaved = [&unsaved](const std::string& file) {
      return std::find(unsaved.begin(), unsaved.end(), file) != unsaved.end();
    };
    if (leftUnsaved(foundation::MainSettingsFile())) MainPrefs = before.main;
    if (leftUnsaved(foundation::EmailDomainListFile())) foundation::EmailProviders = before.domains;
    failed.insert(failed.end(), unsaved.begin(), unsaved.end());
    reasons.push_back(reason);
  }
  if (!foundation::WriteWSPrefs("", "", foundation::kWSPrefsTemplate)) {
    foundation::WSPrefs = before.workstation;
    std::string fqdn;
    failed.push_back(foundation::CheckWSPrefsFilename(foundation::kWSPrefsTemplate, fqdn));
  }
  if (!foundation::WriteStorePrefs(foundation::StoreSettingsFile(), &reason)) {
    foundation::StorePrefs = before.store;
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
