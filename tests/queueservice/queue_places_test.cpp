// Wherever the queue folder lies, a file the service rejected, or that met
// the failed-answer limit, is set aside and never posted again: on a file
// system of its own (no rename reaches the folder beside it) or under a
// parent the service may not write, it is set aside inside the queue folder,
// and the log says where. And the places around the queue: a whole request a
// dead writer left in a temporary file is published and delivered, and a
// queue folder set elsewhere does not need the default one.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/private_mounts.h"
#include "foundation/prefs_records.h"
#include "queue_delivery.h"
#include "queue_files_support.h"
#include "queue_settings.h"
#include "receipt_service/transport_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using queuetest::FileNames;
using queuetest::Queue;
using queuetest::ReceivedNumbers;
using receiptservice::AnswerKind;

class QueuePlacesTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    queue_ = root_ / "VeskRcpts" / "Queue";
    fs::create_directories(queue_);
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
  }

  queueservice::RoundResult Round(const queueservice::DeliveryLimits& limits = {}) {
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    return queueservice::DeliverQueue(settings_, log, {}, limits);
  }

  std::string Log() const { return testsupport::ReadFileText(root_ / "queue.log"); }

  // A file rejected, and one meeting its second failed answer (the limit),
  // are set aside inside the queue folder and posted no more.
  void ExpectSetAsideWithinTheQueue() {
    const std::string rejected = Queue(queue_, "871", 30s);
    const std::string failing = Queue(queue_, "872", 20s);
    const queueservice::DeliveryLimits limits{.failedAnswers = 2, .failedPeriod = 0s, .now = {}};
    service_->Plan({.kind = AnswerKind::MerchantNotFound});
    service_->Plan({.kind = AnswerKind::ServerError});
    service_->Plan({.kind = AnswerKind::ServerError});
    for (int round = 0; round < 4; ++round) Round(limits);

    EXPECT_EQ(ReceivedNumbers(*service_), (std::vector<std::string>{"871", "872", "872"}))
        << "the rejected file posted once, the failing one until its limit\n"
        << Log();
    const fs::path inside = queueservice::InnerSetAsideFolder(queue_.string());
    EXPECT_EQ(FileNames(queue_), std::set<std::string>{queueservice::kInnerSetAsideName});
    EXPECT_EQ(FileNames(inside), (std::set<std::string>{rejected, failing}));
    const std::string log = Log();
    EXPECT_NE(log.find("Set aside " + rejected + " (receipt 871) as " +
                       (inside / rejected).string() + ": the service rejected it"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Set aside " + failing + " (receipt 872) as " + (inside / failing).string() +
                       ": HTTP 500"),
              std::string::npos);
  }

  fs::path queue_;
  queueservice::QueueSettings settings_;
};

TEST_F(QueuePlacesTest, AQueueOnAFileSystemOfItsOwnSetsFilesAsideWithinIt) {
  testsupport::PrivateMounts mounts;
  if (!mounts.SmallFileSystem(queue_, 1 << 20)) GTEST_SKIP() << mounts.Reason();
  ExpectSetAsideWithinTheQueue();
  EXPECT_NE(Log().find("Invalid cross-device link"), std::string::npos)
      << "the log says why not beside the queue";
}

TEST_F(QueuePlacesTest, AQueueUnderAParentTheServiceMayNotWriteSetsFilesAsideWithinIt) {
  testsupport::PrivateMounts mounts;
  if (!mounts.OwnMount(queue_) || !mounts.ReadOnly(root_ / "VeskRcpts")) {
    GTEST_SKIP() << mounts.Reason();
  }
  ExpectSetAsideWithinTheQueue();
  EXPECT_FALSE(fs::exists(queueservice::SetAsideFolder(queue_.string())));
}

