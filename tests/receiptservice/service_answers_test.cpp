// The service's planned answers, read by the plug-in's own response parser,
// and the order in which planned answers are used.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "receipt/https_transport.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "receipt/soap_responses.h"
#include "receipt_service.h"
#include "receipt_service/transport_fixture.h"
#include "sample_receipt.h"

namespace {

namespace fs = std::filesystem;
using receipt::LastCommError;
using receipt::LastHTTPCode;
using receipt::SendXML;
using receiptservice::Answer;
using receiptservice::AnswerKind;
using testsupport::ReadFileText;
using transporttest::TransportFixture;

class ServiceAnswerTest : public TransportFixture {
 protected:
  std::string Authenticate() {
    receipt::AuthRec customer;
    customer.EmailAddress = "pat&co@example.com";
    return SendXML(service_->Url(), receipt::AuthenticateUserPOSRequest(customer));
  }
};

TEST_F(ServiceAnswerTest, NormalAuthenticationAnswersDescribeTheCustomerAsPlanned) {
  for (int bits = 0; bits < 8; ++bits) {
    SCOPED_TRACE(bits);
    const Answer planned{.authenticated = (bits & 1) != 0,
                         .digitalDefault = (bits & 2) != 0,
                         .temporaryId = (bits & 4) != 0,
                         .customerId = "C-" + std::to_string(bits)};
    service_->Plan(planned);
    const std::string response = Authenticate();
    ASSERT_EQ(LastHTTPCode, 200) << LastCommError;
    receipt::AuthRec auth;
    receipt::TransControl control;
    EXPECT_TRUE(receipt::ParseAuthResponse(response, auth, control));
    EXPECT_EQ(auth.IsAuth, planned.authenticated);
    EXPECT_EQ(auth.DefaultQuenlo, planned.digitalDefault);
    EXPECT_EQ(auth.IsTemp, planned.temporaryId);
    EXPECT_EQ(auth.CustID, planned.customerId);
    EXPECT_EQ(auth.EmailAddress, "pat&co@example.com") << "the address comes back as sent";
  }
}

// The accepted answers in their other well-formed form read exactly as the
// plain ones, through the real transport.
TEST_F(ServiceAnswerTest, ReformattedAnswersReadAsThePlainOnes) {
  for (int bits = 0; bits < 8; ++bits) {
    SCOPED_TRACE(bits);
    const Answer planned{.kind = AnswerKind::Reformatted,
                         .authenticated = (bits & 1) != 0,
                         .digitalDefault = (bits & 2) != 0,
                         .temporaryId = (bits & 4) != 0,
                         .customerId = "C&" + std::to_string(bits)};
    service_->Plan(planned);
    const std::string response = Authenticate();
    ASSERT_EQ(LastHTTPCode, 200) << LastCommError;
    EXPECT_NE(response.find("<![CDATA["), std::string::npos) << response;
    receipt::AuthRec auth;
    receipt::TransControl control;
    EXPECT_TRUE(receipt::ParseAuthResponse(response, auth, control));
    EXPECT_EQ(auth.IsAuth, planned.authenticated);
    EXPECT_EQ(auth.DefaultQuenlo, planned.digitalDefault);
    EXPECT_EQ(auth.IsTemp, planned.temporaryId);
    EXPECT_EQ(auth.CustID, planned.customerId);
    EXPECT_EQ(auth.EmailAddress, "pat&co@example.com");

    service_->Plan(planned);
    const std::string request = receiptservice::SampleReceiptRequest(1);
    receipt::AuthRec sent;
    EXPECT_TRUE(
        receipt::ParseSendResponse(SendXML(service_->Url(), request), control, sent, request));
    EXPECT_TRUE(control.DigitalSendOK);
    EXPECT_EQ(sent.IsTemp, planned.temporaryId);
    EXPECT_EQ(sent.CustID, planned.temporaryId ? planned.customerId : "");
  }
}

TEST_F(ServiceAnswerTest, RefusalsReadAsRefusals) {
  service_->Plan({.kind = AnswerKind::ErrorStatus});
  receipt::AuthRec auth;
  receipt::TransControl control;
  EXPECT_FALSE(receipt::ParseAuthResponse(Authenticate(), auth, control));
  EXPECT_TRUE(auth.ErrorStatus);
  EXPECT_FALSE(auth.Exceptions.empty());

  service_->Plan({.kind = AnswerKind::MerchantNotFound});
  const std::string request = receiptservice::SampleReceiptRequest(1);
  EXPECT_FALSE(
      receipt::ParseSendResponse(SendXML(service_->Url(), request), control, auth, request));
  EXPECT_EQ(control.DigitalSendExDesc, "MERCHANT_NOT_FOUND");

  service_->Plan({.kind = AnswerKind::ErrorStatus});
  EXPECT_FALSE(
      receipt::ParseSendResponse(SendXML(service_->Url(), request), control, auth, request));
  EXPECT_FALSE(control.DigitalSendOK);
  EXPECT_EQ(control.DigitalSendExDesc, "RECEIPT_REJECTED");
}

TEST_F(ServiceAnswerTest, AnAcceptedReceiptWithATemporaryIdentifierFillsAnEmptyCustomer) {
  service_->Plan({.temporaryId = true, .customerId = "TMP-9"});
  const std::string request = receiptservice::SampleReceiptRequest(1);
  receipt::AuthRec auth;
  receipt::TransControl control;
  EXPECT_TRUE(
      receipt::ParseSendResponse(SendXML(service_->Url(), request), control, auth, request));
  EXPECT_TRUE(control.DigitalSendOK);
  EXPECT_EQ(auth.CustID, "TMP-9");
}

TEST_F(ServiceAnswerTest, PlannedAnswersAreUsedInOrderThenTheDefault) {
  service_->Plan({.kind = AnswerKind::HandshakeFailure});
  service_->Plan({.kind = AnswerKind::NotFound});
  service_->SetDefaultAnswer({.kind = AnswerKind::ServerError});
  const std::string request = receiptservice::SampleReceiptRequest(1);

  SendXML(service_->Url(), request);
  EXPECT_EQ(LastHTTPCode, -1);
  EXPECT_NE(LastCommError.find("SSL"), std::string::npos);
  SendXML(service_->Url(), request);
  EXPECT_EQ(LastHTTPCode, 404);
  SendXML(service_->Url(), request);
  EXPECT_EQ(LastHTTPCode, 500);
  EXPECT_EQ(service_->PlannedLeft(), 0u);

  const auto got = service_->Requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].answer, AnswerKind::NotFound);
  EXPECT_EQ(got[1].answer, AnswerKind::ServerError);
  EXPECT_EQ(got[0].operation, receiptservice::Operation::SendReceipt);
}

