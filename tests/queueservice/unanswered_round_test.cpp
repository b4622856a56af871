// A round over a queue of which several files are never answered (the
// service takes each request and stalls past the time-out, or closes the
// connection or breaks its TLS once it has read it): each file goes out once
// in the round, the round lasts no longer than one time-out per such file, the
// files behind them are still delivered, every post is counted against its
// file and the counts outlast a stop and a restart. A stop asked for while
// such a round runs is taken after the post in flight, not at the round's
// end. Files the till queues while a round runs are posted by the next round,
// once.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/prefs_records.h"
#include "queue_delivery.h"
#include "queue_files_support.h"
#include "receipt_service/transport_fixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using queuetest::FileNames;
using queuetest::Queue;
using queuetest::ReceivedNumbers;
using receiptservice::AnswerKind;

// The failed-answer counts the queue service keeps, by file name, from
// whichever set-aside folder holds them.
std::map<std::string, int> FailedCounts(const fs::path& queue) {
  std::map<std::string, int> counts;
  for (const std::string& folder : {queueservice::SetAsideFolder(queue.string()),
                                    queueservice::InnerSetAsideFolder(queue.string())}) {
    std::ifstream in(fs::path(folder) / ".failed-answers");
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      int count = 0;
      long long first = 0;
      std::string name;
      if (fields >> count >> first >> name) counts[name] = count;
    }
  }
  return counts;
}

int Count(const std::vector<std::string>& received, const std::string& number) {
  return static_cast<int>(std::count(received.begin(), received.end(), number));
}

class UnansweredRoundTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    settingsFolder_ = root_ / "VeskRcpts";
    queue_ = settingsFolder_ / "Queue";
    fs::create_directories(queue_);
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
    foundation::MainPrefs.Timeout = 1;  // seconds
  }

  queueservice::RoundResult Round() {
    queueservice::QueueLog log(LogFile());
    log.SetLevel(9);
    return queueservice::DeliverQueue(settings_, log);
  }

  std::string LogFile() const { return (root_ / "queue.log").string(); }
  std::string Log() const { return testsupport::ReadFileText(LogFile()); }

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

  static int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  fs::path settingsFolder_;
  fs::path queue_;
  queueservice::QueueSettings settings_;
};

// Three kinds of never-answered post, three files of each, then two files the
// service answers: three rounds.
TEST_F(UnansweredRoundTest, EachNeverAnsweredFileGoesOutOncePerRoundAndTheRoundIsBounded) {
  const struct {
    const char* name;
    receiptservice::Answer answer;
  } endings[] = {
      {"answered after the time-out", {.kind = AnswerKind::Stall, .stall = 4s}},
      {"connection closed after the request", {.kind = AnswerKind::ClosedAfterRequest}},
      {"TLS broken after the request", {.kind = AnswerKind::TlsBrokenAfterRequest}},
  };
  std::vector<std::string> troubled;
  int age = 100;
  for (size_t kind = 0; kind < std::size(endings); ++kind) {
    for (int i = 0; i < 3; ++i) {
      troubled.push_back(std::to_string(troubled.size() + 700));
      Queue(queue_, troubled.back(), std::chrono::seconds(age--));
    }
  }
  const std::string first = Queue(queue_, "790", 10s);
  const std::string second = Queue(queue_, "791", 5s);

  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    service_->TakeRequests();
    // Oldest first: the nine troubled files, then the others (answered only
    // in the first round; later rounds find them gone).
    for (const auto& ending : endings) {
      for (int i = 0; i < 3; ++i) service_->Plan(ending.answer);
    }
    const auto started = std::chrono::steady_clock::now();
    const queueservice::RoundResult result = Round();
    const auto took = std::chrono::steady_clock::now() - started;
    service_->FinishStalls(5s);

    const std::vector<std::string> received = ReceivedNumbers(*service_);
    for (const std::string& number : troubled) {
      EXPECT_EQ(Count(received, number), 1) << "receipt " << number << "\n" << Log();
    }
    EXPECT_EQ(result.kept, 9);
    EXPECT_FALSE(result.unreachable);
    // Three stalls of one time-out each, the other six at once: well below
    // nine time-outs.
    EXPECT_LT(took, 3s + 3s) << "a round of nine never-answered files took "
                             << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                             << " ms";
    const std::map<std::string, int> counts = FailedCounts(queue_);
    EXPECT_EQ(counts.size(), 9u);
    for (const auto& [name, count] : counts) EXPECT_EQ(count, round) << name;
  }
  EXPECT_FALSE(fs::exists(queue_ / first));
  EXPECT_FALSE(fs::exists(queue_ / second));
}