// Once the folder beside the queue can be used again, it takes the next file
// and the counts, and the files set aside inside stay where the log said.
TEST_F(QueuePlacesTest, TheFolderBesideTheQueueIsUsedWheneverItCanBe) {
  const fs::path inside = queueservice::InnerSetAsideFolder(queue_.string());
  {
    testsupport::PrivateMounts mounts;
    if (!mounts.OwnMount(queue_) || !mounts.ReadOnly(root_ / "VeskRcpts")) {
      GTEST_SKIP() << mounts.Reason();
    }
    Queue(queue_, "881");
    Queue(queue_, "882");
    service_->Plan({.kind = AnswerKind::ErrorStatus});
    service_->Plan({.kind = AnswerKind::ServerError});
    Round();
    EXPECT_EQ(FileNames(inside).size(), 2u) << "the rejected file and the failed-answer count";
  }
  service_->Plan({.kind = AnswerKind::ErrorStatus});
  Round();
  const fs::path beside = queueservice::SetAsideFolder(queue_.string());
  EXPECT_EQ(FileNames(beside).size(), 1u) << "set aside beside the queue; no count left";
  EXPECT_EQ(FileNames(inside).size(), 1u) << "the count inside is gone with the file";
  EXPECT_EQ(ReceivedNumbers(*service_), (std::vector<std::string>{"881", "882", "882"}));
}

// A writer that died between flushing its temporary file and publishing it
// left the whole request: it is published and delivered, not deleted; one
// cut short is removed.
TEST_F(QueuePlacesTest, AStaleTemporaryHoldingAWholeRequestIsPublishedAndDelivered) {
  auto stale = [&](const std::string& name, const std::string& text) {
    std::ofstream(queue_ / name, std::ios::binary) << text;
    fs::last_write_time(queue_ / name,
                        fs::file_time_type::clock::now() - queueservice::kStaleTemporaryAge - 5min);
  };
  const std::string whole = queuetest::RequestNumbered("891") + "\r\n";
  stale(".queue-whole1", whole);
  // Whole as well, a byte in it that is no UTF-8: delivered as it stands.
  std::string latin1 = queuetest::RequestNumbered("892");
  latin1.insert(latin1.find("</ReceiptNumber>"), "\xE9");
  stale(".queue-whole2", latin1 + "\r\n");
  stale(".queue-nobreak", whole.substr(0, whole.size() - 2));
  // Cut after one of the request's own line breaks.
  stale(".queue-cut1", whole.substr(0, whole.rfind("\r\n", whole.size() - 3) + 2));

  const queueservice::RoundResult round = Round();
  EXPECT_EQ(round.temporariesPublished, 2);
  EXPECT_EQ(round.temporariesRemoved, 2);
  EXPECT_EQ(round.sent, 2);
  EXPECT_EQ(service_->RequestCount(), 2u);
  for (const auto& request : service_->Requests()) {
    EXPECT_TRUE(request.body == queuetest::RequestNumbered("891") || request.body == latin1);
  }
  EXPECT_TRUE(FileNames(queue_).empty());
  EXPECT_NE(Log().find("Published .queue-whole1 as Q-"), std::string::npos) << Log();
}

// The default queue folder is made only when it is the one delivered: with
// Directory set elsewhere, a settings folder where it cannot be made (a
// read-only one here) still delivers.
TEST_F(QueuePlacesTest, AQueueFolderSetElsewhereDoesNotNeedTheDefaultOne) {
  const fs::path settings = root_ / "settings";
  fs::create_directories(settings);
  auto writeSettings = [&](const std::string& queueLines) {
    std::ofstream(settings / "VeskMain.ini", std::ios::trunc)
        << "[MAIN]\nProdURL=" << service_->Url() << "\nURLType=P\n[QUEUESERVICE]\n"
        << queueLines;
  };
  writeSettings("Directory=" + queue_.string() + "\n");
  Queue(queue_, "895");
  testsupport::PrivateMounts mounts;
  if (!mounts.ReadOnly(settings)) GTEST_SKIP() << mounts.Reason();

  const queueservice::QueueSettings read = queueservice::ReadQueueSettings(settings.string());
  EXPECT_EQ(read.directory, queue_.string());
  queueservice::QueueLog log((root_ / "queue.log").string());
  EXPECT_EQ(queueservice::DeliverQueue(read, log).sent, 1);
  EXPECT_FALSE(fs::exists(settings / "Queue"));
}

}  // namespace
