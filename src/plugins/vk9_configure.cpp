#include "plugins/vk9_configure.h"

#include "dialogs/main_setup.h"
#include "foundation/message_form.h"
#include "hostplugin/plugin_class_table.h"

namespace plugins {

void Tvk9Configure::Initialize() {
  FDescription = "Norvane Configuration";
  FGUID = hostplugin::CLSID_vk9Configure;
  FEnabled = true;
  FPriority = ppNormal;
}

void Tvk9Configure::ConfigureAllImpl() {
  try {
    dialogs::ShowMainSetup(0);
  } catch (const std::exception& e) {
    foundation::DisplayMessage(foundation::kMessageCaption,
                               std::string("ConfigureAll: ") + e.what());
  }
}

}  // namespace plugins
