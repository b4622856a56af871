// Where the file system cannot rename without replacing, the queue writer
// publishes its temporary file with a hard link and then removes the
// temporary name. A writer that dies between the two leaves the request under
// both names: the temporary is a second name of a queue file already
// published, not a request its writer died before publishing, and the receipt
// must still reach the service once.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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

class StaleSecondNameTest : public transporttest::TransportFixture {
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

TEST_F(StaleSecondNameTest, ATemporaryThatIsASecondNameOfAPublishedFileIsNotDeliveredAgain) {
  const std::string published = Queue(queue_, "981");
  ASSERT_EQ(::link((queue_ / published).c_str(), (queue_ / ".queue-k3Jd9Q").c_str()), 0);
  // Both names are one file: its time is that of a writer an hour and more gone.
  fs::last_write_time(queue_ / published,
                      fs::file_time_type::clock::now() - queueservice::kStaleTemporaryAge - 5min);

  for (int round = 0; round < 2; ++round) {
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    queueservice::DeliverQueue(settings_, log);
  }
  EXPECT_EQ(ReceivedNumbers(*service_), std::vector<std::string>{"981"})
      << testsupport::ReadFileText(root_ / "queue.log");
  EXPECT_TRUE(FileNames(queue_).empty());
}

// A second name is removed whatever its age once its queue file is listed
// beside it (a writer that died after the link, its file delivered while the
// temporary was young, would otherwise leave the temporary with one name, to
// be published and delivered again an hour later), and when stale wherever
// its other name lies (here set aside, which keeps the request).
TEST_F(StaleSecondNameTest, ASecondNameGoesWhateverItsAgeAndWhereverItsOtherNameLies) {
  const fs::path aside = queueservice::SetAsideFolder(queue_.string());
  const struct {
    const char* name;
    const char* number;
    bool setAside;  // the published name moved into the set-aside folder first
    const std::vector<std::string> received;
  } cases[] = {
      {"young, beside its queue file", "982", false, {"982"}},
      {"stale, its other name set aside", "983", true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    service_->TakeRequests();
    fs::remove_all(aside);
    const std::string published = Queue(queue_, c.number);
    const fs::path temporary = queue_ / ".queue-Zr8mQ2";
    ASSERT_EQ(::link((queue_ / published).c_str(), temporary.c_str()), 0);
    if (c.setAside) {
      fs::create_directories(aside);
      fs::rename(queue_ / published, aside / published);
      fs::last_write_time(
          temporary, fs::file_time_type::clock::now() - queueservice::kStaleTemporaryAge - 5min);
    }
    auto round = [&] {
      queueservice::QueueLog log((root_ / "queue.log").string());
      log.SetLevel(9);
      return queueservice::DeliverQueue(settings_, log);
    };
    EXPECT_EQ(round().temporariesRemoved, 1);
    // Whatever was left is an hour old at the next round.
    if (fs::exists(temporary)) {
      fs::last_write_time(
          temporary, fs::file_time_type::clock::now() - queueservice::kStaleTemporaryAge - 5min);
    }
    round();
    EXPECT_EQ(ReceivedNumbers(*service_), c.received)
        << testsupport::ReadFileText(root_ / "queue.log");
    EXPECT_TRUE(FileNames(queue_).empty());
    if (c.setAside) {
      EXPECT_EQ(ReceivedNumbers(*service_).size(), 0u);
      EXPECT_NE(testsupport::ReadFileText(aside / published).find(c.number), std::string::npos)
          << "the request set aside is kept";
    }
  }
}

}  // namespace
