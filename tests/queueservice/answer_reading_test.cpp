// The sale and the queue service read the service's answers alike: the same
// HTTP statuses give an answer to read, the same bodies confirm a receipt (in
// UTF-16, with its Booleans written 1 and 0), and the same broken answers
// (cut short, a confirmation without its end tag or with another's) confirm
// nothing, so that no receipt is shown as sent while its file goes out again,
// nor kept while the sale was told it was taken.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

class AnswerReadingTest : public transporttest::TransportFixture {
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

  // What the cashier is told of a sale whose send meets `answer`, as the
  // receipt processor decides it: queued, sent, or failed.
  std::string Sale(const Answer& answer) {
    receipt::ResetTransControl();
    service_->Plan(answer);
    std::string response;
    receipt::SendDigitalReceipt(queuetest::RequestNumbered("901"), response);
    const receipt::TransControl& c = receipt::FTransControl;
    if (c.RequestQueued) return "queued";
    if (c.CommError) return "failed";
    return receipt::ParseSendResponse(response) && c.DigitalSendOK ? "sent" : "failed";
  }

  // What one round of the queue service does with a file that meets `answer`.
  std::string QueueService(const Answer& answer) {
    for (const std::string& name : FileNames(queue_)) fs::remove_all(queue_ / name);
    Queue(queue_, "902");
    service_->Plan(answer);
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    const queueservice::RoundResult round = queueservice::DeliverQueue(settings_, log);
    if (round.sent == 1) return "accepted";
    if (round.setAside == 1) return "set aside";
    return round.unreachable ? "kept, no response" : "kept, failed answer";
  }

  std::string Log() const { return testsupport::ReadFileText(root_ / "queue.log"); }

  fs::path queue_;
  fs::path saleQueue_;
  queueservice::QueueSettings settings_;
};

// Each boundary of the status classes, the answer's body confirming the
// receipt: only a status the sale reads as an answer (200 to 298) lets the
// confirmation count, for the sale and the queue service alike; where the
// sale is told it failed without queueing (204: no body; 299: marked as a
// failure), the queue service keeps the file as a failed answer. (A final
// 199 is taken by the transfer library for an interim head, and the answer
// that follows is no HTTP: a failure, queued.)
TEST_F(AnswerReadingTest, EachStatusBoundaryIsReadAlikeByTheSaleAndTheQueueService) {
  const struct {
    int status;
    const char* sale;
    const char* queueService;
  } cases[] = {
      {199, "queued", "kept, failed answer"},
      {200, "sent", "accepted"},
      {201, "sent", "accepted"},
      {204, "failed", "kept, failed answer"},
      {298, "sent", "accepted"},
      {299, "failed", "kept, failed answer"},
      {300, "queued", "kept, failed answer"},
      {304, "queued", "kept, failed answer"},
      {399, "queued", "kept, failed answer"},
      {400, "queued", "kept, failed answer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    const Answer answer{.kind = AnswerKind::Custom, .status = c.status};
    EXPECT_EQ(Sale(answer), c.sale) << receipt::LastCommError;
    EXPECT_EQ(QueueService(answer), c.queueService) << Log();
  }
}

// The confirmation in UTF-16 (byte-order mark, encoding="UTF-16") and with
// its Booleans written 1 and 0: the sale is told the receipt was sent, and
// the queue service removes the file as accepted.
TEST_F(AnswerReadingTest, AConfirmationInUtf16OrWithItsBooleansAsDigitsIsTaken) {
  for (const AnswerKind kind : {AnswerKind::Utf16, AnswerKind::NumericBooleans}) {
    SCOPED_TRACE(receiptservice::AnswerKindName(kind));
    EXPECT_EQ(Sale({.kind = kind}), "sent");
    EXPECT_EQ(QueueService({.kind = kind}), "accepted");
    EXPECT_NE(Log().find("(receipt 902), accepted and removed"), std::string::npos);
  }
  EXPECT_TRUE(FileNames(saleQueue_).empty());
  EXPECT_TRUE(FileNames(queue_).empty());
}

// Answers that break off or whose confirmation is not closed confirm
// nothing: the sale does not show the receipt as sent and the queue service
// keeps the file, counted as a failed answer.
TEST_F(AnswerReadingTest, BrokenAnswersConfirmNothingForEither) {
  const std::string whole =
      receiptservice::ReceiptAccepted({.customerId = "C-1", .emailAddress = ""});
  const std::string open = "<ns3:DigitalReceiptProcessed>true";
  const size_t at = whole.find(open) + open.size();
  const struct {
    const char* name;
    std::string body;
  } cases[] = {
      {"cut inside the outcome", whole.substr(0, at - 2)},
      {"cut after the outcome's text", whole.substr(0, at)},
      {"cut inside the end tag", whole.substr(0, at + 10)},
      {"no end tag", whole.substr(0, at) + "<CustomerID TemporaryID=\"false\">C-1</CustomerID>" +
                         "</ns3:sendDigitalReceiptResponse></soapenv:Body></soapenv:Envelope>"},
      {"another element's end tag", whole.substr(0, at) + "</ns3:sendDigitalReceiptResponse>" +
                                        "</soapenv:Body></soapenv:Envelope>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer answer{.kind = AnswerKind::Custom, .body = c.body};
    EXPECT_EQ(Sale(answer), "failed");
    EXPECT_FALSE(receipt::FTransControl.DigitalSendOK);
    EXPECT_EQ(QueueService(answer), "kept, failed answer");
    EXPECT_NE(Log().find("(receipt 902): HTTP 200 without a receipt answer"), std::string::npos);
  }
}

// An answer whose transfer is cut short (fewer bytes than its head
// announced): the sale queues the receipt, the queue service keeps the file
// and logs the transfer's error.
TEST_F(AnswerReadingTest, AnAnswerCutShortInItsTransferIsNoAnswerForEither) {
  EXPECT_EQ(Sale({.kind = AnswerKind::CutShort}), "queued");
  EXPECT_EQ(receipt::FTransControl.HTTPCode, 200);
  EXPECT_EQ(QueueService({.kind = AnswerKind::CutShort}), "kept, failed answer");
  const std::string log = Log();
  EXPECT_EQ(log.find("HTTP 200 without a receipt answer"), std::string::npos) << log;
  EXPECT_NE(log.find("(receipt 902): HTTP 200, " + receipt::LastCommError + " (failed answer 1)"),
            std::string::npos)
      << log;
}

}  // namespace
