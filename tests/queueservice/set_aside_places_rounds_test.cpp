// The folder beside the queue comes and goes over many rounds (read-only
// every other round): the failed-answer
// counts carry over between the two places without a round lost or counted
// twice, each rejected file goes out once and lies in one place only, and a
// file that keeps failing is set aside at its limit, not before, not after.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/private_mounts.h"
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

class SetAsidePlacesRoundsTest : public transporttest::TransportFixture {
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

TEST_F(SetAsidePlacesRoundsTest, CountsAndFilesKeepTheirPlaceWhileTheFolderBesideComesAndGoes) {
  const fs::path beside = queueservice::SetAsideFolder(queue_.string());
  const fs::path inside = queueservice::InnerSetAsideFolder(queue_.string());
  constexpr int kLimit = 6;
  const queueservice::DeliveryLimits limits{.failedAnswers = kLimit, .failedPeriod = 0s, .now = {}};
  const std::string failing = Queue(queue_, "800", 600s);  // always first
  std::vector<std::string> rejected;
  for (int round = 1; round <= 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Every other round the folder beside the queue is read-only.
    std::optional<testsupport::PrivateMounts> mounts;
    if (round % 2 == 0) {
      mounts.emplace();
      if (!mounts->ReadOnly(beside)) GTEST_SKIP() << mounts->Reason();
    }
    rejected.push_back(
        Queue(queue_, std::to_string(800 + round), std::chrono::seconds(300 - round)));
    if (fs::exists(queue_ / failing)) service_->Plan({.kind = AnswerKind::ServerError});
    service_->Plan({.kind = AnswerKind::ErrorStatus});
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    queueservice::DeliverQueue(settings_, log, {}, limits);
    EXPECT_EQ(fs::exists(queue_ / failing), round < kLimit)
        << testsupport::ReadFileText(root_ / "queue.log");
  }
  std::multiset<std::string> placed;
  for (const fs::path& folder : {beside, inside}) {
    if (!fs::is_directory(folder)) continue;
    for (const std::string& name : FileNames(folder)) {
      if (queueservice::IsQueueFileName(name)) placed.insert(name);
    }
  }
  std::multiset<std::string> expected(rejected.begin(), rejected.end());
  expected.insert(failing);
  EXPECT_EQ(placed, expected) << "each file set aside in one place, once";
  const std::vector<std::string> received = ReceivedNumbers(*service_);
  EXPECT_EQ(std::count(received.begin(), received.end(), "800"), kLimit);
  EXPECT_EQ(received.size(), static_cast<size_t>(kLimit) + rejected.size());
}

}  // namespace
