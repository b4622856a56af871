#pragma once
// Tvk9Configure: the configure plug-in, the host's entry to the setup dialog.

#include "hostplugin/custom_configure_plugin.h"

namespace plugins {

class Tvk9Configure : public hostplugin::TCustomConfigurePlugin {
 public:
  const char* ClassName() const override { return "Tvk9Configure"; }
  // Sets its own values without the base initialisation.
  void Initialize() override;

 protected:
  // Opens the setup dialog; an error is shown as "ConfigureAll: " + its
  // message. Afterwards the receipt roads read the settings files again at
  // their next configuration check.
  void ConfigureAllImpl() override;
};

}  // namespace plugins
