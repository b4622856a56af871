#pragma once
// Tvk9RcptOnUpdate: the invoice entity-update plug-in through which a sale
// saved at the point of sale enters the receipt flow.

#include "hostplugin/custom_entity_update_plugin.h"

namespace plugins {

class Tvk9RcptOnUpdate : public hostplugin::TCustomEntityUpdatePlugin {
 public:
  const char* ClassName() const override { return "Tvk9RcptOnUpdate"; }
  void Initialize() override;

 protected:
  // Logs the shared host database session off and frees its data module,
  // then drops the adapter.
  void CleanUpImpl() override;
};

}  // namespace plugins
