// A send answer in any form XML allows is read alike by the sale and by the
// queue service: every encoding with or without its byte-order mark and
// declaration, prefixes and namespaces, CDATA, references and entities,
// comments inside the value, Booleans in each form, and empty, missing and
// doubled outcome elements. What the cashier is told and what becomes of the
// queue file must agree for each.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "foundation/prefs_records.h"
#include "queue_delivery.h"
#include "queue_files_support.h"
#include "receipt/https_transport.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"
#include "receipt/soap_responses.h"
#include "receipt_service/transport_fixture.h"
#include "soap_answers.h"

namespace {

namespace fs = std::filesystem;
using queuetest::FileNames;
using queuetest::Queue;
using receiptservice::Answer;
using receiptservice::AnswerKind;

// `text` (ASCII or UTF-8 of the Basic Multilingual Plane) as UTF-16 code
// units in the given byte order, with or without a byte-order mark.
std::string Utf16(const std::string& text, bool bigEndian, bool mark) {
  std::string out;
  auto unit = [&](uint32_t u) {
    const char hi = static_cast<char>((u >> 8) & 0xFF);
    const char lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  if (mark) unit(0xFEFF);
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    uint32_t cp = length == 1 ? lead : lead & (0x7Fu >> length);
    for (int k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    i += static_cast<size_t>(length);
    unit(cp);
  }
  return out;
}

const char* const kDecl8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const char* const kDecl16 = "<?xml version='1.0' encoding='UTF-16'?>";

// A send answer whose outcome element holds `outcome` (raw XML), in the
// usual prefixed form.
std::string Prefixed(const std::string& outcome, const std::string& extra = "") {
  return "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<soapenv:Body><ns3:sendDigitalReceiptResponse xmlns:ns3=\"http://ws.quenlo.example/WS/"
         "v2.0\">" +
         outcome + extra +
         "<CustomerID TemporaryID=\"false\">C-1</CustomerID>"
         "</ns3:sendDigitalReceiptResponse></soapenv:Body></soapenv:Envelope>";
}
std::string Outcome(const std::string& value) {
  return "<ns3:DigitalReceiptProcessed>" + value + "</ns3:DigitalReceiptProcessed>";
}

class AnswerFormsAlikeTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    queue_ = root_ / "VeskRcpts" / "Queue";
    saleQueue_ = root_ / "sale-queue";
    fs::create_directories(queue_);
    fs::create_directories(saleQueue_);
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
    foundation::MainPrefs.URL = service_->Url();
    foundation::MainPrefs.QueueDirectory = saleQueue_.string();
    foundation::MainPrefs.Timeout = 5;
  }

  std::string Sale(const Answer& answer) {
    receipt::ResetTransControl();
    service_->Plan(answer);
    std::string response;
    receipt::SendDigitalReceipt(queuetest::RequestNumbered("951"), response);
    const receipt::TransControl& c = receipt::FTransControl;
    if (c.RequestQueued) return "queued";
    if (c.CommError) return "failed";
    return receipt::ParseSendResponse(response) && c.DigitalSendOK ? "sent" : "failed";
  }

  std::string QueueService(const Answer& answer) {
    for (const std::string& name : FileNames(queue_)) fs::remove_all(queue_ / name);
    Queue(queue_, "952");
    service_->Plan(answer);
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    const queueservice::RoundResult round = queueservice::DeliverQueue(settings_, log);
    if (round.sent == 1) return "accepted";
    if (round.setAside == 1) return "set aside";
    return round.unreachable ? "kept, no response" : "kept, failed answer";
  }

  fs::path queue_;
  fs::path saleQueue_;
  queueservice::QueueSettings settings_;
};

