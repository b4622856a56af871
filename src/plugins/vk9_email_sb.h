#pragma once
// Tvk9EmailSB: the side button that sends a digital receipt again for an
// invoice that is already posted. It loads the invoice chosen in the host's
// list into its own invoice object and runs its receipt processor in resend
// mode: the resend dialog, then the send and its outcome. Only the chosen
// invoice is ever sent.

#include <cstdint>
#include <memory>
#include <string>

#include "hostplugin/custom_side_button_plugin.h"
#include "plugins/digital_receipt_processor.h"

namespace plugins {

class Tvk9EmailSB : public hostplugin::TCustomSideButtonPlugin {
 public:
  const char* ClassName() const override { return "Tvk9EmailSB"; }
  void Initialize() override;

 protected:
  bool HandleEventImpl() override;
  // Creates the invoice object with its children and includes, and the
  // processor; without an invoice object the button stays disabled.
  bool PrepareImpl() override;
  // Frees the processor, logs the shared host database session off and frees
  // its data module, then drops the adapter.
  void CleanUpImpl() override;
  bool SupportsImpl(int32_t what) override { return what == 0; }
  bool Get_ButtonEnabledImpl() override { return FInvoiceBO >= 0; }
  // Subscribes to no business-object UI event.
  Variant Get_BOUIEventsImpl() override { return Variant(); }
  bool HandleBOUIEventImpl(int32_t ABOHandle, const std::string& AEventType,
                           const VARIANT& AParameters, VARIANT& AReturnValues,
                           WordBool& AHandled) override;

  std::unique_ptr<TDigitalReceiptProcessor> FProcessor;
  // Its own invoice object and that object's children; -1 until obtained.
  int32_t FInvoiceBO = -1;
  int32_t FItemsBO = -1;
  int32_t FTendersBO = -1;
  // The subsidiary number last used to filter the invoice object.
  std::string FSbsFilter;

 private:
  // The press once the invoice object exists.
  void ResendChosenInvoice();
};

}  // namespace plugins
