#include "plugins/vk9_configure.h"

#include "hostplugin/plugin_class_table.h"

namespace plugins {

void Tvk9Configure::Initialize() {
  FDescription = "Norvane Configuration";
  FGUID = hostplugin::CLSID_vk9Configure;
  FEnabled = true;
  FPriority = ppNormal;
}

}  // namespace plugins
