#include "plugins/vk9_sosb.h"

#include "hostplugin/plugin_class_table.h"
#include "receipt/host_data_module.h"

namespace plugins {

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
}

void Tvk9SOSB::CleanUpImpl() {
  receipt::FreeDataModule();
  TCustomSideButtonPlugin::CleanUpImpl();
}

}  // namespace plugins
