#include "receipt/soap_responses.h"

#include <array>
#include <optional>
#include <utility>

#include "foundation/log.h"
#include "foundation/vesk_log.h"
#include "receipt/card_masking.h"
#include "receipt/xml_reader.h"

namespace receipt {

std::string LastRequest;

namespace {

constexpr const char* kAuthTag = "ParseAuthResponse";
constexpr const char* kSendTag = "ParseSendResponse";

// Level of the logged response text.
constexpr int kResponseLogLevel = 5;

// An attribute's value read as an XML Schema Boolean; nothing when it is
// missing, empty or no Boolean.
std::optional<bool> BoolAttribute(const XmlElement& element, std::string_view name) {
  const std::string* value = element.Attribute(name);
  return value == nullptr ? std::nullopt : XmlBoolean(*value);
}

// The elements of a sendDigitalReceiptResponse, read in one pass.
class SendElements {
 public:
  explicit SendElements(std::string_view response) { ReadXmlElements(response, found_); }

  XmlElement& Processed() { return found_[0]; }
  XmlElement& CustomerId() { return found_[1]; }
  XmlElement& Code() { return found_[2]; }
  XmlElement& Description() { return found_[3]; }

  // The outcome: DigitalReceiptProcessed, closed, holding a Boolean.
  std::optional<bool> Outcome() {
    return Processed().closed ? XmlBoolean(Processed().text) : std::nullopt;
  }

 private:
  std::array<XmlElement, 4> found_{{{.name = "DigitalReceiptProcessed", .wantText = true},
                                    {.name = "CustomerID", .wantText = true},
                                    {.name = "ExceptionCode", .wantText = true},
                                    {.name = "ExceptionDescription", .wantText = true}}};
};

}  // namespace

std::string DecodeXmlText(std::string_view text) {
  std::string out;
  AppendXmlDecoded(out, text);
  return out;
}

bool ParseAuthResponse(std::string_view response, AuthRec& auth, const TransControl& control) {
  // The converted and masked copy is made only when the line will be written.
  if (foundation::GetLogLevel() >= kResponseLogLevel) {
    foundation::KWLog(kResponseLogLevel,
                      "RESPONSE=[ " + MaskCardNumbers(XmlTextAsUtf8(response)) + " ]",
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
  const std::string* status = element.Attribute("errorStatus");
  if (status == nullptr || TrimXmlSpace(*status).empty() || XmlBoolean(*status) == false) {
    auth.IsAuth = BoolAttribute(element, "userAuthenticated") == true;
    if (!control.EmailChanged && email.HasText()) auth.EmailAddress = std::move(email.text);
    if (customerId.HasText()) {
      auth.CustID = std::move(customerId.text);
      auth.IsTemp = BoolAttribute(customerId, "TemporaryID") == true;
      auth.DefaultQuenlo = BoolAttribute(customerId, "defaultQuenlo") == true;
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

  SendElements read(response);
  const std::optional<bool> outcome = read.Outcome();
  if (!outcome) {
    foundation::KWLog(3, "DigitalReceiptProcessed was missing, empty or no Boolean in the response",
                      foundation::kLevelWarning, kSendTag);
    return false;
  }
  control.DigitalSendOK = *outcome;

  if (control.DigitalSendOK) {
    XmlElement& customerId = read.CustomerId();
    const std::string* temporary = customerId.found ? customerId.Attribute("TemporaryID") : nullptr;
    if (temporary == nullptr) {
      foundation::KWLog(0, "The CustomerID tag or its TemporaryID attribute was missing",
                        foundation::kLevelError, kSendTag);
      return false;
    }
    if (TrimXmlSpace(*temporary).empty()) {
      foundation::KWLog(3, "The TemporaryID attribute of CustomerID was empty",
                        foundation::kLevelWarning, kSendTag);
      return true;
    }
    auth.IsTemp = XmlBoolean(*temporary) == true;
    if (auth.CustID.empty() && auth.IsTemp && customerId.HasText()) {
      auth.CustID = std::move(customerId.text);
    }
    return true;
  }

  if (read.Code().HasText()) {
    control.DigitalSendExDesc = std::move(read.Code().text);
  } else if (read.Description().HasText()) {
    control.DigitalSendExDesc = std::move(read.Description().text);
  }
  foundation::AppendVeskLog("DigitalSend Not OK");
  foundation::AppendVeskLog(MaskCardNumbers(control.DigitalSendExDesc));
  foundation::AppendVeskLog(MaskCardNumbers(lastRequest));
  return false;
}

bool ParseSendResponse(std::string_view response) {
  return ParseSendResponse(response, FTransControl, fAuth, LastRequest);
}

SendAnswer ReadSendAnswer(std::string_view response) {
  SendElements read(response);
  SendAnswer answer;
  answer.processed = read.Outcome();
  if (read.Code().HasText()) answer.exceptionCode = TrimXmlSpace(read.Code().text);
  if (read.Description().HasText()) {
    answer.exceptionDescription = TrimXmlSpace(read.Description().text);
  }
  return answer;
}

bool ReceiptConfirmed(std::string_view response) {
  return ReadSendAnswer(response).processed == true;
}

}  // namespace receipt
