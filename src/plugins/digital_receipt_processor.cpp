#include "plugins/digital_receipt_processor.h"

#include "plugins/adapter_calls.h"
#include "plugins/bill_to_customer.h"
#include "plugins/sale_object_includes.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "dialogs/email_capture_dialog.h"
#include "dialogs/info_box.h"
#include "dialogs/outcome_dialogs.h"
#include "dialogs/resend_email_dialog.h"
#include "dialogs/vk9_values_server.h"
#include "foundation/log.h"
#include "foundation/message_form.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "foundation/vesk_log.h"
#include "hostplugin/bo_fields.h"
#include "hostplugin/message_box.h"
#include "platform/com/com_error.h"
#include "receipt/host_data_module.h"
#include "receipt/progress_window.h"
#include "receipt/receipt_preparation.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"
#include "receipt/soap_messages.h"
#include "receipt/soap_responses.h"

namespace plugins {

bool ConfigurationChecked = false;
bool SystemPreferencesLogged = false;

namespace {

constexpr int kTraceLevel = 7;
constexpr int kStepLevel = 9;
constexpr int32_t kNotObtained = -1;

using foundation::KWLog;
using hostplugin::GetBOFieldInt;
using hostplugin::GetBOFieldValue;
using receipt::fAuth;
using receipt::FTransControl;

constexpr const char* kMerchantNotFound = "MERCHANT_NOT_FOUND";
constexpr const char* kMerchantWarning =
    "Warning: Your configuration contains an invalid merchant ID\r"
    "Please contact Norvane to obtain your merchant ID";

std::string Tag(const char* routine) {
  return std::string("TDigitalReceiptProcessor.") + routine;
}

void Step(const std::string& text, const char* routine) {
  KWLog(kStepLevel, text, foundation::kLevelDebug, Tag(routine));
}

// "name....... value" as the routines dump their state.
void Dump(const std::string& name, bool value, const char* routine) {
  std::string line = "     " + name;
  line.resize(44, '.');
  Step(line + (value ? "True" : "False"), routine);
}

// Logs an exception the routine swallows: its name, " while " and the text.
void LogFailure(const char* routine, const std::exception& e) {
  KWLog(0, std::string(routine) + " while " + e.what(), foundation::kLevelError, Tag(routine));
}

// The message form with the plug-in's caption; logged instead where no user
// interface runs on this thread.
void ShowMessage(const std::string& text, const char* routine) {
  ShowPluginMessage(text, Tag(routine));
}

// Sets the values server's pop-up flag to `active` for the life of the
// object (lowered when it goes) when a values server is prepared; without one
// the customer records cannot be kept, which is logged, and the sale goes on.
class PopupFlag {
 public:
  explicit PopupFlag(bool active) : server_(dialogs::ValuesServer()) {
    if (server_ == nullptr) {
      KWLog(0, "No values server prepared: customer records are not created or updated",
            foundation::kLevelError, Tag("ProcessUnpostedInvoice"));
      return;
    }
    server_->SetPopupActive(active);
  }
  ~PopupFlag() {
    if (server_ != nullptr) server_->SetPopupActive(false);
  }
  PopupFlag(const PopupFlag&) = delete;
  PopupFlag& operator=(const PopupFlag&) = delete;

 private:
  dialogs::Tvk9ValuesServer* server_;
};

// Logs a routine's entry now and its exit when it goes.
class Trace {
 public:
  explicit Trace(const char* routine) : tag_(Tag(routine)) {
    foundation::LogEnter(kTraceLevel, tag_);
  }
  ~Trace() { foundation::LogExit(kTraceLevel, tag_); }
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

 private:
  std::string tag_;
};

// The settings files as they stood when they were last read (each file's
// text, none for a missing file); nothing before the first read. Compared
// whole: a file written again may keep its size and its modification time's
// tick.
using SettingsTexts = std::vector<std::optional<std::string>>;
std::optional<SettingsTexts> g_settingsAsRead;

SettingsTexts CurrentSettingsTexts() {
  std::string fqdn;
  const std::string files[] = {
      foundation::MainSettingsFile(), foundation::EmailDomainListFile(),
      foundation::StoreSettingsFile(),
      foundation::CheckWSPrefsFilename(foundation::kWSPrefsTemplate, fqdn)};
  SettingsTexts texts;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      texts.emplace_back();
      continue;
    }
    std::ostringstream text;
    text << in.rdbuf();
    texts.emplace_back(text.str());
  }
  return texts;
}

