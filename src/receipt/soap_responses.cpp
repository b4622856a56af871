#include "receipt/soap_responses.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/vesk_log.h"
#include "platform/utf8.h"
#include "receipt/card_masking.h"

namespace receipt {

std::string LastRequest;

namespace {

constexpr const char* kAuthTag = "ParseAuthResponse";
constexpr const char* kSendTag = "ParseSendResponse";
constexpr const char* kAuthResponseElement = "ns3:AuthenticateUserPOSResponse";
constexpr const char* kProcessedElement = "ns3:DigitalReceiptProcessed";

// Level of the logged response text.
constexpr int kResponseLogLevel = 5;

void Decode(std::string& value) {
  if (value.find('&') != std::string::npos) value = DecodeXmlText(value);
}

// Text of the first element named `tag`, decoded; false when it is missing or
// empty.
bool ReadTag(std::string_view xml, std::string_view tag, std::string& value) {
  if (!foundation::GetXMLTagValue(xml, tag, value)) return false;
  Decode(value);
  return true;
}

// Value of attribute `attr` of the first element named `tag`, decoded; false
// when the element or the attribute is missing.
bool ReadAttr(std::string_view xml, std::string_view tag, std::string_view attr,
              std::string& value) {
  if (!foundation::GetXMLAttrValue(xml, tag, attr, value)) return false;
  Decode(value);
  return true;
}

char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `xml` at `at` starts with `openTag` ("<" + a tag name), letters
// compared without regard to case as the text helpers compare them.
bool OpensAt(std::string_view xml, size_t at, std::string_view openTag) {
  if (xml.size() - at < openTag.size()) return false;
  for (size_t k = 1; k < openTag.size(); ++k) {
    if (LowerChar(xml[at + k]) != LowerChar(openTag[k])) return false;
  }
  return true;
}

// For each of `openTags` the text from its first occurrence onwards (empty
// when it does not occur), found in one pass over the response. The text
// helpers then read each element from its own view and find it at once.
template <size_t N>
std::array<std::string_view, N> ElementsOnwards(std::string_view xml,
                                                const std::array<std::string_view, N>& openTags) {
  std::array<std::string_view, N> found{};
  size_t missing = N;
  size_t at = 0;
  while (missing > 0 && at < xml.size()) {
    const void* lt = std::memchr(xml.data() + at, '<', xml.size() - at);
    if (lt == nullptr) break;
    at = static_cast<size_t>(static_cast<const char*>(lt) - xml.data());
    for (size_t i = 0; i < N; ++i) {
      if (found[i].empty() && OpensAt(xml, at, openTags[i])) {
        found[i] = xml.substr(at);
        --missing;
      }
    }
    ++at;
  }
  return found;
}

// The characters XML 1.0 allows in a document.
bool IsXmlChar(uint32_t cp) {
  if (cp < 0x20) return cp == 0x09 || cp == 0x0A || cp == 0x0D;
  if (cp >= 0xD800 && cp <= 0xDFFF) return false;
  if (cp == 0xFFFE || cp == 0xFFFF) return false;
  return cp <= 0x10FFFF;
}

// The character a reference body (the text between "&" and ";") stands for;
// false when it is not a known entity or a valid character reference.
bool ResolveReference(std::string_view body, uint32_t& cp) {
  if (body == "amp") {
    cp = '&';
  } else if (body == "lt") {
    cp = '<';
  } else if (body == "gt") {
    cp = '>';
  } else if (body == "apos") {
    cp = '\'';
  } else if (body == "quot") {
    cp = '"';
  } else if (body.size() >= 2 && body[0] == '#') {
    const bool hex = body[1] == 'x';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t value = 0;
    for (char c : digits) {
      uint32_t d;
      if (c >= '0' && c <= '9') {
        d = static_cast<uint32_t>(c - '0');
      } else if (hex && c >= 'a' && c <= 'f') {
        d = static_cast<uint32_t>(c - 'a' + 10);
      } else if (hex && c >= 'A' && c <= 'F') {
        d = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
      value = value * (hex ? 16u : 10u) + d;
    }
    if (!IsXmlChar(value)) return false;
    cp = value;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string DecodeXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) break;
    out.append(text.substr(pos, amp - pos));
    // The longest reference is "&#x" + 8 digits + ";".
    const size_t semi = text.substr(amp, 13).find(';');
    uint32_t cp = 0;
    if (semi != std::string_view::npos && ResolveReference(text.substr(amp + 1, semi - 1), cp)) {
      platform::AppendUtf8(out, cp);
      pos = amp + semi + 1;
    } else {
      out += '&';
      pos = amp + 1;
    }
  }
  out.append(text.substr(pos));
  return out;
}

bool ParseAuthResponse(std::string_view response, AuthRec& auth, const TransControl& control) {
  // The masked copy is made only when the line will be written.
  if (foundation::GetLogLevel() >= kResponseLogLevel) {
    foundation::KWLog(kResponseLogLevel, "RESPONSE=[ " + MaskCardNumbers(response) + " ]",
                      foundation::kLevelInfo, kAuthTag);
  }
  if (response.empty()) return false;

  auth.ErrorStatus = false;
  auth.Exceptions.clear();

  bool result = false;
  std::string value;
  const auto [element, email, customerId] = ElementsOnwards<3>(
      response, {"<ns3:AuthenticateUserPOSResponse", "<EmailAddress", "<CustomerID"});
  ReadAttr(element, kAuthResponseElement, "errorStatus", value);
  const std::string errorStatus = foundation::helpers::LowerAscii(value);
  if (errorStatus == "false" || errorStatus.empty()) {
    ReadAttr(element, kAuthResponseElement, "userAuthenticated", value);
    auth.IsAuth = foundation::helpers::LowerAscii(value) == "true";
    if (!control.EmailChanged && ReadTag(email, "EmailAddress", value)) {
      auth.EmailAddress = value;
    }
    if (ReadTag(customerId, "CustomerID", value)) {
      auth.CustID = value;
      ReadAttr(customerId, "CustomerID", "TemporaryID", value);
      auth.IsTemp = value == "true";
      ReadAttr(customerId, "CustomerID", "defaultQuenlo", value);
      auth.DefaultQuenlo = value == "true";
      result = true;
    }
  } else {
    auth.ErrorStatus = true;
    ReadTag(response, "Exceptions", value);
    auth.Exceptions = value;
  }
  auth.DefaultQuenloCopy = auth.DefaultQuenlo;
  return result;
}

bool ParseAuthResponse(std::string_view response) {
  return ParseAuthResponse(response, fAuth, FTransControl);
}

bool ParseSendResponse(std::string_view response, TransControl& control, AuthRec& auth,
                       std::string_view lastRequest) {
  control.NoVesk = false;
  control.DigitalSendExDesc.clear();
  if (response.empty()) {
    foundation::KWLog(5, "Response was empty, setting NoVesk to true", foundation::kLevelWarning,
                      kSendTag);
    control.NoVesk = true;
    return false;
  }

  std::string value;
  const auto [processed, customerId] =
      ElementsOnwards<2>(response, {"<ns3:DigitalReceiptProcessed", "<CustomerID"});
  if (!ReadTag(processed, kProcessedElement, value)) {
    foundation::KWLog(3, std::string(kProcessedElement) + " was missing or empty in the response",
                      foundation::kLevelWarning, kSendTag);
    return false;
  }
  control.DigitalSendOK = foundation::helpers::LowerAscii(value) == "true";

  if (control.DigitalSendOK) {
    if (!ReadAttr(customerId, "CustomerID", "TemporaryID", value)) {
      foundation::KWLog(0, "The CustomerID tag or its TemporaryID attribute was missing",
                        foundation::kLevelError, kSendTag);
      return false;
    }
    if (value.empty()) {
      foundation::KWLog(3, "The TemporaryID attribute of CustomerID was empty",
                        foundation::kLevelWarning, kSendTag);
      return true;
    }
    auth.IsTemp = value == "true";
    if (auth.CustID.empty() && auth.IsTemp) {
      ReadTag(customerId, "CustomerID", value);
      auth.CustID = value;
    }
    return true;
  }

  if (!ReadTag(response, "ExceptionCode", value)) ReadTag(response, "ExceptionDescription", value);
  if (!value.empty()) control.DigitalSendExDesc = value;
  foundation::AppendVeskLog("DigitalSend Not OK");
  foundation::AppendVeskLog(MaskCardNumbers(control.DigitalSendExDesc));
  foundation::AppendVeskLog(MaskCardNumbers(lastRequest));
  return false;
}

bool ParseSendResponse(std::string_view response) {
  return ParseSendResponse(response, FTransControl, fAuth, LastRequest);
}

}  // namespace receipt
