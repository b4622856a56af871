#include "plugins/vk9_rcpt_on_update.h"

#include "foundation/log.h"
#include "hostplugin/message_box.h"
#include "hostplugin/plugin_class_table.h"
#include "receipt/host_data_module.h"
#include "receipt/records.h"

namespace plugins {

namespace {

constexpr const char* kBeforeTag = "Tvk9RcptOnUpdate.DoBeforeUpdate";
constexpr const char* kAfterTag = "Tvk9RcptOnUpdate.DoAfterUpdate";

}  // namespace

void ShowPendingMessage() {
  const receipt::TransControl& c = receipt::FTransControl;
  if (!c.DigitalSendOK && !c.DigitalSendExDesc.empty()) {
    hostplugin::ShowModalMessageBox(c.DigitalSendExDesc);
  }
}

void Tvk9RcptOnUpdate::Initialize() {
  TCustomEntityUpdatePlugin::Initialize();
  FDescription = "VeskRcptOU";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9RcptOnUpdate;
  FBOKind = kBOKindInvoice;
  FPriority = ppNormal;
}

bool Tvk9RcptOnUpdate::PrepareImpl() {
  FProcessor = std::make_unique<TDigitalReceiptProcessor>(FAdapter.Get());
  return true;
}

void Tvk9RcptOnUpdate::CleanUpImpl() {
  FProcessor.reset();
  receipt::FreeDataModule();
  TCustomEntityUpdatePlugin::CleanUpImpl();
}

bool Tvk9RcptOnUpdate::BeforeUpdateImpl() {
  ConfigurationChecked = false;
  return DoBeforeUpdate();
}

bool Tvk9RcptOnUpdate::DoBeforeUpdate() {
  foundation::LogEnter(7, kBeforeTag);
  receipt::ResetAuth();
  receipt::ResetReceipt();
  // Without a processor (never prepared) there is nothing to do; the save
  // still goes on.
  const bool result = FProcessor == nullptr || FProcessor->ProcessUnpostedInvoice();
  ShowPendingMessage();
  foundation::LogExit(7, kBeforeTag);
  return result;
}

void Tvk9RcptOnUpdate::DoAfterUpdate() {
  foundation::LogEnter(7, kAfterTag);
  if (FProcessor != nullptr) FProcessor->ProcessPostedInvoice();
  ShowPendingMessage();
  foundation::LogExit(7, kAfterTag);
}

}  // namespace plugins