// Whether the settings in memory are those of the files: read since the
// configuration-checked flag was last cleared, and unchanged since. Settings
// put in place without reading any file (the flag set by their owner) stand
// as they are.
bool SettingsCurrent() {
  if (!ConfigurationChecked) return false;
  if (!g_settingsAsRead) return true;
  if (*g_settingsAsRead == CurrentSettingsTexts()) return true;
  KWLog(5, "The settings files changed since they were read", foundation::kLevelInfo,
        Tag("CheckConfiguration"));
  return false;
}

bool BothSettingsFilesExist() {
  namespace fs = std::filesystem;
  return fs::exists(foundation::kRelativeMainSettingsFile) &&
         fs::exists(foundation::kRelativeStoreSettingsFile);
}

bool AnySettingsFileExists() {
  namespace fs = std::filesystem;
  return fs::exists(foundation::kRelativeMainSettingsFile) ||
         fs::exists(foundation::kRelativeStoreSettingsFile);
}

void ReadMainSettings() {
  foundation::ReadMainPrefs(foundation::SettingsFolder(), foundation::QueueFolder(),
                            foundation::MainSettingsFile(), foundation::EmailDomainListFile());
}

}  // namespace

bool ConnectHostDatabase(const std::string& tag) {
  receipt::TdQ& dq = receipt::EnsureDataModule();
  if (dq.Connect()) return true;
  ShowPluginMessage("Cannot connect to RPro: " + dq.LastError(), tag);
  foundation::AppendVeskLog("OnUpdate Connect: " + dq.LastError());
  return false;
}

void ReadSettings() {
  // Taken before the files are read: a file written meanwhile counts as
  // changed at the next check and is read again.
  g_settingsAsRead = CurrentSettingsTexts();
  ReadMainSettings();
  foundation::ReadWSPrefs("", "", foundation::kWSPrefsTemplate);
  foundation::ReadStorePrefs(foundation::StoreSettingsFile());
  ConfigurationChecked = true;
}

void ReadChangedSettings(const std::string& tag) {
  if (SettingsCurrent()) return;
  ConfigurationChecked = false;
  try {
    if (BothSettingsFilesExist()) {
      ReadSettings();
    } else if (AnySettingsFileExists()) {
      // Setup is unfinished, which the road's settings check reports unless
      // the plug-in is switched off. Whether it is stands in the main
      // settings (none when that file is missing), which the invoice road
      // reads with either file: read them alone, so a switched-off plug-in
      // is silent on every road. The settings stay unchecked.
      ReadMainSettings();
    }
  } catch (const std::exception& e) {
    KWLog(0, tag + " while reading the settings: " + e.what(), foundation::kLevelError, tag);
  }
}

bool CheckBothSettingsFiles(const std::string& tag) {
  if (SettingsCurrent()) return true;
  ConfigurationChecked = false;
  if (!BothSettingsFilesExist()) {
    ShowPluginMessage("Setup has not been done.", tag);
    return false;
  }
  ReadSettings();
  return true;
}

void PrintSwitchedOffSale(IPluginAdapter& adapter, int32_t tendersBO, const std::string& tag) {
  receipt::TransControl& c = FTransControl;
  c.PrintingPaper = c.PrintPaper = true;
  c.HasCardTender = receipt::InvoiceHasTenderType2(adapter, tendersBO);
  c.PrintingEFT = c.HasCardTender;
  c.CardSlipsPrinted = 0;
  c.PrintEFT = foundation::WSPrefs.DefaultEFTReceiptPrintingOn;
  KWLog(9,
        "Switched off: " + std::to_string(c.CardTenders) + " card slip(s) print " +
            (c.PrintEFT ? "True" : "False") + ", paper prints",
        foundation::kLevelDebug, tag);
}

void ShowFailedOutcome() {
  dialogs::VeskFail();
  FTransControl.PrintPaper = FTransControl.PrintEFT = true;
  FTransControl.PrintVeskMessage = false;
}

TDigitalReceiptProcessor::TDigitalReceiptProcessor(IPluginAdapter* adapter) : FAdapter(adapter) {}

IPluginAdapter& TDigitalReceiptProcessor::Adapter() {
  if (!FAdapter) throw std::runtime_error("The receipt processor has no host adapter");
  return *FAdapter;
}

