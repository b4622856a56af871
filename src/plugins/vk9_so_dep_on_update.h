#pragma once
// Tvk9SODepOnUpdate: the entity-update plug-in for sales-order deposits.

#include <cstdint>

#include "hostplugin/custom_entity_update_plugin.h"

namespace plugins {

class Tvk9SODepOnUpdate : public hostplugin::TCustomEntityUpdatePlugin {
 public:
  const char* ClassName() const override { return "Tvk9SODepOnUpdate"; }
  void Initialize() override;

 protected:
  // Logs the shared host database session off and frees its data module,
  // then drops the adapter.
  void CleanUpImpl() override;
  // Business-object handles, -1 until obtained.
  int32_t FSalesOrderBO = -1;
  int32_t FInvoiceBO = -1;
  int32_t FCustomerBO = -1;
  int32_t FTendersBO = -1;
};

}  // namespace plugins
