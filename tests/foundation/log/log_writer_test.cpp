// The writer thread under load and under failure: nothing is lost while the
// file can be written, stop writes everything queued, and a folder that cannot
// be written costs only the oldest lines beyond the queue's bound.

#include <atomic>
#include <map>
#include <thread>

#include "common/log_fixture.h"

namespace logtest {
namespace {

using foundation::KWLog;

class LogWriter : public LogFixture {
 protected:
  // Lines the start header produced in this environment.
  size_t HeaderLineCount() {
    foundation::StartLogging("Header", true);
    foundation::StopLogging();
    size_t n = 0;
    for (const auto& name : LogFiles()) n += Lines(name).size();
    fs::remove_all(folder_);
    return n;
  }

  // Per thread tag, the numbers logged, checked to arrive once and in order;
  // gives how many lines came from each tag.
  std::map<std::string, int> NumbersPerThread() {
    std::map<std::string, int> next;
    for (const auto& line : Lines(LogFiles().at(0))) {
      if (line.size() < 88 || line[36] != 'T') continue;
      std::string tag = line.substr(36, 2);
      const int number = std::stoi(TextOf(line));
      EXPECT_EQ(number, next[tag]) << tag;
      if (number != next[tag]) break;
      ++next[tag];
    }
    return next;
  }
};

TEST_F(LogWriter, EightThreadsOfAHundredThousandLinesLoseNone) {
  constexpr int kThreads = 8;
  constexpr int kLines = 100'000;
  foundation::StartLogging("Norvane", true);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string tag = "T" + std::to_string(t);
      for (int i = 0; i < kLines; ++i) KWLog(1, std::to_string(i), foundation::kLevelInfo, tag);
    });
  }
  for (auto& th : threads) th.join();
  foundation::StopLogging();

  // Per thread, every number arrives once and in order.
  std::map<std::string, int> next = NumbersPerThread();
  EXPECT_EQ(next.size(), static_cast<size_t>(kThreads));
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next["T" + std::to_string(t)], kLines);
}

TEST_F(LogWriter, StopWhileThreadsKeepLoggingEndsAndLeavesNoGaps) {
  foundation::StartLogging("Norvane", true);
  std::atomic<bool> run{true};
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &run, &started] {
      const std::string tag = "T" + std::to_string(t);
      ++started;
      for (int i = 0; run; ++i) KWLog(1, std::to_string(i), foundation::kLevelInfo, tag);
    });
  }
  while (started < 8) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  foundation::StopLogging();  // must not wait for the callers to pause
  run = false;
  for (auto& th : threads) th.join();

  // Whatever each thread got in before the stop is there, in order, without gaps.
  EXPECT_EQ(NumbersPerThread().size(), 8u);
}

TEST_F(LogWriter, StopWritesEveryQueuedLine) {
  foundation::StartLogging("Norvane", true);
  for (int i = 0; i < 20'000; ++i)
    KWLog(0, "line " + std::to_string(i), foundation::kLevelInfo, "");
  foundation::StopLogging();
  auto texts = Texts();
  ASSERT_GE(texts.size(), 20'000u);
  EXPECT_EQ(texts.back(), "line 19999");
  EXPECT_TRUE(Contains(texts, "line 0"));
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.rfind("line ", 0) == 0; }),
            20'000);
}

TEST_F(LogWriter, UnwritableFolderKeepsTheNewestLinesAndCountsTheDropped) {
  const size_t header = HeaderLineCount();
  // The folder's parent is missing, so the folder cannot be created and no
  // file opens; the lines stay queued, bounded.
  const std::string blocked = root_.string() + "/missing/logs/";
  foundation::SetLogFolder(blocked);
  foundation::SetLogQueueLimit(10);
  foundation::StartLogging("Norvane", true);
  for (int i = 0; i < 15; ++i) {
    KWLog(0, "queued " + std::to_string(i), foundation::kLevelInfo, "");
    Flush();  // each pass fails; the writer waits for the next line, it does not spin
  }
  EXPECT_FALSE(fs::exists(blocked));

  fs::create_directories(blocked);
  KWLog(0, "after repair", foundation::kLevelInfo, "");
  foundation::StopLogging();

  folder_ = blocked;
  auto files = LogFiles();
  ASSERT_EQ(files.size(), 1u);
  auto lines = Lines(files[0]);
  ASSERT_EQ(lines.size(), 11u);  // the notice and the ten newest lines
  const std::string notice = TextOf(lines[0]);
  const std::string suffix = " log lines were dropped because the log file could not be written";
  ASSERT_NE(notice.find(suffix), std::string::npos) << notice;
  EXPECT_EQ(lines[0].substr(26, 9), foundation::kLevelWarning);
  const size_t dropped = std::stoul(notice);
  EXPECT_EQ(dropped + 10, header + 15 + 1);
  EXPECT_EQ(TextOf(lines[1]), "queued 6");
  EXPECT_EQ(TextOf(lines.back()), "after repair");
}

TEST_F(LogWriter, LinesStayQueuedUntilTheFileCanBeWritten) {
  const std::string blocked = root_.string() + "/missing/logs/";
  foundation::SetLogFolder(blocked);
  foundation::StartLogging("Norvane", true);
  KWLog(0, "kept", foundation::kLevelInfo, "");
  Flush();
  fs::create_directories(blocked);
  foundation::StopLogging();  // the last pass writes what waited

  folder_ = blocked;
  auto texts = Texts();
  EXPECT_TRUE(Contains(texts, "START OF LOG"));
  EXPECT_EQ(texts.back(), "kept");
  for (const auto& t : texts) EXPECT_EQ(t.find("dropped"), std::string::npos) << t;
}

}  // namespace
}  // namespace logtest