TEST_F(AnswerFormsAlikeTest, EveryFormOfAnAnswerIsReadAlikeByTheSaleAndTheQueueService) {
  const std::string yes = Prefixed(Outcome("true"));
  const std::string no = Prefixed(Outcome("false"));
  const std::string defaultNs =
      "<Envelope xmlns=\"http://schemas.xmlsoap.org/soap/envelope/\"><Body>"
      "<sendDigitalReceiptResponse xmlns=\"http://ws.quenlo.example/WS/v2.0\">"
      "<DigitalReceiptProcessed>true</DigitalReceiptProcessed>"
      "<CustomerID TemporaryID=\"false\">C-1</CustomerID>"
      "</sendDigitalReceiptResponse></Body></Envelope>";
  const std::string undeclaredPrefix =
      "<s:Envelope><s:Body><x:sendDigitalReceiptResponse><x:DigitalReceiptProcessed>true"
      "</x:DigitalReceiptProcessed><x:CustomerID x:TemporaryID=\"false\">C-1</x:CustomerID>"
      "</x:sendDigitalReceiptResponse></s:Body></s:Envelope>";
  const struct {
    const char* name;
    std::string body;
    const char* sale;
    const char* queueService;
  } cases[] = {
      {"UTF-8, declaration", kDecl8 + yes, "sent", "accepted"},
      {"UTF-8, no declaration", yes, "sent", "accepted"},
      {"UTF-8, byte-order mark and declaration", "\xEF\xBB\xBF" + std::string(kDecl8) + yes,
       "sent", "accepted"},
      {"UTF-8, byte-order mark only", "\xEF\xBB\xBF" + yes, "sent", "accepted"},
      {"UTF-16 LE, mark and declaration", Utf16(kDecl16 + yes, false, true), "sent", "accepted"},
      {"UTF-16 LE, mark only", Utf16(yes, false, true), "sent", "accepted"},
      {"UTF-16 BE, mark and declaration", Utf16(kDecl16 + yes, true, true), "sent", "accepted"},
      {"UTF-16 BE, mark only", Utf16(yes, true, true), "sent", "accepted"},
      {"UTF-16 LE, refusal", Utf16(kDecl16 + no, false, true), "failed", "set aside"},
      {"ISO-8859-1 declared, a Latin-1 byte elsewhere",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
           Prefixed(Outcome("true"), "<Note>caf\xE9</Note>"),
       "sent", "accepted"},
      {"default namespace, no prefixes", defaultNs, "sent", "accepted"},
      {"undeclared prefixes", undeclaredPrefix, "sent", "accepted"},
      {"CDATA", Prefixed(Outcome("<![CDATA[true]]>")), "sent", "accepted"},
      {"character reference", Prefixed(Outcome("&#116;ru&#x65;")), "sent", "accepted"},
      {"comment inside the value", Prefixed(Outcome("tr<!-- x -->ue")), "sent", "accepted"},
      {"processing instruction inside the value", Prefixed(Outcome("<?pi x?>true")), "sent",
       "accepted"},
      {"internal entity", "<!DOCTYPE e [<!ENTITY ok \"true\">]>" + Prefixed(Outcome("&ok;")),
       "sent", "accepted"},
      {"1 with blanks and line breaks", Prefixed(Outcome("\r\n\t 1 \n")), "sent", "accepted"},
      {"TRUE in capitals", Prefixed(Outcome("TRUE")), "sent", "accepted"},
      {"0", Prefixed(Outcome(" 0 ")), "failed", "set aside"},
      {"false", no, "failed", "set aside"},
      {"yes: no Boolean", Prefixed(Outcome("yes")), "failed", "kept, failed answer"},
      {"2: no Boolean", Prefixed(Outcome("2")), "failed", "kept, failed answer"},
      {"empty element", Prefixed("<ns3:DigitalReceiptProcessed/>"), "failed",
       "kept, failed answer"},
      {"blank element", Prefixed(Outcome("  ")), "failed", "kept, failed answer"},
      {"missing", Prefixed(""), "failed", "kept, failed answer"},
      {"outcome only inside a comment", Prefixed("<!-- " + Outcome("true") + " -->"), "failed",
       "kept, failed answer"},
      {"outcome only inside CDATA", Prefixed("<Note><![CDATA[" + Outcome("true") + "]]></Note>"),
       "failed", "kept, failed answer"},
      {"doubled, true first", Prefixed(Outcome("true") + Outcome("false")), "sent", "accepted"},
      {"doubled, false first", Prefixed(Outcome("false") + Outcome("true")), "failed",
       "set aside"},
      // The service took the receipt; the sale shows it failed (paper) but
      // neither queues it nor sends it again.
      {"confirmation without CustomerID",
       "<s:Envelope xmlns:s=\"urn:s\"><s:Body><r:sendDigitalReceiptResponse xmlns:r=\"urn:r\">" +
           Outcome("true") + "</r:sendDigitalReceiptResponse></s:Body></s:Envelope>",
       "failed", "accepted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer answer{.kind = AnswerKind::Custom, .status = 200, .body = c.body};
    EXPECT_EQ(Sale(answer), c.sale) << receipt::LastCommError;
    EXPECT_EQ(QueueService(answer), c.queueService)
        << testsupport::ReadFileText(root_ / "queue.log");
  }
  EXPECT_TRUE(FileNames(saleQueue_).empty()) << "no answer read queues the sale's receipt";
}

// Each of the sale's and the queue service's readings of the customer
// identifier survive any encoding: the temporary identifier a confirmation
// gives in UTF-16 is kept as the same text it is in UTF-8.
TEST_F(AnswerFormsAlikeTest, ATemporaryIdentifierReadsTheSameInEveryEncoding) {
  const std::string body =
      "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">"
      "<soapenv:Body><ns3:sendDigitalReceiptResponse xmlns:ns3=\"urn:x\">"
      "<ns3:DigitalReceiptProcessed>1</ns3:DigitalReceiptProcessed>"
      "<CustomerID TemporaryID=\" 1 \">T-\xC3\xA9\xE2\x82\xAC-7</CustomerID>"
      "</ns3:sendDigitalReceiptResponse></soapenv:Body></soapenv:Envelope>";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"UTF-8", kDecl8 + body},
      {"UTF-16 LE", Utf16(kDecl16 + body, false, true)},
      {"UTF-16 BE", Utf16(kDecl16 + body, true, true)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    receipt::fAuth = {};
    receipt::TransControl control;
    EXPECT_TRUE(receipt::ParseSendResponse(c.bytes, control, receipt::fAuth, ""));
    EXPECT_TRUE(receipt::fAuth.IsTemp);
    EXPECT_EQ(receipt::fAuth.CustID, "T-\xC3\xA9\xE2\x82\xAC-7");
  }
}

