#pragma once
// Tvk9SODepOnUpdate: the entity-update plug-in for sales-order deposits. When
// a deposit is saved it finds the deposit's customer (on the deposit, else on
// the sales order, else on the invoice), authenticates it with the receipt
// service, shows the e-mail capture dialog, saves a changed e-mail, sends the
// deposit invoice's receipt and leaves the print flags for the print event.

#include <cstdint>
#include <memory>
#include <string>

#include "hostplugin/custom_entity_update_plugin.h"
#include "plugins/digital_receipt_processor.h"

namespace plugins {

class Tvk9SODepOnUpdate : public hostplugin::TCustomEntityUpdatePlugin {
 public:
  const char* ClassName() const override { return "Tvk9SODepOnUpdate"; }
  void Initialize() override;

 protected:
  bool HandleEventImpl() override { return false; }
  // Frees the sender, logs the shared host database session off and frees
  // its data module, then drops the adapter.
  void CleanUpImpl() override;
  // True; prepares the sales-order and invoice objects, also with the
  // plug-in disabled.
  bool BeforeUpdateImpl() override;
  // The deposit road.
  void AfterUpdateImpl() override;

  // Business-object handles, -1 until obtained.
  int32_t FSalesOrderBO = -1;
  int32_t FInvoiceBO = -1;
  int32_t FCustomerBO = -1;
  int32_t FTendersBO = -1;
  // The attributes included in the customer object so far.
  TIncludedAttributes FCustomerIncludes;

 private:
  void PrepareObjects(IPluginAdapter& adapter);
  // Switched off: the deposit's invoice prints as the till prints it without
  // the plug-in (PrintSwitchedOffSale); nothing is asked, sent or written.
  void PrintSwitchedOff();
  // Steps of the road past the connection; the caller resets the per-sale
  // records afterwards.
  void SaveDeposit(IPluginAdapter& adapter);
  // The deposit invoice loaded into the invoice object; false when the
  // object holds no such invoice.
  bool LoadDepositInvoice(IPluginAdapter& adapter, const std::string& invoiceSid);
  void OpenTenders(IPluginAdapter& adapter);
  // The first customer SID found on the deposit, the sales order or the
  // invoice.
  std::string FindCustomerSid(IPluginAdapter& adapter, const std::string& invoiceSid);
  // Sends the deposit invoice's receipt through the processor's send and
  // shows its outcome.
  void SendDepositReceipt(IPluginAdapter& adapter, const std::string& invoiceSid);

  // The items of the invoice object, -1 until obtained.
  int32_t FItemsBO = -1;
  // The send of the receipt, made on first use.
  std::unique_ptr<TDigitalReceiptProcessor> FSender;
  receipt::TCapturedCustomer FCustomer;
};

}  // namespace plugins
