#include "plugins/vk9_sosb.h"

#include <exception>

#include "dialogs/email_capture_dialog.h"
#include "dialogs/receipt_choice_dialog.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "hostplugin/bo_fields.h"
#include "hostplugin/message_box.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "plugins/adapter_calls.h"
#include "plugins/bill_to_customer.h"
#include "plugins/sale_object_includes.h"
#include "receipt/host_data_module.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"

namespace plugins {

namespace {

constexpr const char* kTag = "Tvk9SOSB.HandleBOUIEvent";
constexpr const char* kSubscribed = ".SALERECORDED.RETURNRECORDED.";
constexpr const char* kInvoiceSid = "Invoice SID";

void Step(const std::string& text) {
  foundation::KWLog(9, text, foundation::kLevelDebug, kTag);
}

}  // namespace

void Tvk9SOSB::Initialize() {
  TCustomSideButtonPlugin::Initialize();
  FHistoryBO = -1;
  FCustomerBO = -1;
  FInvoiceBO = -1;
  FItemsBO = -1;
  FItemRefBO = -1;
  FTendersBO = -1;
  FDescription = "veskRcptSOSB";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9SOSB;
  FBOKind = kBOKindSalesOrder;
  FCaption = "None";
  FHint = "None";
  FBitmapFile.clear();
  FFourthText.clear();
  receipt::FTransControl.PrintPaper = true;
}

bool Tvk9SOSB::HandleEventImpl() {
  return false;
}

bool Tvk9SOSB::PrepareImpl() {
  const bool result = TCustomSideButtonPlugin::PrepareImpl();
  FProcessor = std::make_unique<TDigitalReceiptProcessor>(FAdapter.Get());
  return result;
}

void Tvk9SOSB::CleanUpImpl() {
  FProcessor.reset();
  receipt::FreeDataModule();
  TCustomSideButtonPlugin::CleanUpImpl();
}

Variant Tvk9SOSB::Get_BOUIEventsImpl() {
  BStr events(kSubscribed);
  return SingleElementArray(VT_BSTR, 0, events.Get());
}

bool Tvk9SOSB::HandleBOUIEventImpl(int32_t, const std::string& AEventType, const VARIANT&,
                                   VARIANT& AReturnValues, WordBool& AHandled) {
  try {
    int32_t answer = 2;
    Variant values = SingleElementArray(VT_I4, 1, &answer);
    VariantClear(&AReturnValues);
    AReturnValues = values.Detach();
    AHandled = 0;
    if (AEventType != "SALERECORDED" && AEventType != "RETURNRECORDED") return true;
    // The recorded invoice prints after this event: until the sale decides
    // otherwise, its paper receipt and card slip print.
    receipt::ResetPrintDecision();
    // Whether the plug-in is switched off is told by the settings as the
    // files hold them now: read again when this load has not read them or
    // they changed since.
    ReadChangedSettings(kTag);
    if (foundation::MainPrefs.Disable) {
      PrintSwitchedOff();
      return true;
    }
    try {
      RecordSale();
    } catch (const std::exception& e) {
      hostplugin::ShowModalMessageBox(std::string("RecordSaleEx: ") + e.what());
    }
    // Nothing of this event is left for a later one, even when the host
    // fails to clear the filter, but the print decision the host prints the
    // recorded invoice by.
    receipt::ResetAuth();
    receipt::ResetReceipt();
    receipt::ResetTransControlKeepingPrintDecision();
    if (FAdapter && FInvoiceBO >= 0) ClearFilter(*FAdapter, FInvoiceBO, kInvoiceSid);
  } catch (const std::exception& e) {
    hostplugin::ShowModalMessageBox(std::string("HandleBOUIEventEx: ") + e.what());
  }
  return true;
}

void Tvk9SOSB::RecordSale() {
  if (!FAdapter) throw std::runtime_error("The sales-order button has no host adapter");
  IPluginAdapter& adapter = *FAdapter;
  if (!ConnectHostDatabase(kTag)) return;
  receipt::TransControl& c = receipt::FTransControl;
  c.PrintPaper = true;
  c.PrintEFT = false;
  c.PrintVeskMessage = false;
  foundation::MainPrefs.SBS = hostplugin::GetBOFieldValue(adapter, 0, "sbs no");

  if (FHistoryBO == -1) FHistoryBO = Child(adapter, 0, "history");
  if (FHistoryBO < 0) {
    hostplugin::ShowModalMessageBox("Unable to acquire SO Hist BO handle");
  } else if (!IsActive(adapter, FHistoryBO)) {
    Open(adapter, FHistoryBO);
  }
  if (FCustomerBO == -1) FCustomerBO = Create(adapter, kBOKindCustomer, "a customer");
  IncludeCustomerAttributes(adapter, FCustomerBO, FCustomerIncludes);
  OpenCustomersOfSubsidiary(adapter, FCustomerBO, foundation::MainPrefs.SBS, FCustSbsFilter);
  OpenInvoiceObject(adapter);

  if (!CheckBothSettingsFiles(kTag)) return;
  receipt::ResetTransControl();
  receipt::ResetPrintDecision();
  receipt::fAuth.QuenlosCardNumber.clear();

  std::string invoiceSid;
  if (!LoadRecordedInvoice(adapter, invoiceSid)) {
    // Only the recorded invoice is ever sent: the cashier sees the failed
    // notice, and paper and card slip print.
    ShowFailedOutcome();
    return;
  }
  OpenInvoiceChildren(adapter);
  // A card sale's slip is pending: it prints as the receipt's outcome decides.
  c.HasCardTender = receipt::InvoiceHasTenderType2(adapter, FTendersBO);
  c.PrintingEFT = c.HasCardTender;

  FCustomer = {};
  const std::string custSid = hostplugin::GetBOFieldValue(adapter, FInvoiceBO, "Bill To Cust Sid");
  Step("Bill To Cust Sid = [" + custSid + "]");
  if (!custSid.empty()) ReadAndAuthenticateCustomer(adapter, FCustomerBO, custSid, FCustomer, kTag);
  if (!c.NoVesk) AskCustomer(adapter, custSid);

  if (FProcessor == nullptr) throw std::runtime_error("The sales-order button was not prepared");
  TDigitalReceiptProcessor& p = *FProcessor;
  p.LoadSale(FInvoiceBO, FItemsBO, FItemRefBO, FTendersBO, FCustomerBO, FCustomer);
  p.WindowDisplayed = true;
  p.fOkToPop = true;
  if (!p.ProcessPostedInvoice(invoiceSid)) ShowFailedOutcome();
}

void Tvk9SOSB::PrintSwitchedOff() {
  try {
    if (!FAdapter) return;
    IPluginAdapter& adapter = *FAdapter;
    foundation::MainPrefs.SBS = hostplugin::GetBOFieldValue(adapter, 0, "sbs no");
    if (FHistoryBO == -1) FHistoryBO = Child(adapter, 0, "history");
    if (FHistoryBO < 0) return;
    if (!IsActive(adapter, FHistoryBO)) Open(adapter, FHistoryBO);
    OpenInvoiceObject(adapter);
    std::string invoiceSid;
    if (LoadRecordedInvoice(adapter, invoiceSid)) {
      OpenInvoiceChildren(adapter);
      PrintSwitchedOffSale(adapter, FTendersBO, kTag);
    }
    ClearFilter(adapter, FInvoiceBO, kInvoiceSid);
  } catch (const std::exception& e) {
    // The print decision stays as armed: everything prints.
    foundation::KWLog(
        0, std::string(kTag) + " while reading the switched-off sale's tenders: " + e.what(),
        foundation::kLevelError, kTag);
  }
}

void Tvk9SOSB::OpenInvoiceObject(IPluginAdapter& adapter) {
  if (FInvoiceBO == -1) {
    FInvoiceBO = Create(adapter, kBOKindInvoice, "an invoice");
    FItemsBO = Child(adapter, FInvoiceBO, "items");
    IncludeInvoiceAttributes(adapter, FInvoiceBO, FItemsBO);
  }
  if (!IsActive(adapter, FInvoiceBO)) Open(adapter, FInvoiceBO);
  SetFilter(adapter, FInvoiceBO, "Subsidiary Number", foundation::MainPrefs.SBS);
}

void Tvk9SOSB::OpenInvoiceChildren(IPluginAdapter& adapter) {
  if (FItemsBO == -1) FItemsBO = Child(adapter, FInvoiceBO, "items");
  if (FItemRefBO == -1) FItemRefBO = Child(adapter, FItemsBO, "Item Ref");
  if (FTendersBO == -1) FTendersBO = Child(adapter, FInvoiceBO, "tenders");
  if (!IsActive(adapter, FItemsBO)) Open(adapter, FItemsBO);
  if (!IsActive(adapter, FTendersBO)) Open(adapter, FTendersBO);
}

bool Tvk9SOSB::LoadRecordedInvoice(IPluginAdapter& adapter, std::string& invoiceSid) {
  if (FHistoryBO >= 0) {
    Variant nothing;
    int32_t status = 0;
    Checked(adapter.BOOperation95(FHistoryBO, &nothing.Get(), &status), status,
            "prepare the sales order's history");
    invoiceSid = hostplugin::GetBOFieldValue(adapter, FHistoryBO, "Invoice Sid");
  }
  const int32_t status = SetFilter(adapter, FInvoiceBO, kInvoiceSid, invoiceSid);
  const std::string loaded = hostplugin::GetBOFieldValue(adapter, FInvoiceBO, kInvoiceSid);
  if (status == kAdapterSuccess && !invoiceSid.empty() && loaded == invoiceSid) return true;
  foundation::KWLog(0,
                    "The recorded invoice [" + invoiceSid + "] was not loaded (filter status " +
                        std::to_string(status) + ", invoice [" + loaded + "])",
                    foundation::kLevelWarning, kTag);
  return false;
}

void Tvk9SOSB::AskCustomer(IPluginAdapter& adapter, const std::string& custSid) {
  // The dialog works on the invoice's bill-to customer, who pays and was
  // read above, not on the customer the sales order names: the choices the
  // cashier changes are the payer's.
  receipt::TransControl& c = receipt::FTransControl;
  const receipt::AuthRec& auth = receipt::fAuth;
  if (c.HaveBillTo) {
    if (auth.IsAuth && auth.DefaultQuenlo) {
      c.DigitalWanted = true;
      c.PrintPaper = false;
    } else if (auth.IsAuth) {
      dialogs::AskVeskValidated();
    } else {
      dialogs::AskVeskNotValidated(FAdapter.Get(), "Cust Sid", FCustomerBO, true, custSid);
      if (foundation::MainPrefs.SaveEmail && auth.StoredEmail != auth.EmailAddress) {
        SaveCustomerEmail(adapter, FCustomerBO, custSid, kTag);
      }
    }
  } else {
    dialogs::AskVeskNotValidated(FAdapter.Get(), "Cust Sid", FCustomerBO, true, custSid);
  }
  // The receipt names the address it goes to.
  if (c.EmailChanged) {
    FCustomer.Email = auth.EmailAddress;
    receipt::ReAuthCustomer();
  }
}

}  // namespace plugins
