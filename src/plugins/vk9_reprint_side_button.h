#pragma once
// Tvk9ReprintSideButton: the side button that reprints the current invoice's
// receipt on paper, whatever the customer chose for the digital receipt: it
// re-arms the paper flags the print control answers from and asks the host
// to reprint.

#include "hostplugin/custom_side_button_plugin.h"

namespace plugins {

class Tvk9ReprintSideButton : public hostplugin::TCustomSideButtonPlugin {
 public:
  const char* ClassName() const override { return "Tvk9ReprintSideButton"; }
  void Initialize() override;

 protected:
  // The host's own result of the press is left as it set it.
  void HandleEventInto(WordBool& result) override;
  // Enabled while the host has an active current document.
  bool Get_ButtonEnabledImpl() override;
};

}  // namespace plugins
