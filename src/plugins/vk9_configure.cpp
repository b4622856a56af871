#include "plugins/vk9_configure.h"

#include "dialogs/main_setup.h"
#include "foundation/message_form.h"
#include "hostplugin/plugin_class_table.h"
#include "plugins/digital_receipt_processor.h"

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
  // Whatever the dialog saved (or failed to save), the next road reads the
  // settings files again rather than the settings it checked before.
  ConfigurationChecked = false;
}

}  // namespace plugins
