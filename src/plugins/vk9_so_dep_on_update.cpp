#include "plugins/vk9_so_dep_on_update.h"

#include "hostplugin/plugin_class_table.h"
#include "receipt/host_data_module.h"

namespace plugins {

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
  receipt::FreeDataModule();
  TCustomEntityUpdatePlugin::CleanUpImpl();
}

}  // namespace plugins
