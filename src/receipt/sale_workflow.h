#pragma once
// The exchanges of a sale with the receipt service and the small operations
// around them that the plug-ins call: authenticating the bill-to customer,
// sending the receipt with its retries and queueing, telling whether an
// invoice has a card tender, and the card (EMV) text of a card tender. All
// state goes through the per-sale records (receipt/records.h).
//
// Retry and queue rules of one exchange (at most kMaxAttempts posts):
//  - a TLS failure (an error text containing "SSL") is tried again, for the
//    receipt only while nothing of its request went out (the handshake
//    failed): a receipt whose request may have reached the service is never
//    sent again by the loop, it is queued once;
//  - any other failure without an HTTP answer (refused, unreachable, timed
//    out, closed without an answer) ends the attempts at once and marks the
//    sale's receipt for the queue;
//  - an HTTP answer ends the attempts; 404 marks the receipt for the queue.
// An answer is read only when AnswerReadable says so; any other outcome marks
// the exchange as failed.
// Requests written to a log have their card numbers masked.

#include <cstdint>
#include <string>
#include <string_view>

#include "host_interfaces/host_interfaces.h"
#include "receipt/containers.h"

namespace receipt {

inline constexpr int kMaxAttempts = 4;

// Whether an exchange's outcome gives an answer to read: an HTTP status from
// 200 to 298 and a transfer that ended without error (an answer cut short has
// an error). The queue service judges the answers it gets by the same rule.
bool AnswerReadable(int32_t httpCode, std::string_view commError);

// Caption and texts of the progress window during the exchanges.
inline constexpr const char* kProgressCaption = "Norvane";
inline constexpr const char* kAuthenticatingText = "Transmitting Customer Information...";
inline constexpr const char* kSendingText = "Transmitting Digital Receipt...";

// Posts the AuthenticateUserPOSRequest of the current customer (fAuth) to the
// active service address and gives the response body (empty after a failure).
// Sets FTransControl.HTTPCode and QueueDueToCommsFailure; a failed exchange
// (status of 299 or more, or an error text) sets CommError and ErrorText and
// writes its lines to the traffic log. CommError and ErrorText describe this
// exchange only: they are cleared when it starts.
void AuthenticateUser(std::string& response);

// Sends one receipt request and gives the response body (empty when nothing
// came back). When the authentication already flagged a communications
// failure, the request is queued at once and nothing is sent. Otherwise it is
// posted (see the rules above) and queued when the exchange ended with an
// error text or with 404; a status of 299 or more or an error text sets
// CommError and ErrorText and writes the traffic-log lines. The request is
// kept as LastRequest.
void SendDigitalReceipt(const std::string& request, std::string& response);

// Authenticates the bill-to customer behind the progress window and reads the
// answer into fAuth. A failed exchange sets NoVesk unless the receipt is to be
// queued; a refused answer sets NoVesk. Afterwards CustomerDone is set and
// FTransControl.IsAuth copies fAuth.IsAuth. An unexpected error is shown as
// "AuthBillToEx: " + its message and sets NoVesk.
void AuthBillToCustomer();

// The same exchange after the customer's e-mail changed, without marking the
// customer done; the answer is read only when no communications failure was
// flagged.
void ReAuthCustomer();

// Whether the tenders business object holds a card tender ("TENDER_TYPE" 2).
// Clears FTransControl.HasCardTender first; the caller sets it from the
// answer. FTransControl.CardTenders gets the number of card tenders. A
// failing walk of the host object ends the search with the tenders counted
// so far.
bool InvoiceHasTenderType2(IPluginAdapter& adapter, int32_t tendersBO);

// The card text of a card tender for the receipt: "=== EMV DATA ===" and the
// authorisation code, the last four characters of the document number and
// the card-terminal values, each introduced by the two characters '\' 'n'
// (not a line feed), two more such pairs at the end. Empty when there is no
// authorisation code. With DebugEMV on (and a user interface on this thread),
// the card-data dialog shows the values first and its edited values are used.
std::string GetEMV(const TContainer& tender);

// Called by the deposit road between sending and closing the progress window;
// does nothing.
void IgnoreBO(IPluginAdapter* adapter, int32_t salesOrderBO, int32_t tendersBO, int32_t customerBO);

}  // namespace receipt
