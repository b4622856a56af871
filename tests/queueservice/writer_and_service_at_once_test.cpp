// A till queues receipts while the queue service delivers the same folder,
// a second queue service started by mistake beside the first: every receipt
// reaches the service exactly once and the folder ends empty, without a
// temporary file left or a receipt published twice.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "queue_files_support.h"
#include "receipt/queue_files.h"
#include "receipt_service/transport_fixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using queuetest::FileNames;
using queuetest::ReceivedNumbers;

class WriterAndServiceAtOnceTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    settings_ = root_ / "VeskRcpts";
    queue_ = settings_ / "Queue";
    queuetest::WriteSettings(settings_, service_->Url(), "Enabled=1\nInterval=1\nLogLevel=1\n");
  }

  pid_t Start() {
    std::vector<std::string> words = {QUEUE_SERVICE_PROGRAM, "--settings", settings_.string(),
                                      "--log", (root_ / "queue-service.log").string()};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, QUEUE_SERVICE_PROGRAM, nullptr, nullptr, argv.data(), environ),
              0);
    return pid;
  }

  fs::path settings_;
  fs::path queue_;
};

TEST_F(WriterAndServiceAtOnceTest, EveryReceiptQueuedDuringDeliveryArrivesOnce) {
  constexpr int kReceipts = 150;
  const pid_t first = Start();
  const pid_t second = Start();
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> pause(0, 25);
  for (int i = 0; i < kReceipts; ++i) {
    receipt::QueueRequest(queue_.string(), queuetest::RequestNumbered("W" + std::to_string(i)),
                          "3");
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
  }
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!FileNames(queue_).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  for (const pid_t pid : {first, second}) {
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_TRUE(FileNames(queue_).empty());
  std::map<std::string, int> times;
  for (const std::string& number : ReceivedNumbers(*service_)) ++times[number];
  EXPECT_EQ(times.size(), static_cast<size_t>(kReceipts));
  for (const auto& [number, count] : times) EXPECT_EQ(count, 1) << number;
}

}  // namespace
