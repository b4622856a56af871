#include "soap_answers.h"

#include <cstdint>

namespace receiptservice {

namespace {

std::string Bool(bool b) {
  return b ? "true" : "false";
}

std::string Digit(bool b) {
  return b ? "1" : "0";
}

std::string Envelope(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:ns3=\"" +
         std::string(kServiceNamespace) + "\"><soapenv:Body>" + body +
         "</soapenv:Body></soapenv:Envelope>";
}

// Escapes a text the service itself makes up.
std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The text as a CDATA section, or escaped when it holds the section's end.
std::string CData(std::string_view text) {
  if (text.find("]]>") != std::string_view::npos) return Escape(text);
  return "<![CDATA[" + std::string(text) + "]]>";
}

std::string ReformattedEnvelope(const std::string& body) {
  return "<?xml version='1.0' encoding='UTF-8'?>\r\n"
         "<!-- <ns3:Note>answered by the stand-in service</ns3:Note> -->\r\n"
         "<S:Envelope xmlns:S='http://schemas.xmlsoap.org/soap/envelope/'>\r\n"
         "  <S:Header/>\r\n"
         "  <S:Body>\r\n" +
         body +
         "  </S:Body>\r\n"
         "</S:Envelope>\r\n";
}

}  // namespace

Operation OperationOf(std::string_view body) {
  if (body.find(":AuthenticateUserPOSRequest") != std::string_view::npos) {
    return Operation::Authenticate;
  }
  if (body.find(":sendDigitalReceiptRequest") != std::string_view::npos) {
    return Operation::SendReceipt;
  }
  return Operation::Unknown;
}

const char* OperationName(Operation op) {
  switch (op) {
    case Operation::Authenticate:
      return "AuthenticateUserPOS";
    case Operation::SendReceipt:
      return "sendDigitalReceipt";
    case Operation::Unknown:
      break;
  }
  return "Unknown";
}

std::string RequestValue(std::string_view body, std::string_view tag) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const size_t start = body.find(open);
  if (start == std::string_view::npos) return {};
  const size_t from = start + open.size();
  const size_t end = body.find(close, from);
  if (end == std::string_view::npos) return {};
  return std::string(body.substr(from, end - from));
}

std::string AuthAccepted(const CustomerAnswer& c) {
  return Envelope("<ns3:AuthenticateUserPOSResponse errorStatus=\"false\" userAuthenticated=\"" +
                  Bool(c.authenticated) + "\"><EmailAddress>" + c.emailAddress +
                  "</EmailAddress><CustomerID TemporaryID=\"" + Bool(c.temporaryId) +
                  "\" defaultQuenlo=\"" + Bool(c.digitalDefault) + "\">" + Escape(c.customerId) +
                  "</CustomerID></ns3:AuthenticateUserPOSResponse>");
}

std::string AuthRefused(std::string_view exceptions) {
  return Envelope(
      "<ns3:AuthenticateUserPOSResponse errorStatus=\"true\" userAuthenticated=\"false\">"
      "<Exceptions>" +
      Escape(exceptions) + "</Exceptions></ns3:AuthenticateUserPOSResponse>");
}

std::string ReceiptAccepted(const CustomerAnswer& c) {
  return Envelope(
      "<ns3:sendDigitalReceiptResponse><ns3:DigitalReceiptProcessed>true"
      "</ns3:DigitalReceiptProcessed><CustomerID TemporaryID=\"" +
      Bool(c.temporaryId) + "\">" + Escape(c.customerId) +
      "</CustomerID></ns3:sendDigitalReceiptResponse>");
}

std::string ReceiptRefused(std::string_view code, std::string_view description) {
  return Envelope(
      "<ns3:sendDigitalReceiptResponse><ns3:DigitalReceiptProcessed>false"
      "</ns3:DigitalReceiptProcessed><ExceptionCode>" +
      Escape(code) + "</ExceptionCode><ExceptionDescription>" + Escape(description) +
      "</ExceptionDescription></ns3:sendDigitalReceiptResponse>");
}

