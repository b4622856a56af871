// A request the queue service posted is never sent again without its
// knowledge: when the service reads it and then closes the connection, or
// breaks its TLS, no answer came: the file stays, counted as a failed answer,
// and the round goes on with the files behind it; the next round sends it
// again, and the service's records say which copy it took
// without answering, so that the accounting can name the receipt held twice.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "queue_delivery.h"
#include "queue_files_support.h"
#include "receipt/https_transport.h"
#include "receipt_service/transport_fixture.h"

namespace {

namespace fs = std::filesystem;
using queuetest::FileNames;
using queuetest::Queue;
using queuetest::ReceivedNumbers;
using receiptservice::AnswerKind;

class UnseenResendTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    queue_ = root_ / "VeskRcpts" / "Queue";
    fs::create_directories(queue_);
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
  }

  queueservice::RoundResult Round() {
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    return queueservice::DeliverQueue(settings_, log);
  }

  std::string Log() const { return testsupport::ReadFileText(root_ / "queue.log"); }

  fs::path queue_;
  queueservice::QueueSettings settings_;
};

TEST_F(UnseenResendTest, ARequestTakenWithoutAnAnswerIsSentAgainOnlyByTheNextRound) {
  for (const AnswerKind ending :
       {AnswerKind::ClosedAfterRequest, AnswerKind::TlsBrokenAfterRequest}) {
    SCOPED_TRACE(receiptservice::AnswerKindName(ending));
    service_->TakeRequests();
    fs::remove(root_ / "queue.log");
    // The first file's exchange leaves a connection the transfer library
    // could keep alive for the second.
    Queue(queue_, "861", std::chrono::seconds(30));
    const std::string second = Queue(queue_, "862", std::chrono::seconds(20));
    Queue(queue_, "863", std::chrono::seconds(10));
    service_->Plan({.kind = AnswerKind::Normal});
    service_->Plan({.kind = ending});

    queueservice::RoundResult round = Round();
    EXPECT_EQ(round.sent, 2);
    EXPECT_FALSE(round.unreachable) << "the request went out: the service is there";
    EXPECT_EQ(ReceivedNumbers(*service_), (std::vector<std::string>{"861", "862", "863"}))
        << "sent once in the round, and the files behind it still posted";
    EXPECT_NE(
        Log().find("Kept " + second + " (receipt 862): no answer once the request had gone out ("),
        std::string::npos)
        << Log();

    round = Round();
    EXPECT_EQ(round.sent, 1);
    EXPECT_TRUE(FileNames(queue_).empty());
    const std::vector<receiptservice::ReceivedRequest> received = service_->Requests();
    EXPECT_EQ(ReceivedNumbers(*service_), (std::vector<std::string>{"861", "862", "863", "862"}));
    // The records tell the copy taken without an answer from the accepted one.
    ASSERT_EQ(received.size(), 4u);
    EXPECT_TRUE(receiptservice::TakenWithoutAnswer(received[1].answer));
    EXPECT_FALSE(receiptservice::TakenWithoutAnswer(received[3].answer));
    const std::string log = Log();
    size_t accepted = 0;
    for (size_t at = log.find("accepted and removed"); at != std::string::npos;
         at = log.find("accepted and removed", at + 1)) {
      ++accepted;
    }
    EXPECT_EQ(accepted, 3u) << "every copy the service accepted is in the log";
  }
}

}  // namespace
