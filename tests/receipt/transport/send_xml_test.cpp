// SendXML against the stand-in service over TLS on loopback: what is sent,
// what comes back, and how each kind of failure is reported.

#include <gtest/gtest.h>

#include <QTimer>
#include <climits>
#include <string>
#include <vector>

#include "receipt/https_transport.h"
#include "receipt_service/transport_fixture.h"
#include "sample_receipt.h"

namespace {

using receipt::LastCommError;
using receipt::LastHTTPCode;
using receipt::SendXML;
using receiptservice::Answer;
using receiptservice::AnswerKind;
using transporttest::TransportFixture;

class SendXmlTest : public TransportFixture {};

TEST_F(SendXmlTest, PostsTheRequestAsPlainTextXmlAndGivesTheBody) {
  const std::string request = receiptservice::SampleReceiptRequest(501);
  const std::string response = SendXML(service_->Url(), request);

  EXPECT_EQ(LastHTTPCode, 200);
  EXPECT_EQ(LastCommError, "");
  EXPECT_NE(response.find("<ns3:DigitalReceiptProcessed>true<"), std::string::npos) << response;

  const auto got = service_->Requests();
  ASSERT_EQ(got.size(), 1u);
  const auto& r = got[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.path, "/WS/v2.0/M-1001");
  EXPECT_EQ(r.body, request) << "the body arrives byte for byte";
  EXPECT_EQ(r.Header("Content-Type"), std::vector<std::string>{"text/xml"});
  EXPECT_EQ(r.Header("Accept"), std::vector<std::string>{"text/html, */*"});
  EXPECT_EQ(r.Header("Content-Length"), std::vector<std::string>{std::to_string(request.size())});
  EXPECT_TRUE(r.Header("SOAPAction").empty());
  EXPECT_TRUE(r.Header("Expect").empty()) << "a large body is sent without waiting for 100";
  EXPECT_TRUE(r.Header("Authorization").empty());
}

TEST_F(SendXmlTest, LogsTheExchangeWithoutTheFullCardNumber) {
  // A card number where none belongs, as a customer might type one.
  std::string request = receiptservice::SampleReceiptRequest(2);
  request.replace(request.find("Thank you"), 9, "4111111111111111");
  SendXML(service_->Url(), request);
  ASSERT_EQ(LastHTTPCode, 200);
  ASSERT_EQ(service_->Requests().at(0).body, request) << "only the log line is masked";

  const std::string log = AppLog();
  EXPECT_NE(log.find("Calling POST"), std::string::npos);
  EXPECT_NE(log.find("Request = [ <?xml"), std::string::npos);
  EXPECT_NE(log.find("************1111"), std::string::npos);
  EXPECT_EQ(log.find("4111111111111111"), std::string::npos);
  EXPECT_NE(log.find("Transmitting to [ " + service_->Url() + " ]"), std::string::npos);
  EXPECT_NE(log.find("Response = 200 HTTP/1.1 200 OK"), std::string::npos);
}

TEST_F(SendXmlTest, ErrorStatusesGiveTheirCodeAndStatusLineAndNoBodyUntilASuccess) {
  struct Case {
    AnswerKind kind;
    int code;
    const char* statusLine;
  };
  // A redirect is not followed: the request did not reach its service.
  for (const Case c : {Case{AnswerKind::NotFound, 404, "HTTP/1.1 404 Not Found"},
                       Case{AnswerKind::ServerError, 500, "HTTP/1.1 500 Internal Server Error"},
                       Case{AnswerKind::Redirect, 302, "HTTP/1.1 302 Found"},
                       Case{AnswerKind::BadRequest, 400, "HTTP/1.1 400 Bad Request"}}) {
    SCOPED_TRACE(c.code);
    service_->Plan({.kind = c.kind});
    const std::string response = SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1));
    EXPECT_EQ(LastHTTPCode, c.code);
    EXPECT_EQ(LastCommError, c.statusLine);
    EXPECT_EQ(response, "");
  }
  EXPECT_EQ(service_->RequestCount(), 4u);
  // A success clears the error of the exchange before.
  EXPECT_FALSE(SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1)).empty());
  EXPECT_EQ(LastHTTPCode, 200);
  EXPECT_EQ(LastCommError, "");
}

TEST_F(SendXmlTest, GarbageIsHandedOnAsItCame) {
  service_->Plan({.kind = AnswerKind::Garbage});
  const std::string response = SendXML(service_->Url(), "<a/>");
  EXPECT_EQ(LastHTTPCode, 200);
  EXPECT_EQ(LastCommError, "");
  EXPECT_EQ(response, receiptservice::Garbage());
}

TEST_F(SendXmlTest, ARefusedConnectionGivesNoCodeAndAnErrorThatIsNotTls) {
  service_->RefuseConnections(true);
  const std::string response = SendXML(service_->Url(), "<a/>");
  EXPECT_EQ(LastHTTPCode, -1);
  EXPECT_FALSE(LastCommError.empty());
  EXPECT_EQ(LastCommError.find("SSL"), std::string::npos) << LastCommError;
  EXPECT_EQ(response, "");

  // The service comes back on the same address.
  service_->RefuseConnections(false);
  SendXML(service_->Url(), "<a/>");
  EXPECT_EQ(LastHTTPCode, 500) << "an unknown operation is a SOAP fault";
}