bool TDigitalReceiptProcessor::ProcessUnpostedInvoice() {
  const char* routine = "ProcessUnpostedInvoice";
  Trace trace(routine);
  try {
    if (!SystemPreferencesLogged) {
      hostplugin::LogSystemPrefs(kStepLevel, Adapter());
      SystemPreferencesLogged = true;
    }
    WindowDisplayed = false;
    receipt::ResetTransControl();
    // Each sale decides afresh: an invoice that cannot be processed must not
    // inherit the pop-up (and the send after the save) of the sale before it.
    fOkToPop = false;
    if (InitializeEnvironment()) {
      const int32_t held = GetBOFieldInt(Adapter(), intInvcBO, "Held");
      const std::string number = GetBOFieldValue(Adapter(), intInvcBO, "Invoice Number");
      FTransControl.HasCardTender = receipt::InvoiceHasTenderType2(Adapter(), intTenderBO);
      FTransControl.PrintingEFT = FTransControl.HasCardTender;
      fOkToPop = held == 1 && number != "0";
      Step("Held = " + std::to_string(held) + ", Invoice Number = " + number, routine);
      Dump("fOkToPop", fOkToPop, routine);
      if (!foundation::MainPrefs.Disable && fOkToPop) {
        PopupFlag flag(true);
        WindowDisplayed = PopupWindow(true);
      }
    }
  } catch (const std::exception& e) {
    LogFailure(routine, e);
  }
  return true;
}

bool TDigitalReceiptProcessor::InitializeEnvironment() {
  const char* routine = "InitializeEnvironment";
  Trace trace(routine);
  try {
    FCustomerModified = false;
    FUpdateCustomer = true;
    // Paper is armed before the database is reached: a sale that cannot be
    // processed sends no digital receipt, so its paper receipt prints, and so
    // does its card slip (no slip pending: the paper decision answers it).
    receipt::TransControl& c = FTransControl;
    c.PrintingPaper = true;
    c.PrintPaper = true;
    c.PrintingEFT = false;
    c.PrintEFT = false;
    c.ReceiptID.clear();
    c.ReceiptIDInvoiceSid.clear();
    c.PrintVeskMessagePrint = false;
    Dump("PrintingPaper", c.PrintingPaper, routine);
    Dump("PrintPaper", c.PrintPaper, routine);
    Dump("PrintingEFT", c.PrintingEFT, routine);
    Dump("PrintEFT", c.PrintEFT, routine);
    Dump("PrintVeskMessagePrint", c.PrintVeskMessagePrint, routine);
    Dump("DefaultEFTReceiptPrintingOn", foundation::WSPrefs.DefaultEFTReceiptPrintingOn, routine);
    if (!ConnectHostDatabase(Tag(routine))) return false;
    const int32_t type = GetBOFieldInt(Adapter(), intInvcBO, "Invoice Type");
    const int32_t status = GetBOFieldInt(Adapter(), intInvcBO, "Status");
    Step("Invoice Type = " + std::to_string(type) + ", Status = " + std::to_string(status),
         routine);
    const auto zeroOrTwo = [](int32_t v) { return v == 0 || v == 2; };
    if (zeroOrTwo(status) && zeroOrTwo(type) && CheckConfiguration()) {
      CheckBOHandles();
      return true;
    }
  } catch (const std::exception& e) {
    LogFailure(routine, e);
  }
  return false;
}

bool TDigitalReceiptProcessor::CheckConfiguration() {
  const char* routine = "CheckConfiguration";
  Trace trace(routine);
  try {
    if (SettingsCurrent()) return true;
    ConfigurationChecked = false;
    namespace fs = std::filesystem;
    if (!fs::exists(foundation::kRelativeMainSettingsFile) &&
        !fs::exists(foundation::kRelativeStoreSettingsFile)) {
      ShowMessage("Setup has not been done.", routine);
      return false;
    }
    ReadSettings();
    Step("Settings read", routine);
    return true;
  } catch (const std::exception& e) {
    LogFailure(routine, e);
  }
  return false;
}

