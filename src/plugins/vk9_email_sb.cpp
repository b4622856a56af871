#include "plugins/vk9_email_sb.h"

#include "hostplugin/plugin_class_table.h"
#include "receipt/host_data_module.h"

namespace plugins {

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

void Tvk9EmailSB::CleanUpImpl() {
  receipt::FreeDataModule();
  TCustomSideButtonPlugin::CleanUpImpl();
}

}  // namespace plugins
