#pragma once
// A sample sale's receipt request, built by the plug-in's own message code:
// a customer, a card and a cash tender, and as many items as asked. Used by
// the demo client, the transport tests and the transport benchmark.

#include <cstddef>
#include <string>

namespace receiptservice {

// The sendDigitalReceiptRequest text of the sample sale with `items` items
// (1 to 501). Sets the main settings' merchant identifier and card list when
// they are empty, so that no settings file is read.
std::string SampleReceiptRequest(size_t items);

}  // namespace receiptservice
