// The attempt, retry and queue rules of the two exchanges against the stand-in
// receipt service over TLS, and what each outcome leaves in the sale's
// records, the queue folder and the traffic log.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "foundation/prefs_records.h"
#include "receipt/https_transport.h"
#include "receipt/progress_window.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"
#include "receipt/soap_responses.h"
#include "workflow_fixture.h"

namespace {

using receipt::AuthBillToCustomer;
using receipt::fAuth;
using receipt::FTransControl;
using receipt::SendDigitalReceipt;
using receiptservice::Answer;
using receiptservice::AnswerKind;
using testsupport::ReadFileText;
using workflowtest::kCardNumber;
using workflowtest::WorkflowFixture;

class ExchangeRulesTest : public WorkflowFixture {
 protected:
  // The one queue file holds exactly the request and a line end, and is named
  // after the sale's workstation without the receipt's zero padding.
  void ExpectQueued(const std::string& request) {
    const auto files = QueueFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadFileText(files[0]), request + "\r\n");
    const std::string name = files[0].filename().string();
    EXPECT_EQ(name.substr(name.size() - 8), "_WS3.xml") << name;
    EXPECT_TRUE(FTransControl.RequestQueued);
  }
  void ExpectNothingQueued() {
    EXPECT_TRUE(QueueFiles().empty());
    EXPECT_FALSE(FTransControl.RequestQueued);
  }
};

// One failing exchange, planned for the first attempt or given to every one.
struct Failure {
  const char* name;
  Answer answer;
  bool everyAttempt;
  size_t posts;     // SendXML calls made
  size_t requests;  // requests the service read
  int httpCode;
  const char* errorHas;  // in the error text; nullptr: the text stays empty
  bool queued;           // the receipt is queued / the authentication marks a queueing
};

const Answer kHandshakeFailure{.kind = AnswerKind::HandshakeFailure};
const Answer kStall{.kind = AnswerKind::Stall, .stall = std::chrono::seconds(30)};

std::string PrintFailure(const ::testing::TestParamInfo<Failure>& info) {
  return info.param.name;
}

class ExchangeFailureTest : public ExchangeRulesTest,
                            public ::testing::WithParamInterface<Failure> {
 protected:
  void Give(const Failure& c) {
    if (c.everyAttempt) {
      service_->SetDefaultAnswer(c.answer);
    } else {
      service_->Plan(c.answer);
    }
  }
  void ExpectError(const Failure& c) {
    EXPECT_EQ(Posts(), c.posts);
    EXPECT_EQ(service_->RequestCount(), c.requests);
    EXPECT_EQ(service_->TlsFailuresGiven(),
              c.answer.kind == AnswerKind::HandshakeFailure ? 4u : 0u);
    EXPECT_EQ(FTransControl.HTTPCode, c.httpCode);
    EXPECT_TRUE(FTransControl.CommError);
    EXPECT_EQ(receipt::CurrentProgressWindow(), nullptr) << "closed after a failure too";
    if (c.errorHas == nullptr) {
      EXPECT_EQ(FTransControl.ErrorText, "") << "the transport raised nothing";
    } else {
      EXPECT_NE(FTransControl.ErrorText.find(c.errorHas), std::string::npos)
          << FTransControl.ErrorText;
    }
  }
};

class ReceiptFailureTest : public ExchangeFailureTest {};
class AuthenticationFailureTest : public ExchangeFailureTest {};

