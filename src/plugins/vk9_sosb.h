#pragma once
// Tvk9SOSB: the side-button plug-in of the sales-order screen, which listens
// for a sales order recording its invoice.

#include <cstdint>

#include "hostplugin/custom_side_button_plugin.h"

namespace plugins {

class Tvk9SOSB : public hostplugin::TCustomSideButtonPlugin {
 public:
  const char* ClassName() const override { return "Tvk9SOSB"; }
  void Initialize() override;

 protected:
  // Logs the shared host database session off and frees its data module,
  // then drops the adapter.
  void CleanUpImpl() override;
  // Business-object handles, -1 until obtained.
  int32_t FHistoryBO = -1;
  int32_t FCustomerBO = -1;
  int32_t FInvoiceBO = -1;
  int32_t FItemsBO = -1;
  int32_t FItemRefBO = -1;
  int32_t FTendersBO = -1;
};

}  // namespace plugins
