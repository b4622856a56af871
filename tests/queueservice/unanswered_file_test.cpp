// A queue file whose post reaches the service but never gets its answer back
// (the service takes longer than the time-out with that receipt, closes the
// connection or breaks its TLS once it has read it) is not posted round after
// round without end, and does not hold up the files queued after it: the
// service is up and answers the others. Each such post may leave the service
// holding one more copy of the receipt.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/prefs_records.h"
#include "queue_delivery.h"
#include "queue_files_support.h"
#include "receipt_service/transport_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using queuetest::FileNames;
using queuetest::Queue;
using queuetest::ReceivedNumbers;
using receiptservice::AnswerKind;

class UnansweredFileTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    queue_ = root_ / "VeskRcpts" / "Queue";
    fs::create_directories(queue_);
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
    foundation::MainPrefs.Timeout = 1;  // seconds
  }

  std::string Log() const { return testsupport::ReadFileText(root_ / "queue.log"); }

  fs::path queue_;
  queueservice::QueueSettings settings_;
};

TEST_F(UnansweredFileTest, AFileNeverAnsweredIsNotPostedForeverNorHoldsUpTheOthers) {
  const struct {
    const char* name;
    receiptservice::Answer answer;
  } endings[] = {
      {"answered after the time-out", {.kind = AnswerKind::Stall, .stall = 1500ms}},
      {"connection closed after the request", {.kind = AnswerKind::ClosedAfterRequest}},
      {"TLS broken after the request", {.kind = AnswerKind::TlsBrokenAfterRequest}},
  };
  constexpr int kRounds = 6;
  const queueservice::DeliveryLimits limits{.failedAnswers = 3, .failedPeriod = 0s, .now = {}};
  for (const auto& ending : endings) {
    SCOPED_TRACE(ending.name);
    for (const std::string& name : FileNames(queue_)) fs::remove_all(queue_ / name);
    fs::remove_all(queueservice::SetAsideFolder(queue_.string()));
    fs::remove(root_ / "queue.log");
    service_->TakeRequests();
    const std::string troubled = Queue(queue_, "971", 60s);  // oldest: posted first
    const std::string behind = Queue(queue_, "972", 30s);

    // Every post of receipt 971 meets the ending; any other post is answered.
    for (int round = 0; round < kRounds; ++round) {
      if (fs::exists(queue_ / troubled)) service_->Plan(ending.answer);
      queueservice::QueueLog log((root_ / "queue.log").string());
      log.SetLevel(9);
      queueservice::DeliverQueue(settings_, log, {}, limits);
    }
    service_->FinishStalls(5s);

    const std::vector<std::string> received = ReceivedNumbers(*service_);
    const auto posts = std::count(received.begin(), received.end(), "971");
    EXPECT_LE(posts, limits.failedAnswers)
        << "971 posted in every round, the service holding a copy each time\n"
        << Log();
    EXPECT_FALSE(fs::exists(queue_ / troubled)) << "971 still in the queue after " << kRounds
                                                << " rounds";
    EXPECT_EQ(std::count(received.begin(), received.end(), "972"), 1)
        << "972, queued behind it, was never posted though the service answers it";
    EXPECT_FALSE(fs::exists(queue_ / behind));
  }
}

}  // namespace