// A failed receipt exchange is queued, whatever answer other than 2xx came
// (a redirect, which is not followed, and a 400 included); a TLS failure is
// retried up to four attempts, nothing else is.
TEST_P(ReceiptFailureTest, MarksTheErrorAndQueuesTheReceipt) {
  const Failure c = GetParam();
  if (c.answer.kind == AnswerKind::Stall) foundation::MainPrefs.Timeout = 1;
  const std::string request = ReceiptRequest();
  Give(c);
  std::string response = "stale";

  SendDigitalReceipt(request, response);

  ExpectError(c);
  EXPECT_EQ(response, "");
  if (c.queued) {
    ExpectQueued(request);
  } else {
    ExpectNothingQueued();
  }
  EXPECT_EQ(receipt::LastRequest, request);
  const std::string traffic = TrafficLog();
  EXPECT_NE(traffic.find("sendDigitalReceiptRequest Error"), std::string::npos) << traffic;
  EXPECT_NE(traffic.find("HTTP Response=" + std::to_string(c.httpCode)), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ReceiptFailureTest,
    ::testing::Values(
        Failure{"TlsOnEveryAttempt", kHandshakeFailure, true, 4, 0, -1, "SSL", true},
        Failure{"NoAnswerInTime", kStall, true, 1, 1, -1, "", true},
        Failure{"ServerError", {.kind = AnswerKind::ServerError}, false, 1, 1, 500, "500", true},
        Failure{"NotFound", {.kind = AnswerKind::NotFound}, false, 1, 1, 404, "404", true},
        Failure{"Redirect", {.kind = AnswerKind::Redirect}, false, 1, 1, 302, "302", true},
        Failure{"BadRequest", {.kind = AnswerKind::BadRequest}, false, 1, 1, 400, "400", true},
        // The request went out and no answer came back whole: the receipt is
        // queued once and never posted again by the loop, TLS error or not.
        Failure{"TlsBrokenAfterTheRequest",
                {.kind = AnswerKind::TlsBrokenAfterRequest},
                true,
                1,
                1,
                -1,
                "SSL",
                true},
        Failure{"ClosedAfterTheRequest",
                {.kind = AnswerKind::ClosedAfterRequest},
                true,
                1,
                1,
                -1,
                "",
                true},
        Failure{"AnswerCutShort", {.kind = AnswerKind::CutShort}, true, 1, 1, 200, "", true}),
    PrintFailure);

// A failed authentication ends the digital receipt, but for an answer that
// only says the service is missing (404): then the receipt is to be queued.
TEST_P(AuthenticationFailureTest, EndsTheDigitalReceiptOrMarksItForTheQueue) {
  const Failure c = GetParam();
  Give(c);

  AuthBillToCustomer();

  ExpectError(c);
  EXPECT_EQ(FTransControl.QueueDueToCommsFailure, c.queued);
  EXPECT_EQ(FTransControl.NoVesk, !c.queued) << "a queued receipt is still a digital receipt";
  EXPECT_TRUE(FTransControl.CustomerDone);
  ExpectNothingQueued();
  EXPECT_NE(TrafficLog().find("AuthenticateUserPOSRequest Error"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AuthenticationFailureTest,
    ::testing::Values(
        Failure{"TlsOnEveryAttempt", kHandshakeFailure, true, 4, 0, -1, "SSL", false},
        Failure{"ServerError", {.kind = AnswerKind::ServerError}, false, 1, 1, 500, "500", false},
        Failure{"NotFound", {.kind = AnswerKind::NotFound}, false, 1, 1, 404, "404", true},
        Failure{"Redirect", {.kind = AnswerKind::Redirect}, false, 1, 1, 302, "302", false},
        Failure{"BadRequest", {.kind = AnswerKind::BadRequest}, false, 1, 1, 400, "400", false}),
    PrintFailure);

TEST_F(ExchangeRulesTest, TlsFailuresThenAnAnswerStopTheRetries) {
  service_->Plan({.kind = AnswerKind::HandshakeFailure});
  service_->Plan({.kind = AnswerKind::UntrustedCertificate});
  const std::string request = ReceiptRequest();
  std::string response;

  SendDigitalReceipt(request, response);

  EXPECT_EQ(service_->TlsFailuresGiven(), 2u);
  EXPECT_EQ(service_->RequestCount(), 1u) << "the third attempt got through";
  EXPECT_EQ(FTransControl.HTTPCode, 200);
  EXPECT_FALSE(FTransControl.CommError);
  ExpectNothingQueued();
  EXPECT_TRUE(receipt::ParseSendResponse(response));
  EXPECT_TRUE(FTransControl.DigitalSendOK);
}

TEST_F(ExchangeRulesTest, ARefusedAuthenticationQueuesTheReceiptWithoutSendingIt) {
  service_->RefuseConnections(true);

  AuthBillToCustomer();

  EXPECT_EQ(Posts(), 1u) << "a connection failure ends the attempts at once";
  EXPECT_TRUE(FTransControl.QueueDueToCommsFailure);
  EXPECT_FALSE(FTransControl.NoVesk) << "a queued receipt is still a digital receipt";
  EXPECT_TRUE(FTransControl.CommError);
  EXPECT_FALSE(FTransControl.ErrorText.empty());
  EXPECT_TRUE(FTransControl.CustomerDone);
  EXPECT_NE(TrafficLog().find("AuthenticateUserPOSRequest Error"), std::string::npos);

  // The service is back, but the sale's receipt goes to the queue untried.
  service_->RefuseConnections(false);
  const std::string request = ReceiptRequest();
  std::string response = "stale";
  SendDigitalReceipt(request, response);

  EXPECT_EQ(Posts(), 1u) << "no attempt for the receipt";
  EXPECT_EQ(service_->RequestCount(), 0u);
  EXPECT_EQ(response, "");
  ExpectQueued(request);
}

TEST_F(ExchangeRulesTest, AGoodAnswerIsReadIntoTheCustomer) {
  service_->Plan({.kind = AnswerKind::Normal,
                  .authenticated = true,
                  .digitalDefault = true,
                  .temporaryId = true,
                  .customerId = "C-4242"});

  AuthBillToCustomer();

  EXPECT_EQ(service_->RequestCount(), 1u);
  EXPECT_EQ(FTransControl.HTTPCode, 200);
  EXPECT_FALSE(FTransControl.CommError);
  EXPECT_FALSE(FTransControl.NoVesk);
  EXPECT_TRUE(FTransControl.CustomerDone);
  EXPECT_EQ(fAuth.CustID, "C-4242");
  EXPECT_TRUE(fAuth.IsAuth);
  EXPECT_TRUE(fAuth.IsTemp);
  EXPECT_TRUE(fAuth.DefaultQuenlo);
  EXPECT_TRUE(FTransControl.IsAuth);
  EXPECT_EQ(TrafficLog(), "") << "nothing failed";

  const std::string request = ReceiptRequest();
  std::string response;
  SendDigitalReceipt(request, response);
  EXPECT_FALSE(FTransControl.CommError);
  ExpectNothingQueued();
  EXPECT_TRUE(receipt::ParseSendResponse(response));
  EXPECT_TRUE(FTransControl.DigitalSendOK);
  EXPECT_EQ(service_->Requests().back().body, request);
}

TEST_F(ExchangeRulesTest, ReAuthenticationReadsTheAnswerButDoesNotMarkTheCustomerDone) {
  service_->Plan({.kind = AnswerKind::Normal, .customerId = "C-77"});
  receipt::ReAuthCustomer();
  EXPECT_EQ(fAuth.CustID, "C-77");
  EXPECT_FALSE(FTransControl.CustomerDone);
  EXPECT_FALSE(FTransControl.IsAuth) << "only the first authentication copies the flag";

  service_->RefuseConnections(true);
  receipt::ReAuthCustomer();
  EXPECT_EQ(receipt::CurrentProgressWindow(), nullptr);
  EXPECT_TRUE(FTransControl.QueueDueToCommsFailure);
  EXPECT_FALSE(FTransControl.NoVesk);
  EXPECT_EQ(fAuth.CustID, "C-77") << "no answer was read";
}

TEST_F(ExchangeRulesTest, AnEarlierFailureDoesNotMarkALaterGoodExchange) {
  service_->Plan({.kind = AnswerKind::ServerError});
  std::string response;
  receipt::AuthenticateUser(response);
  ASSERT_TRUE(FTransControl.CommError);

  receipt::AuthenticateUser(response);

  EXPECT_EQ(FTransControl.HTTPCode, 200);
  EXPECT_FALSE(FTransControl.CommError);
  EXPECT_EQ(FTransControl.ErrorText, "");
}

TEST_F(ExchangeRulesTest, NoFullCardNumberNorAddressPasswordReachesTheTrafficOrApplicationLog) {
  const std::string url = service_->Url();
  foundation::MainPrefs.URL = url.substr(0, 8) + "clerk:s3cret@" + url.substr(8);
  const std::string request = ReceiptRequest();
  service_->Plan({.kind = AnswerKind::ServerError});
  AuthBillToCustomer();
  ASSERT_NE(service_->Requests().at(0).body.find(kCardNumber), std::string::npos)
      << "the number itself is sent";
  const std::string traffic = TrafficLog();
  EXPECT_NE(traffic.find("Request:"), std::string::npos);
  EXPECT_NE(traffic.find("************1111"), std::string::npos);
  EXPECT_EQ(traffic.find(kCardNumber), std::string::npos);
  EXPECT_NE(traffic.find("URL:https://***@localhost:"), std::string::npos) << traffic;

  service_->Plan({.kind = AnswerKind::ServerError});
  std::string response;
  SendDigitalReceipt(request, response);
  const std::string log = log_->Text();
  ASSERT_NE(log.find("Transmitting to [ https://***@localhost:"), std::string::npos);
  for (const std::string& text : {TrafficLog(), log}) {
    EXPECT_NE(text.find("sendDigitalReceiptRequest"), std::string::npos);
    EXPECT_EQ(text.find(kCardNumber), std::string::npos);
    EXPECT_EQ(text.find("s3cret"), std::string::npos);
  }
}

}  // namespace
