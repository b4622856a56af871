// A till's clock is not always right: it may run far ahead for a while (a
// bad time server, a flat clock battery set from a wrong source) and be put
// right again. A file that keeps meeting failed answers is set aside once its
// limit is met however the clock stood when the first of them came, instead
// of being posted at every round for as long as the clock takes to catch up.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

class FailedAnswerClockTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    queue_ = root_ / "VeskRcpts" / "Queue";
    fs::create_directories(queue_);
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
  }
  fs::path queue_;
  queueservice::QueueSettings settings_;
};

TEST_F(FailedAnswerClockTest, AFirstFailedAnswerDatedAheadOfTheClockStillLetsTheLimitBeMet) {
  using Clock = std::chrono::system_clock;
  const Clock::time_point right = Clock::now();
  const struct {
    const char* name;
    Clock::duration ahead;  // how far the clock stood ahead at the first failed answer
  } cases[] = {
      {"an hour ahead", 1h},
      {"a month ahead", 24h * 30},
      {"four years ahead", 24h * 365 * 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& name : FileNames(queue_)) fs::remove_all(queue_ / name);
    fs::remove_all(queueservice::SetAsideFolder(queue_.string()));
    service_->TakeRequests();
    const std::string file = Queue(queue_, "991");
    Clock::time_point now = right + c.ahead;
    const queueservice::DeliveryLimits limits{
        .failedAnswers = 3, .failedPeriod = 24h, .now = [&now] { return now; }};
    auto round = [&] {
      service_->Plan({.kind = AnswerKind::ServerError});
      queueservice::QueueLog log((root_ / "queue.log").string());
      log.SetLevel(9);
      queueservice::DeliverQueue(settings_, log, {}, limits);
    };
    round();  // the first failed answer, the clock ahead
    now = right;  // put right
    // Then a failed answer every 12 hours for five days.
    for (int i = 0; i < 10 && fs::exists(queue_ / file); ++i) {
      round();
      now += 12h;
    }
    EXPECT_FALSE(fs::exists(queue_ / file))
        << "still posted at every round after " << ReceivedNumbers(*service_).size()
        << " failed answers over five days";
  }
}

}  // namespace