void TDigitalReceiptProcessor::CheckBOHandles() {
  const char* routine = "CheckBOHandles";
  Trace trace(routine);
  try {
    IPluginAdapter& adapter = Adapter();
    foundation::MainPrefs.SBS = GetBOFieldValue(adapter, intInvcBO, "Subsidiary Number");
    if (intCustBO == kNotObtained)
      intCustBO = Create(adapter, kBOKindCustomer, "a customer object");
    IncludeCustomerAttributes(adapter, intCustBO, FCustomerIncludes);
    // The customer is looked for in the document's subsidiary.
    OpenCustomersOfSubsidiary(adapter, intCustBO, foundation::MainPrefs.SBS, FCustSbsFilter);
    if (intItemsBO == kNotObtained) intItemsBO = Child(adapter, intInvcBO, "items");
    if (!IsActive(adapter, intItemsBO)) Open(adapter, intItemsBO);
    if (intItemRefBO == kNotObtained) intItemRefBO = Child(adapter, intItemsBO, "Item Ref");
    if (intTenderBO == kNotObtained) intTenderBO = Child(adapter, intInvcBO, "tenders");
    if (!IsActive(adapter, intTenderBO)) Open(adapter, intTenderBO);
  } catch (const std::exception& e) {
    LogFailure(routine, e);
  }
}

bool TDigitalReceiptProcessor::PopupWindow(bool inBefore) {
  const char* routine = "PopupWindow";
  Trace trace(routine);
  bool result = false;
  try {
    fAuth.QuenlosCardNumber.clear();
    fAuth.LoyaltyCardNumber.clear();
    fAuth.MerchantID.clear();
    FCustomer = {};
    FBillToCustSid = GetBOFieldValue(Adapter(), intInvcBO, kBillToCustSidAttr);
    Step("Bill To Cust Sid = [" + FBillToCustSid + "]", routine);
    if (!FBillToCustSid.empty()) ReadCustomerInformation();
    FTransControl.PrintVeskMessage = false;
    if (FTransControl.NoVesk) {
      Step("NoVesk is set: no dialog", routine);
      return false;
    }
    if (FTransControl.HaveBillTo) {
      if (fAuth.IsAuth && fAuth.DefaultQuenlo) {
        Step("Authenticated, digital by default: no dialog", routine);
        FTransControl.DigitalWanted = true;
        FTransControl.PrintPaper = false;
      } else if (fAuth.IsAuth && !WindowDisplayed) {
        result = DialogStep(inBefore);
      } else if (!fAuth.IsAuth && !WindowDisplayed) {
        result = DialogStep(inBefore);
      }
      if (!FTransControl.VeskCancelled) SaveCustomerIfNeeded();
    } else if (!WindowDisplayed) {
      result = DialogStep(inBefore);
    }
    if (!FTransControl.VeskCancelled && fAuthCustomer && FTransControl.EmailChanged) {
      Step("E-mail changed: authenticating again", routine);
      receipt::ReAuthCustomer();
    }
  } catch (const std::exception& e) {
    LogFailure(routine, e);
    ShowMessage(std::string("ReceiptOUEx: ") + e.what(), routine);
  }
  return result;
}

bool TDigitalReceiptProcessor::DialogStep(bool inBefore) {
  if (fResend) {
    FTransControl.VeskCancelled =
        !dialogs::ResendEmail(FAdapter.Get(), kDialogCustSidAttr, intCustBO);
    // A resend writes the address to the customer only when the cashier
    // ticked "Update customer record", whichever way the customer was read.
    FUpdateCustomer = FTransControl.UpdateCustomer;
  } else {
    dialogs::AskVeskNotValidated(FAdapter.Get(), kDialogCustSidAttr, intCustBO, inBefore);
  }
  FCustomerModified = fAuth.StoredEmail != fAuth.EmailAddress;
  // The receipt names the address it goes to.
  if (FTransControl.EmailChanged) FCustomer.Email = fAuth.EmailAddress;
  Dump("FCustomerModified", FCustomerModified, "PopupWindow");
  return true;
}

int32_t TDigitalReceiptProcessor::FilterOnCustSid() {
  return SetFilter(Adapter(), intCustBO, "Cust Sid", FBillToCustSid);
}