std::string AuthAcceptedReformatted(const CustomerAnswer& c) {
  return ReformattedEnvelope(
      "    <!-- <svc:AuthenticateUserPOSResponse errorStatus=\"true\" userAuthenticated=\"" +
      Bool(!c.authenticated) + "\"><CustomerID TemporaryID=\"" + Bool(!c.temporaryId) +
      "\" defaultQuenlo=\"" + Bool(!c.digitalDefault) +
      "\">EARLIER</CustomerID></svc:AuthenticateUserPOSResponse> -->\r\n"
      "    <svc:AuthenticateUserPOSResponse xmlns:svc='" +
      std::string(kServiceNamespace) +
      "'\r\n"
      "        errorStatus = 'false'\tuserAuthenticated='" +
      Bool(c.authenticated) +
      "'>\r\n"
      "      <EmailAddress>" +
      c.emailAddress +
      "</EmailAddress>\r\n"
      "      <CustomerID\r\n"
      "          TemporaryID = '" +
      Bool(c.temporaryId) + "'  defaultQuenlo='" + Bool(c.digitalDefault) + "'>" +
      CData(c.customerId) +
      "</CustomerID>\r\n"
      "    </svc:AuthenticateUserPOSResponse>\r\n");
}

std::string ReceiptAcceptedReformatted(const CustomerAnswer& c) {
  return ReformattedEnvelope(
      "    <r:sendDigitalReceiptResponse xmlns:r='" + std::string(kServiceNamespace) +
      "'>\r\n"
      "      <!-- <r:DigitalReceiptProcessed>false</r:DigitalReceiptProcessed>\r\n"
      "           <CustomerID TemporaryID=\"" +
      Bool(!c.temporaryId) +
      "\">EARLIER</CustomerID> -->\r\n"
      "      <r:DigitalReceiptProcessed>\r\n"
      "        <![CDATA[true]]>\r\n"
      "      </r:DigitalReceiptProcessed>\r\n"
      "      <CustomerID\tTemporaryID = '" +
      Bool(c.temporaryId) + "'>" + CData(c.customerId) +
      "</CustomerID>\r\n"
      "    </r:sendDigitalReceiptResponse>\r\n");
}

std::string AuthAcceptedNumeric(const CustomerAnswer& c) {
  return Envelope("<ns3:AuthenticateUserPOSResponse errorStatus=\"0\" userAuthenticated=\"" +
                  Digit(c.authenticated) + "\"><EmailAddress>" + c.emailAddress +
                  "</EmailAddress><CustomerID TemporaryID=\" " + Digit(c.temporaryId) +
                  " \" defaultQuenlo=\"" + Digit(c.digitalDefault) + "\">" + Escape(c.customerId) +
                  "</CustomerID></ns3:AuthenticateUserPOSResponse>");
}

std::string ReceiptAcceptedNumeric(const CustomerAnswer& c) {
  return Envelope(
      "<ns3:sendDigitalReceiptResponse><ns3:DigitalReceiptProcessed> 1 "
      "</ns3:DigitalReceiptProcessed><CustomerID TemporaryID=\"" +
      Digit(c.temporaryId) + "\">" + Escape(c.customerId) +
      "</CustomerID></ns3:sendDigitalReceiptResponse>");
}

std::string InUtf16(std::string_view utf8Document) {
  std::string text(utf8Document);
  const std::string declared = "encoding=\"UTF-8\"";
  const size_t at = text.find(declared);
  if (at != std::string::npos) text.replace(at, declared.size(), "encoding=\"UTF-16\"");
  std::string out = "\xFF\xFE";
  auto unit = [&out](uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t cp = length == 1 ? lead : lead & (0x7Fu >> length);
    for (int k = 1; k < length && i + k < text.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    }
    i += static_cast<size_t>(length);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

std::string SoapFault(std::string_view faultString) {
  return Envelope("<soapenv:Fault><faultcode>soapenv:Server</faultcode><faultstring>" +
                  Escape(faultString) + "</faultstring></soapenv:Fault>");
}

std::string Garbage() {
  std::string out = "\x89\x01\xfe garbage <ns3:Digital";
  uint32_t state = 2463534242u;
  for (int i = 0; i < 200; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    out += static_cast<char>(state & 0xFF);
  }
  return out;
}

}  // namespace receiptservice
