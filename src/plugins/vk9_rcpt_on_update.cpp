#include "plugins/vk9_rcpt_on_update.h"

#include "hostplugin/plugin_class_table.h"
#include "receipt/host_data_module.h"

namespace plugins {

void Tvk9RcptOnUpdate::Initialize() {
  TCustomEntityUpdatePlugin::Initialize();
  FDescription = "VeskRcptOU";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9RcptOnUpdate;
  FBOKind = kBOKindInvoice;
  FPriority = ppNormal;
}

void Tvk9RcptOnUpdate::CleanUpImpl() {
  receipt::FreeDataModule();
  TCustomEntityUpdatePlugin::CleanUpImpl();
}

}  // namespace plugins
