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

using foundation::helpers::SameText;

constexpr const char* kAuthTag = "ParseAuthResponse";
constexpr const char* kSendTag = "ParseSendResponse";
constexpr std::string_view kAuthResponseElement = "ns3:AuthenticateUserPOSResponse";
constexpr std::string_view kProcessedElement = "ns3:DigitalReceiptProcessed";

// Level of the logged response text.
constexpr int kResponseLogLevel = 5;

// `out` := `text` with its references decoded (see DecodeXmlText). `out`
// keeps its buffer, so a scratch value read again and again does not allocate.
void AssignDecoded(std::string& out, std::string_view text);

// Text of the first element named `tag`, decoded, into `field`; false, with
// `field` left as it was, when the element is missing or empty.
bool UpdateFromTag(std::string_view xml, std::string_view tag, std::string& field) {
  std::string_view found;
  if (!foundation::GetXMLTagValue(xml, tag, found)) return false;
  AssignDecoded(field, found);
  return true;
}

// Text of the first element named `tag`, decoded; false, with an empty
// value, when it is missing or empty.
bool ReadTag(std::string_view xml, std::string_view tag, std::string& value) {
  if (UpdateFromTag(xml, tag, value)) return true;
  value.clear();
  return false;
}

// `raw` decoded: `raw` itself when it holds no reference (no copy), else its
// decoded form, kept in `scratch`.
std::string_view Decoded(std::string_view raw, std::string& scratch) {
  if (foundation::helpers::FindChar(raw, '&') == std::string_view::npos) return raw;
  AssignDecoded(scratch, raw);
  return scratch;
}

// Value of attribute `attr` in an element's attribute text (as
// GetXMLTagAttributes gives it), decoded (see Decoded); false, with an empty
// value, when it is missing.
bool ReadAttr(std::string_view attributes, std::string_view attr, std::string& scratch,
              std::string_view& value) {
  const bool ok = foundation::GetXMLAttrFromTag(attributes, attr, value);
  value = Decoded(value, scratch);
  return ok;
}

// The attribute text of the first element named `tag` (empty when missing).
std::string_view AttributesOf(std::string_view xml, std::string_view tag) {
  std::string_view attributes;
  foundation::GetXMLTagAttributes(xml, tag, attributes);
  return attributes;
}

// For each of `tags` the text from its first opening "<" + tag onwards (empty
// when it does not occur), found in one pass over the response. The text
// helpers then read each element from its own view and find it at once.
template <size_t N>
std::array<std::string_view, N> ElementsOnwards(std::string_view xml,
                                                const std::array<std::string_view, N>& tags) {
  std::array<std::string_view, N> found{};
  size_t missing = N;
  size_t at = 0;
  while (missing > 0 && at < xml.size()) {
    at = foundation::helpers::FindChar(xml, '<', at);
    if (at == std::string_view::npos) break;
    const std::string_view name = xml.substr(at + 1);
    for (size_t i = 0; i < N; ++i) {
      // The first byte with bit 0x20 set weeds out most names cheaply.
      if (found[i].empty() && name.size() >= tags[i].size() &&
          (name[0] | 0x20) == (tags[i][0] | 0x20) &&
          foundation::helpers::SameText(name.substr(0, tags[i].size()), tags[i])) {
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

namespace {

void AssignDecoded(std::string& out, std::string_view text) {
  size_t amp = foundation::helpers::FindChar(text, '&');
  if (amp == std::string_view::npos) {
    out.assign(text);
    return;
  }
  out.clear();
  size_t pos = 0;
  for (; amp != std::string_view::npos; amp = text.find('&', pos)) {
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
}

}  // namespace

std::string DecodeXmlText(std::string_view text) {
  std::string out;
  AssignDecoded(out, text);
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
  std::string scratch;
  std::string_view value;
  const auto [element, email, customerId] =
      ElementsOnwards<3>(response, {kAuthResponseElement, "EmailAddress", "CustomerID"});
  const std::string_view responseAttributes = AttributesOf(element, kAuthResponseElement);
  ReadAttr(responseAttributes, "errorStatus", scratch, value);
  if (value.empty() || SameText(value, "false")) {
    ReadAttr(responseAttributes, "userAuthenticated", scratch, value);
    auth.IsAuth = SameText(value, "true");
    if (!control.EmailChanged) UpdateFromTag(email, "EmailAddress", auth.EmailAddress);
    if (UpdateFromTag(customerId, "CustomerID", auth.CustID)) {
      const std::string_view customerAttributes = AttributesOf(customerId, "CustomerID");
      ReadAttr(customerAttributes, "TemporaryID", scratch, value);
      auth.IsTemp = value == "true";
      ReadAttr(customerAttributes, "defaultQuenlo", scratch, value);
      auth.DefaultQuenlo = value == "true";
      result = true;
    }
  } else {
    auth.ErrorStatus = true;
    ReadTag(response, "Exceptions", auth.Exceptions);
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

  std::string scratch;
  std::string_view value;
  const auto [processed, customerId] =
      ElementsOnwards<2>(response, {kProcessedElement, "CustomerID"});
  if (!foundation::GetXMLTagValue(processed, kProcessedElement, value)) {
    foundation::KWLog(3, std::string(kProcessedElement) + " was missing or empty in the response",
                      foundation::kLevelWarning, kSendTag);
    return false;
  }
  control.DigitalSendOK = SameText(Decoded(value, scratch), "true");

  if (control.DigitalSendOK) {
    if (!ReadAttr(AttributesOf(customerId, "CustomerID"), "TemporaryID", scratch, value)) {
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
      ReadTag(customerId, "CustomerID", auth.CustID);
    }
    return true;
  }

  std::string exception;
  if (!ReadTag(response, "ExceptionCode", exception)) {
    ReadTag(response, "ExceptionDescription", exception);
  }
  if (!exception.empty()) control.DigitalSendExDesc = exception;
  foundation::AppendVeskLog("DigitalSend Not OK");
  foundation::AppendVeskLog(MaskCardNumbers(control.DigitalSendExDesc));
  foundation::AppendVeskLog(MaskCardNumbers(lastRequest));
  return false;
}

bool ParseSendResponse(std::string_view response) {
  return ParseSendResponse(response, FTransControl, fAuth, LastRequest);
}

}  // namespace receipt
