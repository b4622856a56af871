// A till's disk fills up (logs, a backup) and stays full for a while. The
// queue service cannot write its failed-answer counts then; a file that the
// service takes but never answers, or keeps answering with an error, must
// still meet its limit and be set aside (a rename needs no room), instead of
// going out at every round for as long as the disk stays full, the service
// holding one more copy of the receipt each time.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
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

class FullDiskCountsTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    settingsFolder_ = root_ / "VeskRcpts";
    queue_ = settingsFolder_ / "Queue";
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
  }

  // Fills the file system `folder` lies on to its last byte.
  static void Fill(const fs::path& folder) {
    std::ofstream filler(folder / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
    filler.close();
    std::ofstream last(folder / "filler2", std::ios::binary);
    while (last.put('x') && last.flush()) {
    }
  }

  fs::path settingsFolder_;
  fs::path queue_;
  queueservice::QueueSettings settings_;
};

TEST_F(FullDiskCountsTest, AFileStillMeetsItsLimitWhileTheDiskIsFull) {
  const struct {
    const char* name;
    receiptservice::Answer answer;
  } endings[] = {
      {"connection closed after the request", {.kind = AnswerKind::ClosedAfterRequest}},
      {"HTTP 500", {.kind = AnswerKind::ServerError}},
  };
  const queueservice::DeliveryLimits limits{.failedAnswers = 3, .failedPeriod = 0s, .now = {}};
  for (const auto& ending : endings) {
    SCOPED_TRACE(ending.name);
    testsupport::PrivateMounts mounts;
    if (!mounts.SmallFileSystem(settingsFolder_, 256 * 1024)) GTEST_SKIP() << mounts.Reason();
    fs::create_directories(queue_);
    service_->TakeRequests();
    fs::remove(root_ / "queue.log");
    const std::string file = Queue(queue_, "931");
    Fill(settingsFolder_);

    for (int round = 0; round < 6; ++round) {
      service_->Plan(ending.answer);
      queueservice::QueueLog log((root_ / "queue.log").string());
      log.SetLevel(9);
      queueservice::DeliverQueue(settings_, log, {}, limits);
    }
    const std::vector<std::string> received = ReceivedNumbers(*service_);
    EXPECT_LE(received.size(), 3u) << "posted at every round while the disk is full\n"
                                   << testsupport::ReadFileText(root_ / "queue.log");
    EXPECT_FALSE(fs::exists(queue_ / file));
    const std::string log = testsupport::ReadFileText(root_ / "queue.log");
    EXPECT_NE(log.find("No space left on device"), std::string::npos)
        << "the counts' failure without the system's reason\n"
        << log;
  }
}

// The counts go on from those saved before the disk filled, and those made
// while it was full are saved once it has room again, so a restart goes on
// from them too.
TEST_F(FullDiskCountsTest, CountsMadeWhileTheDiskIsFullGoOnFromTheSavedOnesAndAreSavedLater) {
  testsupport::PrivateMounts mounts;
  if (!mounts.SmallFileSystem(settingsFolder_, 256 * 1024)) GTEST_SKIP() << mounts.Reason();
  fs::create_directories(queue_);
  const std::string file = Queue(queue_, "932");
  const queueservice::DeliveryLimits limits{.failedAnswers = 10, .failedPeriod = 0s, .now = {}};
  const fs::path counts =
      fs::path(queueservice::SetAsideFolder(queue_.string())) / ".failed-answers";
  auto round = [&] {
    service_->Plan({.kind = AnswerKind::ServerError});
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    queueservice::DeliverQueue(settings_, log, {}, limits);
  };
  round();
  ASSERT_EQ(testsupport::ReadFileText(counts).substr(0, 2), "1 ");
  Fill(settingsFolder_);
  round();
  round();
  EXPECT_EQ(testsupport::ReadFileText(counts).substr(0, 2), "1 ") << "written on a full disk?";
  fs::remove(settingsFolder_ / "filler");
  fs::remove(settingsFolder_ / "filler2");
  round();
  EXPECT_EQ(testsupport::ReadFileText(counts).substr(0, 2), "4 ")
      << testsupport::ReadFileText(root_ / "queue.log");
  EXPECT_TRUE(fs::exists(queue_ / file));
}

}  // namespace
