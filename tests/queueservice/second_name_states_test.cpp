// A writer that publishes by hard link and dies before removing its
// temporary name leaves a second name of a queue file. Whatever becomes of
// the queue file (accepted, rejected and set aside, kept after a failed
// answer, kept as no receipt request), and whether the second name is young
// or an hour old, the second name never becomes a receipt of its own: over
// three rounds the receipt goes out only as often as its queue file does.

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
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

class SecondNameStatesTest : public transporttest::TransportFixture {
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

TEST_F(SecondNameStatesTest, ASecondNameNeverGoesOutOnItsOwn) {
  const struct {
    const char* name;
    AnswerKind answer;  // to every post of the queue file
    int posts;          // of the queue file over three rounds
  } states[] = {
      {"accepted", AnswerKind::Normal, 1},
      {"rejected, set aside", AnswerKind::MerchantNotFound, 1},
      {"kept after failed answers", AnswerKind::ServerError, 3},
      {"kept, the connection closed after the request", AnswerKind::ClosedAfterRequest, 3},
  };
  for (const bool stale : {false, true}) {
    for (const auto& state : states) {
      SCOPED_TRACE(std::string(state.name) + (stale ? ", second name an hour old" : ", young"));
      for (const std::string& name : FileNames(queue_)) fs::remove_all(queue_ / name);
      fs::remove_all(queueservice::SetAsideFolder(queue_.string()));
      service_->TakeRequests();
      const std::string published = Queue(queue_, "921");
      const fs::path temporary = queue_ / ".queue-Lk2Pz9";
      ASSERT_EQ(::link((queue_ / published).c_str(), temporary.c_str()), 0);
      if (stale) {
        fs::last_write_time(
            temporary, fs::file_time_type::clock::now() - queueservice::kStaleTemporaryAge - 5min);
      }
      for (int round = 0; round < 3; ++round) {
        if (fs::exists(queue_ / published)) service_->Plan({.kind = state.answer});
        queueservice::QueueLog log((root_ / "queue.log").string());
        log.SetLevel(9);
        queueservice::DeliverQueue(settings_, log);
        // Whatever is left of the temporary is an hour old by the next round.
        if (fs::exists(temporary)) {
          fs::last_write_time(temporary, fs::file_time_type::clock::now() -
                                             queueservice::kStaleTemporaryAge - 5min);
        }
      }
      const std::vector<std::string> received = ReceivedNumbers(*service_);
      EXPECT_EQ(static_cast<int>(received.size()), state.posts)
          << testsupport::ReadFileText(root_ / "queue.log");
      EXPECT_FALSE(fs::exists(temporary));
      for (const std::string& name : FileNames(queue_)) {
        EXPECT_TRUE(name == published || name == queueservice::kInnerSetAsideName) << name;
      }
    }
  }

  // The queue file holds no receipt request (kept and logged every round):
  // its second name is no request either, and is removed, not published.
  for (const std::string& name : FileNames(queue_)) fs::remove_all(queue_ / name);
  service_->TakeRequests();
  std::ofstream(queue_ / "Q-20240601120000000_7_WS3.xml") << "<note>not a receipt</note>\r\n";
  ASSERT_EQ(::link((queue_ / "Q-20240601120000000_7_WS3.xml").c_str(),
                   (queue_ / ".queue-Nn0tRq").c_str()),
            0);
  for (int round = 0; round < 2; ++round) {
    queueservice::QueueLog log((root_ / "queue.log").string());
    queueservice::DeliverQueue(settings_, log);
  }
  EXPECT_EQ(service_->RequestCount(), 0u);
  EXPECT_FALSE(fs::exists(queue_ / ".queue-Nn0tRq"));
}

}  // namespace
