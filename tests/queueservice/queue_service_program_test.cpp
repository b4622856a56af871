// The queue-service program as pos-host and a till run it: a process of its
// own over a settings folder, stopped by a signal or killed outright.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "queue_files_support.h"
#include "receipt_service/transport_fixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using queuetest::FileNames;
using queuetest::ReceivedNumbers;

class QueueServiceProgramTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    settings_ = root_ / "VeskRcpts";
    queue_ = settings_ / "Queue";
    queuetest::WriteSettings(settings_, service_->Url());
  }

  pid_t Start(std::vector<std::string> words) {
    words.insert(words.begin(), QUEUE_SERVICE_PROGRAM);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, QUEUE_SERVICE_PROGRAM, nullptr, nullptr, argv.data(), environ),
              0);
    return pid;
  }

  // The exit status, or 128 + the signal that ended it.
  static int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  int RunOnce() {
    return Wait(Start({"--once", "--settings", settings_.string(), "--log", LogFile()}));
  }

  std::string LogFile() const { return (root_ / "queue-service.log").string(); }

  fs::path settings_;
  fs::path queue_;
};

TEST_F(QueueServiceProgramTest, DisabledSendsNothingAndBadStartsAreRefused) {
  queuetest::Queue(queue_, "901");
  queuetest::Queue(queue_, "902");
  const std::set<std::string> queued = FileNames(queue_);

  queuetest::WriteSettings(settings_, service_->Url(), "Enabled=0\nLogLevel=5\n");
  EXPECT_EQ(RunOnce(), 0);
  EXPECT_EQ(service_->RequestCount(), 0u);
  EXPECT_EQ(FileNames(queue_), queued);
  EXPECT_NE(testsupport::ReadFileText(LogFile()).find("Disabled in the settings: nothing sent"),
            std::string::npos);

  queuetest::WriteSettings(settings_, service_->Url(), "Enabled=1\nLogLevel=1\n");
  EXPECT_EQ(RunOnce(), 0);
  EXPECT_EQ(ReceivedNumbers(*service_), (std::vector<std::string>{"901", "902"}));
  EXPECT_TRUE(FileNames(queue_).empty());

  EXPECT_EQ(Wait(Start({"--once", "--settings", (root_ / "missing").string()})), 1);
  EXPECT_EQ(Wait(Start({"--sometimes"})), 2);
}

TEST_F(QueueServiceProgramTest, RunsUntilStoppedAndStopsCleanly) {
  queuetest::WriteSettings(settings_, service_->Url(), "Interval=3600\nLogLevel=1\n");
  queuetest::Queue(queue_, "911");
  const pid_t pid = Start({"--settings", settings_.string(), "--log", LogFile()});
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!FileNames(queue_).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(FileNames(queue_).empty()) << "the first round runs at start";
  ::kill(pid, SIGTERM);
  EXPECT_EQ(Wait(pid), 0) << "SIGTERM ends the wait for the next round";
  EXPECT_NE(testsupport::ReadFileText(LogFile()).find("Queue service stopped"), std::string::npos);
}

// The service killed at random moments while it delivers a queue of many
// files: no receipt is lost, and a receipt reaches the service twice only
// when a kill fell between the service taking it and the file's removal, so
// that it is the last request the killed run sent.
TEST_F(QueueServiceProgramTest, KilledAtRandomItLosesNothing) {
  constexpr int kFiles = 80;
  constexpr int kMaxRuns = 150;
  // How long the program takes to start and end over an empty queue: the
  // kills fall from half that to twice that and a little more, so that most
  // land while files are being sent.
  queuetest::WriteSettings(settings_, service_->Url(), "Enabled=1\nLogLevel=0\n");
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(RunOnce(), 0);
  const auto idle = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - started);

  std::vector<std::string> numbers;
  for (int i = 0; i < kFiles; ++i) {
    numbers.push_back("K" + std::to_string(1000 + i));
    queuetest::Queue(queue_, numbers.back(), std::chrono::seconds(kFiles - i));
  }

  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int64_t> delayUs(idle.count() / 2, idle.count() * 2 + 20'000);
  struct Run {
    size_t first = 0;
    size_t end = 0;
    bool killed = false;
  };
  std::vector<Run> runs;
  auto settle = [&] {
    // Every request the killed run had on the wire is taken by now.
    std::this_thread::sleep_for(30ms);
  };
  while (!FileNames(queue_).empty() && static_cast<int>(runs.size()) < kMaxRuns) {
    Run run;
    run.first = service_->RequestCount();
    const pid_t pid = Start({"--once", "--settings", settings_.string()});
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(pid, SIGKILL);
    run.killed = Wait(pid) == 128 + SIGKILL;  // else it ended before the kill
    settle();
    run.end = service_->RequestCount();
    runs.push_back(run);
  }
  // Whatever is left is delivered by a run left to finish.
  Run last;
  last.first = service_->RequestCount();
  EXPECT_EQ(RunOnce(), 0);
  last.end = service_->RequestCount();
  runs.push_back(last);

  EXPECT_TRUE(FileNames(queue_).empty());
  const std::vector<std::string> received = ReceivedNumbers(*service_);
  std::map<std::string, int> times;
  for (const std::string& number : received) ++times[number];
  for (const std::string& number : numbers) {
    EXPECT_GE(times[number], 1) << "receipt " << number << " lost (seed " << seed << ")";
  }
  EXPECT_EQ(times.size(), numbers.size());

  // Each copy after the first: the one before it was the last request of a
  // killed run.
  int twice = 0;
  int killed = 0;
  std::map<std::string, size_t> lastSeen;
  for (const Run& run : runs) killed += run.killed ? 1 : 0;
  for (size_t index = 0; index < received.size(); ++index) {
    auto seen = lastSeen.find(received[index]);
    if (seen != lastSeen.end()) {
      ++twice;
      const bool explained = std::any_of(runs.begin(), runs.end(), [&](const Run& run) {
        return run.killed && run.end > run.first && run.end - 1 == seen->second;
      });
      EXPECT_TRUE(explained) << "receipt " << received[index]
                             << " was received again without a kill in the window (seed " << seed
                             << ")";
    }
    lastSeen[received[index]] = index;
  }
  EXPECT_LE(twice, killed);
  std::cout << "[ queue service killed ] " << runs.size() << " runs (" << killed
            << " killed with SIGKILL), " << kFiles << " files, " << received.size()
            << " requests received, " << twice << " receipts received twice, seed " << seed << "\n";
  RecordProperty("runs", static_cast<int>(runs.size()));
  RecordProperty("killed", killed);
  RecordProperty("twice", twice);
}

}  // namespace
