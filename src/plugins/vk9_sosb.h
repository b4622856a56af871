#pragma once
// Tvk9SOSB: the side-button plug-in of the sales-order screen. It has no
// button of its own; it listens for a sales order recording its invoice
// ("SALERECORDED", "RETURNRECORDED"), loads that invoice into its own invoice
// object, reads and authenticates the bill-to customer, asks how the receipt
// should go and hands the invoice to its receipt processor, which sends it
// once and shows how that ended.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "hostplugin/custom_side_button_plugin.h"
#include "plugins/digital_receipt_processor.h"

namespace plugins {

class Tvk9SOSB : public hostplugin::TCustomSideButtonPlugin {
 public:
  const char* ClassName() const override { return "Tvk9SOSB"; }
  void Initialize() override;

 protected:
  // Nothing; False.
  bool HandleEventImpl() override;
  // The base prepare result; makes the processor.
  bool PrepareImpl() override;
  // Frees the processor, logs the shared host database session off and frees
  // its data module, then drops the adapter.
  void CleanUpImpl() override;
  bool SupportsImpl(int32_t what) override { return what == 0; }
  bool Get_ButtonEnabledImpl() override { return true; }
  // ".SALERECORDED.RETURNRECORDED." in a one-element string array.
  Variant Get_BOUIEventsImpl() override;
  // Answers the host with the integer 2 in AReturnValues, AHandled False and
  // True whatever happens; a recorded sale or return runs the receipt road.
  bool HandleBOUIEventImpl(int32_t ABOHandle, const std::string& AEventType,
                           const VARIANT& AParameters, VARIANT& AReturnValues,
                           WordBool& AHandled) override;

  // Business-object handles, -1 until obtained.
  int32_t FHistoryBO = -1;
  int32_t FCustomerBO = -1;
  // The subsidiary FCustomerBO is filtered on; empty when it is not.
  std::optional<std::string> FCustSbsFilter;
  // The attributes included in the customer object so far.
  TIncludedAttributes FCustomerIncludes;
  int32_t FInvoiceBO = -1;
  int32_t FItemsBO = -1;
  int32_t FItemRefBO = -1;
  int32_t FTendersBO = -1;
  std::unique_ptr<TDigitalReceiptProcessor> FProcessor;

 private:
  // The road of a recorded sale or return, from the connection to the send.
  void RecordSale();
  // Switched off: the recorded invoice prints as the till prints it without
  // the plug-in (PrintSwitchedOffSale); nothing is asked, sent or written.
  void PrintSwitchedOff();
  // The own invoice object made (with its items) when missing, opened and
  // filtered on the till's subsidiary.
  void OpenInvoiceObject(IPluginAdapter& adapter);
  // The loaded invoice's items, item reference and tenders, obtained and
  // opened when missing.
  void OpenInvoiceChildren(IPluginAdapter& adapter);
  // The history's invoice loaded into the own invoice object; false when the
  // object holds no such invoice.
  bool LoadRecordedInvoice(IPluginAdapter& adapter, std::string& invoiceSid);
  // The customer question as the customer's authentication left it.
  void AskCustomer(IPluginAdapter& adapter, const std::string& custSid);
  // The bill-to customer as read and captured for the receipt.
  receipt::TCapturedCustomer FCustomer;
};

}  // namespace plugins