// The program in its loop, every post of a queue of stalled files timing out:
// a SIGTERM sent during the first post ends it once that post is over, the
// file posted is counted and the count outlasts the restart, and nothing the
// stopped run did not post has a count.
TEST_F(UnansweredRoundTest, AStopDuringARoundOfStalledPostsIsTakenAfterThePostInFlight) {
  std::ofstream(settingsFolder_ / "VeskMain.ini")
      << "[MAIN]\nProdURL=" << service_->Url()
      << "\nURLType=P\nTimeout=2\n[QUEUESERVICE]\nEnabled=1\nInterval=3600\nLogLevel=5\n";
  std::vector<std::string> names;
  for (int i = 0; i < 6; ++i) {
    names.push_back(Queue(queue_, std::to_string(750 + i), std::chrono::seconds(60 - i)));
  }
  service_->SetDefaultAnswer({.kind = AnswerKind::Stall, .stall = 20s});
  const pid_t pid = Start({"--settings", settingsFolder_.string(), "--log", LogFile()});
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (service_->RequestCount() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(service_->RequestCount(), 1u);
  const auto stopAsked = std::chrono::steady_clock::now();
  ::kill(pid, SIGTERM);
  EXPECT_EQ(Wait(pid), 0);
  const auto took = std::chrono::steady_clock::now() - stopAsked;
  EXPECT_LT(took, 2s + 1500ms) << "a stop waited for more than the post in flight";
  EXPECT_EQ(ReceivedNumbers(*service_), std::vector<std::string>{"750"}) << Log();
  EXPECT_EQ(FailedCounts(queue_), (std::map<std::string, int>{{names[0], 1}})) << Log();

  // Restarted once the service answers: everything delivered.
  service_->SetDefaultAnswer({.kind = AnswerKind::Normal});
  EXPECT_EQ(Wait(Start({"--once", "--settings", settingsFolder_.string(), "--log", LogFile()})), 0);
  EXPECT_TRUE(FileNames(queue_).empty()) << Log();
  EXPECT_TRUE(FailedCounts(queue_).empty()) << "an accepted file ends its count";
}

// While a round is held up by a stalled post, the till queues three more
// receipts: they are not posted in that round and go out once in the next.
TEST_F(UnansweredRoundTest, FilesQueuedWhileARoundRunsGoOutOnceInTheNext) {
  const std::string stalled = Queue(queue_, "760", 30s);
  Queue(queue_, "761", 20s);
  service_->Plan({.kind = AnswerKind::Stall, .stall = 3s});
  std::thread round([&] { Round(); });
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (service_->StallsInProgress() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  std::vector<std::string> arrived;
  for (int i = 0; i < 3; ++i) {
    const std::string number = std::to_string(765 + i);
    receipt::WriteQueueFile(queue_.string(), queuetest::RequestNumbered(number) + "\r\n", [&] {
      return receipt::QueueFileName(std::chrono::system_clock::now(), 100 + i, "3");
    });
    arrived.push_back(number);
  }
  round.join();
  service_->FinishStalls(5s);
  std::vector<std::string> received = ReceivedNumbers(*service_);
  EXPECT_EQ(received, (std::vector<std::string>{"760", "761"})) << Log();

  Round();  // 760 answered now
  received = ReceivedNumbers(*service_);
  for (const std::string& number : arrived) EXPECT_EQ(Count(received, number), 1) << number;
  EXPECT_EQ(Count(received, "760"), 2);
  EXPECT_EQ(Count(received, "761"), 1);
  EXPECT_TRUE(FileNames(queue_).empty() ||
              FileNames(queue_) == std::set<std::string>{queueservice::kInnerSetAsideName})
      << Log();
}

}  // namespace
