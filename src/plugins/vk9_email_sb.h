#pragma once
// Tvk9EmailSB: the side button that sends a digital receipt again for an
// invoice that is already posted.

#include <cstdint>
#include <string>

#include "hostplugin/custom_side_button_plugin.h"

namespace plugins {

class Tvk9EmailSB : public hostplugin::TCustomSideButtonPlugin {
 public:
  const char* ClassName() const override { return "Tvk9EmailSB"; }
  void Initialize() override;

 protected:
  // Logs the shared host database session off and frees its data module,
  // then drops the adapter.
  void CleanUpImpl() override;
  // Its own invoice object and that object's children; -1 until obtained.
  int32_t FInvoiceBO = -1;
  int32_t FItemsBO = -1;
  int32_t FTendersBO = -1;
  // The subsidiary number last used to filter the invoice object.
  std::string FSbsFilter;
};

}  // namespace plugins