TEST_F(SendXmlTest, AStallEndsAtTheConfiguredTimeOut) {
  foundation::MainPrefs.Timeout = 2;
  service_->Plan({.kind = AnswerKind::Stall, .stall = std::chrono::minutes(10)});
  const std::string response = SendXML(service_->Url(), "<a/>");
  // A request that reached the service is still held there: the client gave
  // up on its own.
  EXPECT_EQ(service_->StallsInProgress(), service_->RequestCount());
  EXPECT_EQ(LastHTTPCode, -1);
  EXPECT_NE(LastCommError.find("timed out"), std::string::npos) << LastCommError;
  EXPECT_EQ(LastCommError.find("SSL"), std::string::npos) << LastCommError;
  EXPECT_EQ(response, "");
}

TEST_F(SendXmlTest, ProxySettingsOfTheEnvironmentAreNotUsed) {
  for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    ::setenv(name, "http://127.0.0.1:9", 1);
  }
  SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1));
  for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    ::unsetenv(name);
  }
  EXPECT_EQ(LastHTTPCode, 200) << LastCommError;
}

// A transport that remembers the read time-out SendXML gives it.
class RecordingTvk : public receipt::Tvk {
 public:
  void SetReadTimeout(int32_t milliseconds) override {
    seen.push_back(milliseconds);
    Tvk::SetReadTimeout(milliseconds);
  }
  std::vector<int32_t> seen;
};

TEST_F(SendXmlTest, TheReadTimeOutComesFromTheSettingsWithZeroMeaningThirtySeconds) {
  struct Case {
    int32_t seconds;
    int32_t expectedMs;
  };
  for (const Case c :
       {Case{0, 30'000}, Case{-5, 30'000}, Case{7, 7'000}, Case{INT32_MAX, INT32_MAX}}) {
    SCOPED_TRACE(c.seconds);
    foundation::MainPrefs.Timeout = c.seconds;
    RecordingTvk tvk;
    SendXML(service_->Url(), "<a/>", &tvk);
    EXPECT_EQ(tvk.seen, std::vector<int32_t>{c.expectedMs});
    EXPECT_EQ(tvk.EffectiveTimeoutMs(), c.expectedMs);
    EXPECT_EQ(tvk.ContentType(), "text/xml");
    EXPECT_EQ(tvk.ContentLength(), 4);
    EXPECT_FALSE(tvk.BasicAuthentication());
  }
}

TEST_F(SendXmlTest, OnlyHttpAndHttpsAddressesAreUsed) {
  const std::string path = (root_ / "secret.txt").string();
  transporttest::fs::create_directories(root_);
  std::ofstream(path) << "not for posting";
  for (const std::string& url :
       {"file://" + path, std::string("ftp://127.0.0.1/x"), std::string("")}) {
    SCOPED_TRACE(url);
    const std::string response = SendXML(url, "<a/>");
    EXPECT_EQ(LastHTTPCode, -1);
    EXPECT_FALSE(LastCommError.empty());
    EXPECT_EQ(response, "");
  }
}

// A transport of its own: its time-out bounded before any setting, its last
// status kept, and a content length that does not match the body refused.
TEST_F(SendXmlTest, TheTransportGivenIsUsedAndKeepsItsLastStatus) {
  receipt::Tvk tvk;
  EXPECT_EQ(tvk.EffectiveTimeoutMs(), 30'000);
  tvk.SetReadTimeout(-1);
  EXPECT_EQ(tvk.EffectiveTimeoutMs(), 30'000);
  tvk.SetReadTimeout(1500);
  EXPECT_EQ(tvk.EffectiveTimeoutMs(), 1500);
  EXPECT_EQ(tvk.ResponseCode(), -1);
  EXPECT_EQ(tvk.ResponseText(), "");
  SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1), &tvk);
  EXPECT_EQ(tvk.ResponseCode(), 200);
  EXPECT_EQ(tvk.ResponseText(), "HTTP/1.1 200 OK");
  service_->Plan({.kind = AnswerKind::NotFound});
  SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1), &tvk);
  EXPECT_EQ(tvk.ResponseCode(), 404);
  EXPECT_EQ(service_->RequestCount(), 2u);

  receipt::Tvk mismatched;
  mismatched.SetContentLength(10);
  EXPECT_THROW(mismatched.Post(service_->Url(), "<a/>"), receipt::ETransportError);
  EXPECT_EQ(mismatched.ResponseCode(), -1);
  EXPECT_EQ(service_->RequestCount(), 2u) << "nothing sent";
}

TEST_F(SendXmlTest, WindowEventsKeepRunningWhileAnExchangeWaits) {
  foundation::MainPrefs.Timeout = 1;
  service_->Plan({.kind = AnswerKind::Stall, .stall = std::chrono::minutes(10)});
  bool inExchange = false;
  bool ranDuringExchange = false;
  QTimer::singleShot(0, [&] { ranDuringExchange = inExchange; });
  inExchange = true;
  SendXML(service_->Url(), "<a/>");
  inExchange = false;
  EXPECT_TRUE(ranDuringExchange);
  EXPECT_NE(LastCommError.find("timed out"), std::string::npos) << LastCommError;
}

}  // namespace
