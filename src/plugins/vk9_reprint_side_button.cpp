#include "plugins/vk9_reprint_side_button.h"

#include "hostplugin/plugin_class_table.h"

namespace plugins {

void Tvk9ReprintSideButton::Initialize() {
  TCustomSideButtonPlugin::Initialize();
  FDescription = "Quenlos Reprint Sidebutton";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9ReprintSideButton;
  FBOKind = kBOKindInvoice;
  FCaption = "vesk Print";
  FHint = "Reprint receipt";
  FBitmapFile = "veskPrinter.bmp";
  FFourthText.clear();
}

}  // namespace plugins
