#include "receipt/soap_responses.h"

#include <array>
#include <utility>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/vesk_log.h"
#include "receipt/card_masking.h"
#include "receipt/xml_reader.h"

namespace receipt {

std::string LastRequest;

namespace {

using foundation::helpers::SameText;

constexpr const char* kAuthTag = "ParseAuthResponse";
constexpr const char* kSendTag = "ParseSendResponse";

// Level of the logged response text.
constexpr int kResponseLogLevel = 5;

// The Boolean text of an attribute, decoded and without white space around
// it (in `scratch` when it held a reference); empty when it is missing.
std::string_view BoolAttribute(std::string_view attributes, std::string_view name,
                               std::string& scratch) {
  std::string_view value;
  XmlAttributeAsWritten(attributes, name, value);
  if (value.find('&') != std::string_view::npos) {
    scratch.clear();
    AppendXmlDecoded(scratch, value);
    value = scratch;
  }
  return TrimXmlSpace(value);
}

}  // namespace

std::string DecodeXmlText(std::string_view text) {
  std::string out;
  AppendXmlDecoded(out, text);
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

  std::array<XmlElement, 4> found{{{.name = "AuthenticateUserPOSResponse"},
                                   {.name = "EmailAddress", .wantText = true},
                                   {.name = "CustomerID", .wantText = true},
                                   {.name = "Exceptions", .wantText = true}}};
  auto& [element, email, customerId, exceptions] = found;
  ReadXmlElements(response, found);

  bool result = false;
  std::string scratch;
  const std::string_view status = BoolAttribute(element.attributes, "errorStatus", scratch);
  if (status.empty() || SameText(status, "false")) {
    auth.IsAuth = SameText(BoolAttribute(element.attributes, "userAuthenticated", scratch), "true");
    if (!control.EmailChanged && email.HasText()) auth.EmailAddress = std::move(email.text);
    if (customerId.HasText()) {
      auth.CustID = std::move(customerId.text);
      auth.IsTemp = BoolAttribute(customerId.attributes, "TemporaryID", scratch) == "true";
      auth.DefaultQuenlo = BoolAttribute(customerId.attributes, "defaultQuenlo", scratch) == "true";
      result = true;
    }
  } else {
    auth.ErrorStatus = true;
    if (exceptions.HasText()) auth.Exceptions = std::move(exceptions.text);
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

  std::array<XmlElement, 4> found{{{.name = "DigitalReceiptProcessed", .wantText = true},
                                   {.name = "CustomerID", .wantText = true},
                                   {.name = "ExceptionCode", .wantText = true},
                                   {.name = "ExceptionDescription", .wantText = true}}};
  auto& [processed, customerId, code, description] = found;
  ReadXmlElements(response, found);

  const std::string_view outcome =
      processed.closed ? TrimXmlSpace(processed.text) : std::string_view();
  if (outcome.empty()) {
    foundation::KWLog(3, "DigitalReceiptProcessed was missing or empty in the response",
                      foundation::kLevelWarning, kSendTag);
    return false;
  }
  control.DigitalSendOK = SameText(outcome, "true");

  if (control.DigitalSendOK) {
    std::string_view written;
    if (!customerId.found ||
        !XmlAttributeAsWritten(customerId.attributes, "TemporaryID", written)) {
      foundation::KWLog(0, "The CustomerID tag or its TemporaryID attribute was missing",
                        foundation::kLevelError, kSendTag);
      return false;
    }
    std::string scratch;
    const std::string_view temporary = BoolAttribute(customerId.attributes, "TemporaryID", scratch);
    if (temporary.empty()) {
      foundation::KWLog(3, "The TemporaryID attribute of CustomerID was empty",
                        foundation::kLevelWarning, kSendTag);
      return true;
    }
    auth.IsTemp = temporary == "true";
    if (auth.CustID.empty() && auth.IsTemp && customerId.HasText()) {
      auth.CustID = std::move(customerId.text);
    }
    return true;
  }

  if (code.HasText()) {
    control.DigitalSendExDesc = std::move(code.text);
  } else if (description.HasText()) {
    control.DigitalSendExDesc = std::move(description.text);
  }
  foundation::AppendVeskLog("DigitalSend Not OK");
  foundation::AppendVeskLog(MaskCardNumbers(control.DigitalSendExDesc));
  foundation::AppendVeskLog(MaskCardNumbers(lastRequest));
  return false;
}

bool ParseSendResponse(std::string_view response) {
  return ParseSendResponse(response, FTransControl, fAuth, LastRequest);
}

bool ReceiptConfirmed(std::string_view response) {
  std::array<XmlElement, 1> processed{{{.name = "DigitalReceiptProcessed", .wantText = true}}};
  ReadXmlElements(response, processed);
  return processed[0].closed && SameText(TrimXmlSpace(processed[0].text), "true");
}

}  // namespace receipt