void TDigitalReceiptProcessor::ReadCustomerInformation() {
  const char* routine = "ReadCustomerInformation";
  Trace trace(routine);
  dialogs::TInfoBox box("Reading customer information for sid [" + FBillToCustSid + "]...");
  try {
    IPluginAdapter& adapter = Adapter();
    int32_t status = FilterOnCustSid();
    if (status == 0) {
      Step("Filter answered 0: closing, filtering and opening again", routine);
      ClearFilter(adapter, intCustBO, "Cust Sid");
      int32_t closed = 0;
      Checked(adapter.BOClose(intCustBO, &closed), closed, "close the customer object");
      status = FilterOnCustSid();
      Open(adapter, intCustBO);
    }
    if (status == kAdapterSuccess) {
      if (ReadBillToRecord(adapter, intCustBO, FBillToCustSid, FCustomer, Tag(routine)) &&
          fAuthCustomer && CustomerReachable()) {
        box.Close();
        receipt::AuthBillToCustomer();
      }
    } else {
      ShowMessage("Unable to locate Bill To Customer.", routine);
    }
  } catch (const std::exception& e) {
    LogFailure(routine, e);
  }
  if (FAdapter) ClearCustSidFilter(*FAdapter, intCustBO, Tag(routine));
}

void TDigitalReceiptProcessor::SaveCustomerIfNeeded() {
  const char* routine = "SaveCustomerIfNeeded";
  Trace trace(routine);
  if (!foundation::MainPrefs.SaveEmail || !FUpdateCustomer || !FCustomerModified) return;
  dialogs::TInfoBox box("Saving customer...");
  try {
    SaveCustomerEmail(Adapter(), intCustBO, FBillToCustSid, Tag(routine));
  } catch (const std::exception& e) {
    LogFailure(routine, e);
  }
}

bool TDigitalReceiptProcessor::ProcessPostedInvoice(const std::string& expectedInvoiceSid) {
  const char* routine = "ProcessPostedInvoice";
  Trace trace(routine);
  bool sameInvoice = true;
  try {
    const receipt::TransControl& c = FTransControl;
    Dump("MainPrefs.Disable", foundation::MainPrefs.Disable, routine);
    Dump("WindowDisplayed", WindowDisplayed, routine);
    Dump("fOkToPop", fOkToPop, routine);
    Dump("EnableLoyaltyTracking", foundation::MainPrefs.EnableLoyaltyTracking, routine);
    Dump("VeskCancelled", c.VeskCancelled, routine);
    Dump("NoVesk", c.NoVesk, routine);
    Step("Handles: invoice " + std::to_string(intInvcBO) + ", customer " +
             std::to_string(intCustBO) + ", items " + std::to_string(intItemsBO) + ", item ref " +
             std::to_string(intItemRefBO) + ", tenders " + std::to_string(intTenderBO),
         routine);
    Dump("fAuthCustomer", fAuthCustomer, routine);
    Dump("fResend", fResend, routine);
    if (foundation::MainPrefs.Disable) {
      PrintAsTheTill(routine);
    } else {
      if (!WindowDisplayed) {
        if (!fOkToPop) {
          // The sale did not qualify: nothing is sent.
          PrintAsTheTill(routine);
          receipt::ResetAuth();
          receipt::ResetReceipt();
          return true;
        }
        PopupFlag flag(foundation::MainPrefs.EnableLoyaltyTracking);
        PopupWindow(false);
      }
      if (!FTransControl.VeskCancelled) {
        sameInvoice = SendWithOutcome(expectedInvoiceSid);
        if (sameInvoice) {
          FTransControl.ReceiptID = fAuth.CustID;
          FTransControl.ReceiptIDInvoiceSid =
              GetBOFieldValue(Adapter(), intInvcBO, kInvoiceSidAttr);
          FTransControl.PrintVeskMessagePrint = FTransControl.PrintVeskMessage;
          Step("Receipt ID = [" + FTransControl.ReceiptID + "]", routine);
          Dump("PrintVeskMessagePrint", FTransControl.PrintVeskMessagePrint, routine);
        }
      }
    }
  } catch (const std::exception& e) {
    LogFailure(routine, e);
  }
  WindowDisplayed = false;
  receipt::ResetAuth();
  receipt::ResetReceipt();
  return sameInvoice;
}

void TDigitalReceiptProcessor::PrintAsTheTill(const char* routine) {
  // The paper receipt is armed already; the card slip of a card sale prints
  // as the workstation's default for card receipts says, as it does when the
  // customer chooses paper only.
  FTransControl.PrintEFT = foundation::WSPrefs.DefaultEFTReceiptPrintingOn;
  Dump("Nothing sent: PrintEFT", FTransControl.PrintEFT, routine);
}

