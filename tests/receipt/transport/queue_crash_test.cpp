// A writer killed in the middle of queuing leaves no file under a queue file
// name: the queue service never picks up a half-written request.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "common/temp_folder.h"
#include "receipt/queue_files.h"
#include "receipt_service/transport_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFileText;

class QueueCrashTest : public ::testing::Test {
 protected:
  // The queue folder does not exist yet.
  void SetUp() override { queue_ = temp_ / "queue"; }

  // Every file under a queue file name holds exactly `content`; gives their
  // number.
  size_t CheckPublished(const std::string& content) {
    size_t published = 0;
    for (const auto& e : fs::directory_iterator(queue_)) {
      const std::string name = e.path().filename().string();
      if (name.ends_with(".xml")) {
        ++published;
        EXPECT_EQ(ReadFileText(e.path()), content) << name << " is not complete";
      } else {
        EXPECT_TRUE(name.starts_with(".")) << name << " could be taken for a message";
      }
    }
    return published;
  }

  testsupport::TempFolder temp_{"norvane_queue_crash"};
  fs::path queue_;
};

TEST_F(QueueCrashTest, AWriterKilledBetweenWritingAndPublishingLeavesNoMessage) {
  const std::string content(1 << 20, 'x');
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The name is drawn once the content is on disk, right before publishing.
    receipt::WriteQueueFile(queue_.string(), content, []() -> std::string {
      ::raise(SIGKILL);
      return "Q-never.xml";
    });
    ::_exit(3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  EXPECT_EQ(CheckPublished(content), 0u);
  size_t hidden = 0;
  for (const auto& e : fs::directory_iterator(queue_)) {
    ++hidden;
    EXPECT_EQ(ReadFileText(e.path()), content) << "the written text was flushed before publishing";
  }
  EXPECT_EQ(hidden, 1u);
}

TEST_F(QueueCrashTest, WritersKilledAtAnyMomentNeverLeaveAPartialMessage) {
  const std::string content = std::string(2 << 20, 'q') + "\r\n";
  for (int round = 0; round < 12; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int n = 0;
      for (;;) {
        receipt::WriteQueueFile(queue_.string(), content, [&] {
          return receipt::QueueFileName(std::chrono::system_clock::now(), n++ % 1000, "7");
        });
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(3 + 7 * round));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
  }
  CheckPublished(content);
}

}  // namespace
