#pragma once
// Reading the receipt service's two SOAP responses into the per-sale records.
// Each response is read once with the XML reader of xml_reader.h: in the
// encoding its byte-order mark or XML declaration gives, elements by their
// local name whatever their namespace prefix (and without regard to letter
// case), the first element of a name in document order, attributes in either
// quote, comments and processing instructions passed over, CDATA sections
// taken as text. Nothing is validated: a missing element leaves the record
// fields it would fill as they are, and a response that stops being well
// formed reads as one whose later elements are absent. Nothing here raises.
//
// Elements read: the response elements AuthenticateUserPOSResponse
// (attributes errorStatus, userAuthenticated) and DigitalReceiptProcessed,
// and the leaf elements EmailAddress, CustomerID (attributes TemporaryID,
// defaultQuenlo), Exceptions, ExceptionCode and ExceptionDescription.
// Booleans, texts and attributes alike, are read as XML Schema writes them:
// "true" or "1", "false" or "0", white space around them allowed (a
// pretty-printed answer holds line breaks there); other texts are taken as
// they stand.
//
// Texts taken from a response are data: character references in them
// (&amp; &apos; &#233; ...) are decoded before they go into a record, so a
// value sent again is escaped exactly once. Response and request texts that
// reach a log are in UTF-8 and have their card numbers masked.

#include <optional>
#include <string>
#include <string_view>

#include "receipt/records.h"

namespace receipt {

// The last receipt request handed to the transport; the lines written for a
// receipt the service did not accept include it.
extern std::string LastRequest;

// Reads an AuthenticateUserPOSResponse into `auth`. An empty response gives
// false and changes nothing. Otherwise ErrorStatus and Exceptions are cleared
// and:
//  - errorStatus false, empty or absent: IsAuth from userAuthenticated;
//    EmailAddress from the response unless control.EmailChanged; when
//    CustomerID is present, CustID, IsTemp and DefaultQuenlo from it and the
//    result is true (else false);
//  - any other errorStatus: ErrorStatus set, Exceptions from the response,
//    false.
// In both cases DefaultQuenloCopy := DefaultQuenlo afterwards.
bool ParseAuthResponse(std::string_view response, AuthRec& auth, const TransControl& control);
// The same on the current sale's records (fAuth, FTransControl).
bool ParseAuthResponse(std::string_view response);

// Reads a sendDigitalReceiptResponse. NoVesk and DigitalSendExDesc are cleared
// first; an empty response sets NoVesk and gives false. DigitalSendOK is set
// from DigitalReceiptProcessed (false result, DigitalSendOK left as it was,
// when the element is absent, not closed or holds no Boolean).
//  - accepted: the TemporaryID attribute of CustomerID gives auth.IsTemp, and
//    a temporary identifier fills auth.CustID when that is empty; true, except
//    when CustomerID or its TemporaryID attribute is missing (logged, false);
//  - not accepted: DigitalSendExDesc := ExceptionCode, or ExceptionDescription
//    when there is no ExceptionCode; the traffic log receives
//    "DigitalSend Not OK", the description and `lastRequest` (masked); false.
bool ParseSendResponse(std::string_view response, TransControl& control, AuthRec& auth,
                       std::string_view lastRequest);
// The same on the current sale's records and LastRequest.
bool ParseSendResponse(std::string_view response);

// What a sendDigitalReceiptResponse says of its receipt, read as
// ParseSendResponse reads it, so that whoever judges an answer judges it
// alike: DigitalReceiptProcessed (nothing when it is missing, not closed or
// holds no Boolean), and the ExceptionCode and ExceptionDescription of a
// refusal (empty when missing). No record changes.
struct SendAnswer {
  std::optional<bool> processed;
  std::string exceptionCode;
  std::string exceptionDescription;
};
SendAnswer ReadSendAnswer(std::string_view response);

// Whether a sendDigitalReceiptResponse confirms the receipt: its
// DigitalReceiptProcessed is true. No record changes.
bool ReceiptConfirmed(std::string_view response);

// Decodes the predefined entities (&amp; &lt; &gt; &apos; &quot;) and decimal
// or hexadecimal character references into UTF-8. A reference that is not
// well formed, or names no allowed character, is kept as it stands.
std::string DecodeXmlText(std::string_view text);

}  // namespace receipt
