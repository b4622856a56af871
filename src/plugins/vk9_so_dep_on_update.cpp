#include "plugins/vk9_so_dep_on_update.h"

#include <exception>

#include "dialogs/email_capture_dialog.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "hostplugin/bo_fields.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/com/bstr.h"
#include "plugins/adapter_calls.h"
#include "plugins/bill_to_customer.h"
#include "plugins/sale_object_includes.h"
#include "receipt/host_data_module.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"

namespace plugins {

namespace {

constexpr const char* kBeforeTag = "Tvk9SODepOnUpdate.BeforeUpdate";
constexpr const char* kTag = "Tvk9SODepOnUpdate.AfterUpdate";
constexpr const char* kInvoiceSid = "Invoice SID";
constexpr const char* kCustSid = "Cust Sid";

void Step(const std::string& text, const char* tag) {
  foundation::KWLog(9, text, foundation::kLevelDebug, tag);
}

void Warn(const std::string& text) {
  foundation::KWLog(0, text, foundation::kLevelWarning, kTag);
}

// The adapter's last error: code, message and function.
std::string LastError(IPluginAdapter& adapter) {
  int32_t code = 0;
  BStr message;
  BStr function;
  adapter.GetLastErrorCode(&code);
  adapter.GetLastErrorMessage(message.Put());
  adapter.GetLastErrorFunction(function.Put());
  return std::to_string(code) + " [" + message.ToUtf8() + "] in [" + function.ToUtf8() + "]";
}

// The deposit's "Invoice SID", logged with its "SO Sid".
std::string DepositInvoiceSid(IPluginAdapter& adapter, const char* tag) {
  const std::string soSid = hostplugin::GetBOFieldValue(adapter, 0, "SO Sid");
  const std::string invoiceSid = hostplugin::GetBOFieldValue(adapter, 0, kInvoiceSid);
  Step("SO Sid = [" + soSid + "], Invoice SID = [" + invoiceSid + "]", tag);
  return invoiceSid;
}

}  // namespace

void Tvk9SODepOnUpdate::Initialize() {
  TCustomEntityUpdatePlugin::Initialize();
  FSalesOrderBO = -1;
  FInvoiceBO = -1;
  FCustomerBO = -1;
  FTendersBO = -1;
  FDescription = "VeskRcptOU";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9SODepOnUpdate;
  FBOKind = kBOKindSODeposit;
}

void Tvk9SODepOnUpdate::CleanUpImpl() {
  FSender.reset();
  receipt::FreeDataModule();
  TCustomEntityUpdatePlugin::CleanUpImpl();
}

bool Tvk9SODepOnUpdate::BeforeUpdateImpl() {
  try {
    if (!FAdapter) throw std::runtime_error("The deposit plug-in has no host adapter");
    if (!SystemPreferencesLogged) {
      hostplugin::LogSystemPrefs(9, *FAdapter);
      SystemPreferencesLogged = true;
    }
    PrepareObjects(*FAdapter);
  } catch (const std::exception& e) {
    foundation::KWLog(0, std::string(kBeforeTag) + " while " + e.what(), foundation::kLevelError,
                      kBeforeTag);
  }
  return true;
}

void Tvk9SODepOnUpdate::PrepareObjects(IPluginAdapter& adapter) {
  foundation::MainPrefs.SBS = hostplugin::GetBOFieldValue(adapter, 0, "Sbs No");
  if (FSalesOrderBO == -1) FSalesOrderBO = Child(adapter, 0, "SO");
  if (!IsActive(adapter, FSalesOrderBO)) Open(adapter, FSalesOrderBO);
  const std::string invoiceSid = DepositInvoiceSid(adapter, kBeforeTag);
  if (FInvoiceBO == -1) {
    FInvoiceBO = Create(adapter, kBOKindInvoice, "an invoice");
    FItemsBO = Child(adapter, FInvoiceBO, "items");
    IncludeInvoiceAttributes(adapter, FInvoiceBO, FItemsBO);
  }
  SetFilter(adapter, FInvoiceBO, "Subsidiary Number", foundation::MainPrefs.SBS);
  if (!IsActive(adapter, FInvoiceBO)) Open(adapter, FInvoiceBO);
  const int32_t status = SetFilter(adapter, FInvoiceBO, kInvoiceSid, invoiceSid);
  Step("Invoice filter status = " + std::to_string(status), kBeforeTag);
}

void Tvk9SODepOnUpdate::AfterUpdateImpl() {
  // The deposit's invoice prints after this event: until the deposit decides
  // otherwise, its paper receipt and card slip print.
  receipt::ResetPrintDecision();
  // Whether the plug-in is switched off is told by the settings as the files
  // hold them now: read again when this load has not read them or they
  // changed since.
  ReadChangedSettings(kTag);
  if (foundation::MainPrefs.Disable) {
    PrintSwitchedOff();
    return;
  }
  try {
    if (!FAdapter) throw std::runtime_error("The deposit plug-in has no host adapter");
    SaveDeposit(*FAdapter);
  } catch (const std::exception& e) {
    foundation::KWLog(0, std::string(kTag) + " while " + e.what(), foundation::kLevelError, kTag);
    ShowPluginMessage(std::string("ReceiptOUEx: ") + e.what(), kTag);
  }
  try {
    if (FAdapter && FInvoiceBO >= 0) ClearFilter(*FAdapter, FInvoiceBO, kInvoiceSid);
  } catch (const std::exception& e) {
    foundation::KWLog(0, std::string(kTag) + " while " + e.what(), foundation::kLevelError, kTag);
  }
  // Nothing of this event is left for a later one but the print decision
  // the host prints the deposit's invoice by.
  receipt::ResetAuth();
  receipt::ResetReceipt();
  receipt::ResetTransControlKeepingPrintDecision();
}

void Tvk9SODepOnUpdate::PrintSwitchedOff() {
  try {
    if (!FAdapter) return;
    OpenTenders(*FAdapter);
    PrintSwitchedOffSale(*FAdapter, FTendersBO, kTag);
  } catch (const std::exception& e) {
    // The print decision stays as armed: everything prints.
    foundation::KWLog(
        0, std::string(kTag) + " while reading the switched-off deposit's tenders: " + e.what(),
        foundation::kLevelError, kTag);
  }
}

void Tvk9SODepOnUpdate::SaveDeposit(IPluginAdapter& adapter) {
  if (!ConnectHostDatabase(kTag)) return;
  receipt::TransControl& c = receipt::FTransControl;
  c.PrintPaper = true;
  c.PrintEFT = false;
  c.PrintVeskMessage = false;
  if (!CheckBothSettingsFiles(kTag)) return;
  receipt::ResetTransControl();
  receipt::ResetPrintDecision();
  const std::string invoiceSid = DepositInvoiceSid(adapter, kTag);
  if (FCustomerBO == -1) FCustomerBO = Create(adapter, kBOKindCustomer, "a customer");
  IncludeCustomerAttributes(adapter, FCustomerBO, FCustomerIncludes);
  SetFilter(adapter, FCustomerBO, "Sbs No", foundation::MainPrefs.SBS);
  if (!IsActive(adapter, FCustomerBO)) Open(adapter, FCustomerBO);
  if (!LoadDepositInvoice(adapter, invoiceSid)) {
    // Only the deposit's own invoice is ever sent: the cashier sees the
    // failed notice, and paper and card slip print.
    ShowFailedOutcome();
    return;
  }
  OpenTenders(adapter);

  FCustomer = {};
  const std::string custSid = FindCustomerSid(adapter, invoiceSid);
  if (!custSid.empty()) ReadAndAuthenticateCustomer(adapter, FCustomerBO, custSid, FCustomer, kTag);
  if (!c.NoVesk) {
    // The customer found above, wherever the deposit named him (on the
    // deposit, its sales order or its invoice), is the one the dialog shows
    // and stores the cashier's choices for.
    dialogs::AskVeskNotValidated(FAdapter.Get(), kCustSid, FCustomerBO, false, custSid);
    const receipt::AuthRec& auth = receipt::fAuth;
    if (c.HaveBillTo && foundation::MainPrefs.SaveEmail && auth.StoredEmail != auth.EmailAddress) {
      SaveCustomerEmail(adapter, FCustomerBO, custSid, kTag);
    }
    if (c.EmailChanged) {
      // The receipt names the address it goes to.
      FCustomer.Email = auth.EmailAddress;
      receipt::ReAuthCustomer();
    }
  }
  SendDepositReceipt(adapter, invoiceSid);
  if (c.HasCardTender) c.PrintingEFT = true;
  if (c.PrintPaper && !receipt::fDRcpt.DepositUsed) c.PrintVeskMessage = receipt::fAuth.IsTemp;
}

bool Tvk9SODepOnUpdate::LoadDepositInvoice(IPluginAdapter& adapter, const std::string& invoiceSid) {
  const int32_t status = SetFilter(adapter, FInvoiceBO, kInvoiceSid, invoiceSid);
  const std::string loaded = hostplugin::GetBOFieldValue(adapter, FInvoiceBO, kInvoiceSid);
  Step("Invoice filter status = " + std::to_string(status), kTag);
  if (status == kAdapterSuccess && !invoiceSid.empty() && loaded == invoiceSid) return true;
  Warn("The deposit invoice [" + invoiceSid + "] was not loaded (filter status " +
       std::to_string(status) + ", invoice [" + loaded + "])");
  return false;
}

void Tvk9SODepOnUpdate::OpenTenders(IPluginAdapter& adapter) {
  if (FTendersBO == -1) FTendersBO = Child(adapter, 0, "Tenders");
  if (!IsActive(adapter, FTendersBO)) {
    int32_t status = 0;
    Checked(adapter.BOOpen(FTendersBO, &status), status, "open the deposit's tenders");
    if (!IsActive(adapter, FTendersBO)) {
      Warn("Open operation failed, rstat = " + std::to_string(status));
      int32_t answer = 0;
      Checked(adapter.Operation125(&answer), answer, "answer the failed open");
    }
  }
  receipt::TransControl& c = receipt::FTransControl;
  c.HasCardTender = receipt::InvoiceHasTenderType2(adapter, FTendersBO);
}

std::string Tvk9SODepOnUpdate::FindCustomerSid(IPluginAdapter& adapter,
                                               const std::string& invoiceSid) {
  struct Place {
    int32_t bo;
    const char* name;
    bool asked;
  } places[] = {{0, "the deposit", true},
                {FSalesOrderBO, "the sales order", true},
                {FInvoiceBO, "the invoice", !invoiceSid.empty()},
                {FSalesOrderBO, "the sales order", true}};
  for (const Place& place : places) {
    if (!place.asked) continue;
    const std::string sid = hostplugin::GetBOFieldValue(adapter, place.bo, kCustSid);
    if (!sid.empty()) {
      Step("Customer SID [" + sid + "] from " + place.name, kTag);
      return sid;
    }
    Step(std::string("No customer SID on ") + place.name + ": " + LastError(adapter), kTag);
  }
  return {};
}

void Tvk9SODepOnUpdate::SendDepositReceipt(IPluginAdapter& adapter, const std::string& invoiceSid) {
  if (FSender == nullptr) FSender = std::make_unique<TDigitalReceiptProcessor>(&adapter);
  TDigitalReceiptProcessor& sender = *FSender;
  if (FItemsBO == -1) FItemsBO = Child(adapter, FInvoiceBO, "items");
  if (sender.intItemRefBO == -1) sender.intItemRefBO = Child(adapter, FItemsBO, "Item Ref");
  sender.LoadSale(FInvoiceBO, FItemsBO, sender.intItemRefBO, FTendersBO, FCustomerBO, FCustomer);
  if (!sender.SendWithOutcome(invoiceSid)) ShowFailedOutcome();
}

}  // namespace plugins
