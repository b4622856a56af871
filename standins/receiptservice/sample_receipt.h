#pragma once
// A sample sale and its receipt request, built by the plug-in's own message
// code: a customer, a card and a cash tender, and as many items as asked.
// Used by the demo client, the transport tests and the transport and SOAP
// benchmarks.

#include <cstddef>
#include <string>
#include <vector>

#include "receipt/containers.h"
#include "receipt/records.h"

namespace receiptservice {

// The sample sale: the customer, the receipt header, `items` item lines (1 to
// 501) and a card and a cash tender. Sets the main settings' merchant
// identifier and card list when they are empty, so that no settings file is
// read.
struct SampleSale {
  explicit SampleSale(size_t items);

  receipt::AuthRec auth;
  receipt::DigitalReceipt receipt;
  std::vector<receipt::DigitalReceiptItem> items;
  receipt::TInvoiceContainer invoice;
};

// The sendDigitalReceiptRequest text of the sample sale with `items` items.
std::string SampleReceiptRequest(size_t items);

}  // namespace receiptservice
