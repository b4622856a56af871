#pragma once
// The two SOAP 1.1 requests to the receipt service: customer authentication
// (AuthenticateUserPOSRequest) and one digital receipt
// (sendDigitalReceiptRequest).
//
// Both texts are joined from fragments, not written through an XML document:
// the XML declaration, the envelope declaring the prefixes "soapenv" and "v2",
// an empty header, the body holding the request element. Every fragment (an
// opening or closing structure tag, or one leaf element with its value) is one
// line; lines are separated by CR LF and the text does not end with one.
// Structure elements carry the "v2:" prefix, leaf elements none. Every leaf
// value goes through foundation::XmlEscape, so the text is plain ASCII.
// Optional elements are written only when their value is not empty.

#include <span>
#include <string>
#include <string_view>

#include "receipt/containers.h"
#include "receipt/records.h"

namespace receipt {

// Namespace of the service's version 2.0 interface.
inline constexpr std::string_view kServiceNamespace = "http://ws.quenlo.example/WS/v2.0";
inline constexpr std::string_view kSoapEnvelopeNamespace =
    "http://schemas.xmlsoap.org/soap/envelope/";

// Line break between fragments.
inline constexpr std::string_view kFragmentBreak = "\r\n";

// "true" or "false", the form of the requests' attribute values.
std::string BoolToXMLText(bool b);

// The AuthenticateUserPOSRequest text for `auth`: the customer's loyalty card,
// service card, e-mail address and up to two phone numbers (each written only
// when the formatted number is not empty), then the merchant identifier of the
// main settings.
std::string AuthenticateUserPOSRequest(const AuthRec& auth);
// The same for the current customer (fAuth).
std::string AuthenticateUserPOSRequest();

// Appends the Payments block of one tender to `message`, a line break before
// each fragment (none before the first when `message` is empty). Reads the tender's "TENDER_TYPE",
// "Amount", "Taken", "Given", "Auth", "Doc_No", "Card Type", "Exp Month" and "Exp Year". Amounts
// are negated for a return (receipt.IsReturn). Writing a block clears receipt.NoPaymentsYet; a
// "Deposit Used" tender sets receipt.DepositUsed. A tender that maps to no payment type (cash with
// nothing taken or given, a negative type) writes nothing. Amounts are written "0.00", rounded half
// away from zero. Raises EInvalidFieldCast when a value cannot be read as its type.
void AddPayments(std::string& message, const TContainer& tender, DigitalReceipt& receipt);

// The sendDigitalReceiptRequest text of one sale: the customer identifier and
// part from `auth` and `receipt`, the receipt header from `receipt`, one
// Payments block per tender of `invoice` in container order (one empty block
// when none yields a payment), the used items from the first onwards (at most
// the capacity of the receipt), and the workstation and store part (store
// address, merchant identifier and store phone from the settings). The tender
// walk updates receipt.NoPaymentsYet and receipt.DepositUsed.
//
// When the main settings' card list is empty, the main settings are read
// first. An exception is written to the traffic log ("ConstructMessage
// Exception", "Exception:" + message) and passed on.
std::string ConstructMessage(const TInvoiceContainer& invoice, const AuthRec& auth,
                             DigitalReceipt& receipt, std::span<const DigitalReceiptItem> items);
// The same for the current sale (fAuth, fDRcpt, fDRcptItems).
std::string ConstructMessage(const TInvoiceContainer& invoice);

}  // namespace receipt
