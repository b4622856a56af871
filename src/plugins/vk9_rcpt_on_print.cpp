#include "plugins/vk9_rcpt_on_print.h"

#include "hostplugin/plugin_class_table.h"

namespace plugins {

void TVK9RcptOnPrint::Initialize() {
  TCustomPrintPlugin::Initialize();
  FBOKind = kBOKindInvoice;
  FEnabled = true;
  FDescription = "Norvane Print Control";
  FGUID = hostplugin::CLSID_vk9RcptOnPrint;
  FPriority = ppNormal;
}

}  // namespace plugins