void TDigitalReceiptProcessor::LoadSale(int32_t invoiceBO, int32_t itemsBO, int32_t itemRefBO,
                                        int32_t tendersBO, int32_t customerBO,
                                        const receipt::TCapturedCustomer& customer) {
  intInvcBO = invoiceBO;
  intItemsBO = itemsBO;
  intItemRefBO = itemRefBO;
  intTenderBO = tendersBO;
  intCustBO = customerBO;
  FCustomer = customer;
}

bool TDigitalReceiptProcessor::SendWithOutcome(const std::string& expectedInvoiceSid) {
  if (FTransControl.NoVesk) {
    ShowFailedOutcome();
    return true;
  }
  if (!SendPostedDocument(expectedInvoiceSid)) return false;
  ShowOutcome();
  return true;
}

bool TDigitalReceiptProcessor::SendPostedDocument(const std::string& expectedInvoiceSid) {
  const char* routine = "ProcessPostedInvoice";
  receipt::TransControl& c = FTransControl;
  fAuth.DefaultQuenlo = c.DigitalWanted;
  // Only a request written by this send counts as queued.
  c.RequestQueued = false;
  bool merchantMissing = false;
  {
    struct ProgressWindow {
      ProgressWindow() { receipt::ShowNM(receipt::kProgressCaption, receipt::kSendingText); }
      ~ProgressWindow() { receipt::CloseNM(); }
    } progress;
    try {
      std::unique_ptr<receipt::TInvoiceContainer> invoice;
      try {
        invoice =
            receipt::ExtractDocument(Adapter(), intInvcBO, intItemsBO, intItemRefBO, intTenderBO,
                                     intCustBO, FCustomer, fResend, expectedInvoiceSid);
      } catch (const receipt::EExtractAssertion& e) {
        if (expectedInvoiceSid.empty()) throw;
        KWLog(0, std::string("Not the expected invoice: ") + e.what(), foundation::kLevelWarning,
              Tag(routine));
        return false;
      }
      receipt::PrepareDigitalReceipt(*invoice, fResend);
      // A failed preparation has set NoVesk and ends the send here.
      if (c.NoVesk) return true;
      c.DigitalSendExDesc.clear();
      std::string response;
      receipt::SendDigitalReceipt(receipt::ConstructMessage(*invoice), response);
      if (c.CommError) {
        c.NoVesk = true;
      } else if (c.QueueDueToCommsFailure) {
        KWLog(1,
              "An error was detected during transmission.  Queuing message, skipping parse of "
              "response, and disabling Vesk",
              foundation::kLevelWarning, Tag(routine));
      } else if (!receipt::ParseSendResponse(response)) {
        c.NoVesk = true;
        merchantMissing = c.DigitalSendExDesc == kMerchantNotFound;
      }
    } catch (const std::exception& e) {
      LogFailure(routine, e);
      c.NoVesk = true;
    }
  }
  // Shown once the progress window is gone, so the warning is the window in
  // front.
  if (merchantMissing) hostplugin::ShowModalMessageBox(kMerchantWarning);
  return true;
}

void TDigitalReceiptProcessor::ShowOutcome() {
  receipt::TransControl& c = FTransControl;
  Dump("RequestQueued", c.RequestQueued, "ProcessPostedInvoice");
  Dump("DigitalSendOK", c.DigitalSendOK, "ProcessPostedInvoice");
  if (c.RequestQueued) {
    // The receipt waits in the queue and will be delivered; paper stays as
    // the dialog step left it, and so does the card slip of a paper-only
    // receipt, as when it is sent. A receipt by e-mail would have shown the
    // sent notice, whose card-slip box the workstation's default fills; the
    // queued notice has no such box, so the slip follows that default.
    dialogs::VeskQueued();
    if (c.HasCardTender && c.DigitalWanted) {
      c.PrintEFT = foundation::WSPrefs.DefaultEFTReceiptPrintingOn;
      if (c.PrintEFT) c.PrintingEFT = true;
      Dump("Queued: PrintEFT", c.PrintEFT, "ProcessPostedInvoice");
    }
  } else if (c.QueueDueToCommsFailure || c.NoVesk || !c.DigitalSendOK) {
    // Flagged for the queue but not written there counts as failed.
    ShowFailedOutcome();
  } else if (c.DigitalWanted) {
    dialogs::veskSuccess();
  } else if (c.PrintPaper) {
    c.PrintVeskMessage = !fAuth.CustID.empty() && fAuth.IsTemp;
  }
}

}  // namespace plugins
