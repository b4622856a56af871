#pragma once
// Tvk9ReprintSideButton: the side button that reprints the current invoice's
// receipt on paper.

#include "hostplugin/custom_side_button_plugin.h"

namespace plugins {

class Tvk9ReprintSideButton : public hostplugin::TCustomSideButtonPlugin {
 public:
  const char* ClassName() const override { return "Tvk9ReprintSideButton"; }
  void Initialize() override;
};

}  // namespace plugins