// An answer cut at every byte (its transfer whole, so only the document is
// short), in UTF-8 and UTF-16: the sale and the queue service agree on every
// cut, and none confirms or refuses before the outcome's end tag was read.
TEST(AnswerCutAtEveryByte, TheSaleAndTheQueueServiceAgreeOnEveryCut) {
  const std::string accepted = kDecl8 + Prefixed(Outcome("true"));
  const std::string refused =
      kDecl8 + Prefixed(Outcome("false"), "<ExceptionCode>MERCHANT_NOT_FOUND</ExceptionCode>");
  const std::string endTag = "</ns3:DigitalReceiptProcessed>";
  const struct {
    const char* name;
    std::string whole;
    size_t outcomeEnd;  // bytes up to the end of the outcome's end tag
  } cases[] = {
      {"UTF-8 confirmation", accepted, accepted.find(endTag) + endTag.size()},
      {"UTF-8 refusal", refused, refused.find(endTag) + endTag.size()},
      {"UTF-16 confirmation", Utf16(kDecl16 + Prefixed(Outcome("true")), false, true),
       2 * ((kDecl16 + Prefixed(Outcome("true"))).find(endTag) + endTag.size()) + 2},
      {"UTF-16 BE refusal", Utf16(kDecl16 + Prefixed(Outcome("false")), true, true),
       2 * ((kDecl16 + Prefixed(Outcome("false"))).find(endTag) + endTag.size()) + 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t cut = 1; cut <= c.whole.size(); ++cut) {
      const std::string body = c.whole.substr(0, cut);
      const std::optional<bool> queue = receipt::ReadSendAnswer(body).processed;
      receipt::TransControl control;
      receipt::AuthRec auth;
      receipt::ParseSendResponse(body, control, auth, "");
      ASSERT_EQ(queue == true, control.DigitalSendOK) << "cut at " << cut;
      if (cut < c.outcomeEnd) {
        ASSERT_FALSE(queue.has_value()) << "an outcome read from " << cut << " bytes of "
                                        << c.outcomeEnd;
      } else {
        ASSERT_TRUE(queue.has_value()) << "no outcome read from " << cut << " bytes";
      }
    }
  }
}