TEST_F(ServiceAnswerTest, RequestsAreRecordedInTheRecordFolder) {
  const fs::path folder = root_ / "received";
  service_->SetRecordFolder(folder.string());
  Authenticate();
  const std::string request = receiptservice::SampleReceiptRequest(1);
  SendXML(service_->Url(), request);

  const std::string first = ReadFileText(folder / "0001-AuthenticateUserPOS.http");
  EXPECT_TRUE(first.starts_with("POST /WS/v2.0/M-1001 HTTP/1.1\r\n")) << first;
  EXPECT_NE(first.find("Content-Type: text/xml\r\n"), std::string::npos);
  EXPECT_EQ(first.find("REMOTE_ADDR"), std::string::npos) << "only headers that were sent";
  const std::string second = ReadFileText(folder / "0002-sendDigitalReceipt.http");
  EXPECT_TRUE(second.ends_with("\r\n\r\n" + request));
}

TEST_F(ServiceAnswerTest, StoppingEndsAStalledAnswer) {
  service_->Plan({.kind = AnswerKind::Stall, .stall = std::chrono::minutes(10)});
  std::thread client([&] { SendXML(service_->Url(), "<a/>"); });
  // Bounded wait for the request to arrive and stall.
  for (int i = 0; i < 2000 && service_->StallsInProgress() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(service_->StallsInProgress(), 1u);
  service_->Stop();
  client.join();
  EXPECT_EQ(service_->StallsInProgress(), 0u);
  EXPECT_NE(LastHTTPCode, 200);
}

// A stall that passes is answered and marked so, whether or not its sender
// still waits; FinishStalls lets such a stall end and leaves a long one to
// the stop, which ends it unanswered.
TEST_F(ServiceAnswerTest, AStallThatPassesIsAnsweredAndMarked) {
  auto stalled = [&](std::chrono::milliseconds stall) {
    service_->Plan({.kind = AnswerKind::Stall, .stall = stall});
    std::thread client([&] { SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1)); });
    for (int i = 0; i < 2000 && service_->StallsInProgress() == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(service_->StallsInProgress(), 1u);
    return client;
  };
  std::thread client = stalled(std::chrono::milliseconds(300));
  service_->FinishStalls(std::chrono::seconds(30));
  EXPECT_EQ(service_->StallsInProgress(), 0u);
  client.join();
  EXPECT_EQ(LastHTTPCode, 200);

  client = stalled(std::chrono::minutes(10));
  service_->FinishStalls(std::chrono::milliseconds(50));
  EXPECT_EQ(service_->StallsInProgress(), 1u) << "a ten-minute stall is left running";
  service_->Stop();
  client.join();

  std::vector<receiptservice::ReceivedRequest> requests = service_->TakeRequests();
  ASSERT_EQ(requests.size(), 2u);
  service_->MarkAnsweredAfterStall(requests);
  EXPECT_EQ(requests[1].sequence, 2u);
  EXPECT_TRUE(requests[0].answeredAfterStall);
  EXPECT_FALSE(requests[1].answeredAfterStall) << "ended by the stop, unanswered";
}

TEST(AnswerKindNames, EveryKindHasANameThatReadsBack) {
  for (int k = 0; k <= static_cast<int>(AnswerKind::HandshakeFailure); ++k) {
    const auto kind = static_cast<AnswerKind>(k);
    AnswerKind back = AnswerKind::Normal;
    EXPECT_TRUE(receiptservice::AnswerKindFromName(receiptservice::AnswerKindName(kind), back));
    EXPECT_EQ(back, kind);
  }
  AnswerKind unused;
  EXPECT_FALSE(receiptservice::AnswerKindFromName("Normal", unused));
}

}  // namespace
