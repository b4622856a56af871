#pragma once
// Tvk9RcptOnUpdate: the invoice entity-update plug-in through which a sale
// saved at the point of sale enters the receipt flow. Before the save it hands
// the invoice to its receipt processor (customer capture), after it the posted
// invoice (send and outcome); each time a pending service error is shown
// afterwards. The save is never refused.

#include <memory>

#include "hostplugin/custom_entity_update_plugin.h"
#include "plugins/digital_receipt_processor.h"

namespace plugins {

class Tvk9RcptOnUpdate : public hostplugin::TCustomEntityUpdatePlugin {
 public:
  const char* ClassName() const override { return "Tvk9RcptOnUpdate"; }
  void Initialize() override;

 protected:
  bool HandleEventImpl() override { return false; }
  // Makes the processor; the base preparation is not run.
  bool PrepareImpl() override;
  // Frees the processor, logs the shared host database session off and frees
  // its data module, then drops the adapter.
  void CleanUpImpl() override;
  // The settings are read again for every invoice.
  bool BeforeUpdateImpl() override;
  void AfterUpdateImpl() override { DoAfterUpdate(); }

 private:
  bool DoBeforeUpdate();
  void DoAfterUpdate();

  std::unique_ptr<TDigitalReceiptProcessor> FProcessor;
};

// Shows the last service error in a plain message box when the sale's digital
// receipt was not sent and the error is known.
void ShowPendingMessage();

}  // namespace plugins