// The customer answer in every encoding and Boolean form: the same record.
TEST(AuthAnswerForms, EveryFormGivesTheSameCustomer) {
  auto answer = [](const std::string& status, const std::string& authenticated) {
    return "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<soapenv:Body><ns3:AuthenticateUserPOSResponse xmlns:ns3=\"urn:x\"" +
           status + " userAuthenticated=\"" + authenticated +
           "\"><EmailAddress>zo\xC3\xAB&amp;al@example.com</EmailAddress>"
           "<CustomerID TemporaryID=\" 0 \" defaultQuenlo=\"1\">C-\xC3\xA9</CustomerID>"
           "<Exceptions>none</Exceptions></ns3:AuthenticateUserPOSResponse></soapenv:Body>"
           "</soapenv:Envelope>";
  };
  const struct {
    const char* name;
    std::string bytes;
    bool error;
    bool authenticated;
  } cases[] = {
      {"UTF-8", kDecl8 + answer(" errorStatus=\"false\"", "true"), false, true},
      {"UTF-16 LE", Utf16(kDecl16 + answer(" errorStatus=\"false\"", "true"), false, true),
       false, true},
      {"UTF-16 BE, no declaration", Utf16(answer(" errorStatus='0'", "1"), true, true), false,
       true},
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
                         std::string("<ns3:AuthenticateUserPOSResponse xmlns:ns3=\"urn:x\" "
                                     "errorStatus=\" FALSE \" userAuthenticated=\" 1\">"
                                     "<EmailAddress>zo\xEB&amp;al@example.com</EmailAddress>"
                                     "<CustomerID TemporaryID=\"false\" defaultQuenlo=\"true\">"
                                     "C-\xE9</CustomerID></ns3:AuthenticateUserPOSResponse>"),
       false, true},
      {"no errorStatus", answer("", "0"), false, false},
      {"blank errorStatus", answer(" errorStatus=\" \"", "false"), false, false},
      {"errorStatus 1", answer(" errorStatus=\"1\"", "true"), true, false},
      {"errorStatus TRUE", answer(" errorStatus=\"TRUE\"", "true"), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    receipt::AuthRec auth;
    receipt::TransControl control;
    const bool read = receipt::ParseAuthResponse(c.bytes, auth, control);
    EXPECT_EQ(auth.ErrorStatus, c.error);
    EXPECT_EQ(read, !c.error);
    if (c.error) {
      EXPECT_EQ(auth.Exceptions, "none");
      continue;
    }
    EXPECT_EQ(auth.IsAuth, c.authenticated);
    EXPECT_EQ(auth.EmailAddress, "zo\xC3\xAB&al@example.com");
    EXPECT_EQ(auth.CustID, "C-\xC3\xA9");
    EXPECT_FALSE(auth.IsTemp);
    EXPECT_TRUE(auth.DefaultQuenlo);
  }
}

}  // namespace
