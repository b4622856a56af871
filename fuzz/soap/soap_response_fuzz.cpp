// Feeds arbitrary bytes to both response parsers, to the reading of a send
// answer the queue service uses, to the conversion of a logged answer into
// UTF-8 and to the entity decoder. Parsing must never crash, read out of
// bounds or raise; the records may hold anything afterwards. The sale's and
// the queue service's readings agree, and a decoded text is never longer
// than its source.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "receipt/card_masking.h"
#include "receipt/records.h"
#include "receipt/soap_responses.h"
#include "receipt/xml_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  receipt::AuthRec auth;
  receipt::TransControl control;
  control.EmailChanged = size % 2 == 0;
  receipt::ParseAuthResponse(text, auth, control);

  // A non-empty customer identifier keeps the refused-receipt road (which
  // writes the traffic log) from being the only one taken.
  auth.CustID = size % 3 == 0 ? "" : "C-1";
  receipt::ParseSendResponse(text, control, auth, "");
  // The confirmation alone reads as the full reading does.
  if (receipt::ReceiptConfirmed(text) && !control.DigitalSendOK) std::abort();
  const receipt::SendAnswer answer = receipt::ReadSendAnswer(text);
  if (answer.processed == true && !receipt::ReceiptConfirmed(text)) std::abort();
  if (answer.processed == false && control.DigitalSendOK) std::abort();
  receipt::XmlTextAsUtf8(text);

  if (receipt::DecodeXmlText(text).size() > size) std::abort();
  if (receipt::MaskCardNumbers(text).size() != size) std::abort();
  return 0;
}
