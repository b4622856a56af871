#pragma once
// Turning the extracted invoice into the receipt record: PrepareDigitalReceipt
// fills the receipt header (fDRcpt) and its lines (fDRcptItems) of the
// current sale from the invoice container, formatting every amount, quantity
// and percentage with the receipt formatter and negating amounts for a
// return.

#include <string>

#include "receipt/containers.h"

namespace receipt {

// The vendor query the document extraction ran last; logged for an item whose
// vendor could be found by neither name nor code. Set by the extraction.
extern std::string LastVendorSQL;

// The text every preparation failure is shown with, before its message.
inline constexpr const char* kPrepareFailurePrefix = "DoDigitalReceipt: ";

// The roll-up entry that one position of a department's roll-up line
// ("DCS=position1;position2") names, blanks around it ignored: an empty text
// and any text with a character other than a digit give 0 (the empty
// entry); more than nine characters give -1, which names no entry (the
// sale logs and skips it, as it does a position past the configured
// categories). The setup dialog reads the lines with it too.
long RollupPosition(const std::string& text);

// Fills fDRcpt and fDRcptItems (and fDRcptItemCount) from `invoice`, using the
// main settings, the customer's authentication (fAuth) and the sale's flags
// (FTransControl); `resend` marks a receipt sent again by e-mail.
//
// Items fill entries 0 to 500; a further item ends the preparation. Any
// failure (that one, a value that cannot be read as its type, ...) is logged
// with the step it happened in, shown in the message form as
// "DoDigitalReceipt: " + its message (logged instead where no user interface
// runs) and sets FTransControl.NoVesk; nothing is raised.
void PrepareDigitalReceipt(const TInvoiceContainer& invoice, bool resend);

}  // namespace receipt
