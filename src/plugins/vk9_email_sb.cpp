#include "plugins/vk9_email_sb.h"

#include "dialogs/info_box.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "hostplugin/bo_fields.h"
#include "hostplugin/plugin_class_table.h"
#include "plugins/adapter_calls.h"
#include "plugins/sale_object_includes.h"
#include "plugins/vk9_rcpt_on_update.h"
#include "receipt/host_data_module.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"

namespace plugins {

namespace {

constexpr const char* kTag = "Tvk9EmailSB.HandleEvent";
constexpr const char* kPrepareTag = "Tvk9EmailSB.Prepare";

void LogError(const std::string& text, const char* tag) {
  foundation::KWLog(0, text, foundation::kLevelError, tag);
}

// A failed filter is logged; the press goes on only with the chosen invoice.
bool Filtered(int32_t status) {
  if (status == kAdapterSuccess) return true;
  LogError("BOSetFilterAttr call failed, rstat=[" + std::to_string(status) + "]", kTag);
  return false;
}

}  // namespace

void Tvk9EmailSB::Initialize() {
  TCustomSideButtonPlugin::Initialize();
  FDescription = "Norvane Email Sidebutton";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9EmailSB;
  FBOKind = kBOKindInvoice;
  FCaption = "Email Receipt";
  FHint = "Transmit a digital receipt for the current invoice";
  FBitmapFile = "veskEmail.bmp";
  FFourthText.clear();
  FInvoiceBO = -1;
  FItemsBO = -1;
  FTendersBO = -1;
  FSbsFilter.clear();
}

bool Tvk9EmailSB::PrepareImpl() {
  const bool result = TCustomSideButtonPlugin::PrepareImpl();
  if (!FAdapter) return result;
  IPluginAdapter& adapter = *FAdapter;
  int32_t handle = -1;
  int32_t status = 0;
  Checked(adapter.BOCreate(kBOKindInvoice, &handle, &status), status, "create an invoice");
  if (handle < 0) {
    LogError("Invoice BO could not be created -- error #" + std::to_string(handle), kPrepareTag);
    return result;
  }
  FInvoiceBO = handle;
  Include(adapter, FInvoiceBO, "Items");
  Include(adapter, FInvoiceBO, "Tenders");
  FItemsBO = Child(adapter, FInvoiceBO, "Items");
  FTendersBO = Child(adapter, FInvoiceBO, "Tenders");
  IncludeInvoiceAttributes(adapter, FInvoiceBO, FItemsBO);
  FProcessor = std::make_unique<TDigitalReceiptProcessor>(FAdapter.Get());
  FProcessor->intInvcBO = FInvoiceBO;
  FProcessor->intItemsBO = FItemsBO;
  FProcessor->intTenderBO = FTendersBO;
  return result;
}

void Tvk9EmailSB::CleanUpImpl() {
  FProcessor.reset();
  receipt::FreeDataModule();
  TCustomSideButtonPlugin::CleanUpImpl();
}

bool Tvk9EmailSB::HandleBOUIEventImpl(int32_t, const std::string&, const VARIANT&, VARIANT&,
                                      WordBool& AHandled) {
  AHandled = 0;
  return false;
}

bool Tvk9EmailSB::HandleEventImpl() {
  try {
    ResendChosenInvoice();
  } catch (const std::exception& e) {
    LogError(std::string("Tvk9EmailSB.HandleEvent while ") + e.what(), kTag);
    ShowPluginMessage(std::string("Tvk9EmailSB: ") + e.what(), kTag);
  }
  return true;
}

void Tvk9EmailSB::ResendChosenInvoice() {
  if (!FAdapter) throw std::runtime_error("The e-mail button has no host adapter");
  IPluginAdapter& adapter = *FAdapter;
  if (!SystemPreferencesLogged) {
    hostplugin::LogSystemPrefs(9, adapter);
    SystemPreferencesLogged = true;
  }
  if (FProcessor != nullptr) {
    FProcessor->WindowDisplayed = false;
    FProcessor->fResend = true;
    FProcessor->fAuthCustomer = false;
  }
  receipt::ResetTransControl();
  if (FInvoiceBO < 0 || FProcessor == nullptr) {
    LogError(
        "Invoice BO could not be created during Prepare -- error #" + std::to_string(FInvoiceBO),
        kTag);
    return;
  }
  dialogs::TInfoBox info("Configuring invoice... please wait...");
  const std::string invoiceSid = hostplugin::GetBOFieldValue(adapter, 0, "Invoice SID");
  foundation::MainPrefs.SBS = hostplugin::GetBOFieldValue(adapter, 0, "Subsidiary Number");
  bool chosen =
      Filtered(SetFilter(adapter, FInvoiceBO, "Subsidiary Number", foundation::MainPrefs.SBS));
  FSbsFilter = foundation::MainPrefs.SBS;
  chosen = Filtered(SetFilter(adapter, FInvoiceBO, "Invoice SID", invoiceSid)) && chosen;
  if (!IsActive(adapter, FInvoiceBO)) Open(adapter, FInvoiceBO);
  const std::string loaded = hostplugin::GetBOFieldValue(adapter, FInvoiceBO, "Invoice SID");
  // Only the chosen invoice is sent: a filter the host did not apply, or an
  // object left on another record, ends the press with a message.
  const std::string notChosen =
      "Invoice " + invoiceSid + " chosen in the list could not be loaded, so no receipt was sent.";
  if (!chosen || loaded != invoiceSid) {
    LogError("Not the chosen invoice: " + invoiceSid + " chosen, " + loaded + " loaded", kTag);
    info.Close();
    ShowPluginMessage("Tvk9EmailSB: " + notChosen, kTag);
    return;
  }
  const int32_t held = hostplugin::GetBOFieldInt(adapter, FInvoiceBO, "Held");
  const std::string number = hostplugin::GetBOFieldValue(adapter, FInvoiceBO, "Invoice Number");
  if (!FProcessor->InitializeEnvironment()) {
    foundation::KWLog(0, "FProcessor.InitializeEnvironment call failed, aborting event",
                      foundation::kLevelWarning, kTag);
    return;
  }
  receipt::TransControl& c = receipt::FTransControl;
  c.HasCardTender = receipt::InvoiceHasTenderType2(adapter, FTendersBO);
  c.PrintingEFT = c.HasCardTender;
  FProcessor->fOkToPop = held == 0 && number != "0";
  info.Close();
  if (!FProcessor->ProcessPostedInvoice(invoiceSid)) {
    ShowPluginMessage("Tvk9EmailSB: " + notChosen, kTag);
    return;
  }
  ShowPendingMessage();
}

}  // namespace plugins
