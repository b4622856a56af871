#include "plugins/vk9_rcpt_on_update.h"

#include "hostplugin/plugin_class_table.h"

namespace plugins {

void Tvk9RcptOnUpdate::Initialize() {
  TCustomEntityUpdatePlugin::Initialize();
  FDescription = "VeskRcptOU";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9RcptOnUpdate;
  FBOKind = kBOKindInvoice;
  FPriority = ppNormal;
}

}  // namespace plugins
