#pragma once
// The texts the stand-in receipt service answers with: the two SOAP
// responses in their accepted and refused forms, a SOAP fault, and garbage.
// The response elements carry the prefix "ns3", their leaf elements none.

#include <string>
#include <string_view>

namespace receiptservice {

// The service interface's namespace.
inline constexpr std::string_view kServiceNamespace = "http://ws.quenlo.example/WS/v2.0";

enum class Operation { Authenticate, SendReceipt, Unknown };

// The operation a request body asks for, by its request element.
Operation OperationOf(std::string_view requestBody);
const char* OperationName(Operation op);

// Text of the first <tag>...</tag> of a request, as written (still escaped);
// empty when absent.
std::string RequestValue(std::string_view body, std::string_view tag);

struct CustomerAnswer {
  bool authenticated = true;
  bool digitalDefault = false;
  bool temporaryId = false;
  std::string customerId;
  std::string emailAddress;  // already escaped for XML
};

// AuthenticateUserPOSResponse with errorStatus "false".
std::string AuthAccepted(const CustomerAnswer& customer);
// AuthenticateUserPOSResponse with errorStatus "true" and `exceptions`.
std::string AuthRefused(std::string_view exceptions);
// sendDigitalReceiptResponse confirming the receipt.
std::string ReceiptAccepted(const CustomerAnswer& customer);
// sendDigitalReceiptResponse refusing it with a code and a description.
std::string ReceiptRefused(std::string_view code, std::string_view description);
// The accepted answers again, in another well-formed form that carries the
// same values: pretty-printed with line breaks and indentation, other
// namespace prefixes, single-quoted attributes with blanks around "=" and a
// tab before one, the identifier in a CDATA section and, inside a comment
// ahead of it, an earlier copy of the response element that says otherwise.
std::string AuthAcceptedReformatted(const CustomerAnswer& customer);
std::string ReceiptAcceptedReformatted(const CustomerAnswer& customer);
// The accepted answers again with their Booleans written as the digits 1 and
// 0 (XML Schema allows both forms), blanks around the receipt's outcome.
std::string AuthAcceptedNumeric(const CustomerAnswer& customer);
std::string ReceiptAcceptedNumeric(const CustomerAnswer& customer);
// An answer written in UTF-8 (its declaration saying so) as a UTF-16 document:
// little-endian with its byte-order mark, the declaration saying "UTF-16".
std::string InUtf16(std::string_view utf8Document);
// A SOAP 1.1 fault.
std::string SoapFault(std::string_view faultString);
// Bytes that are neither XML nor text (the same every time).
std::string Garbage();

}  // namespace receiptservice
