// The writer thread under load and under failure: nothing is lost while the
// file can be written, stop writes everything queued, a folder that cannot
// be written costs only the oldest lines beyond the queue's bound (lines, and
// bytes while nothing can be written), and a full disk writes every line once
// and whole when space comes back.

#include <fcntl.h>
#include <linux/fs.h>
#include <malloc.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
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

// Under the address and thread sanitizers memory comes from the tool's own
// allocator, which keeps freed memory aside and takes no malloc_trim, so
// resident memory says nothing there; the count of lines is the measure.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizerAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitizerAllocator = true;
#else
constexpr bool kSanitizerAllocator = false;
#endif
#else
constexpr bool kSanitizerAllocator = false;
#endif

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  size_t resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

// While no file can be written, the lines waiting take a few megabytes
// however many are logged; once the folder is back, one notice counts the
// dropped lines and the newest lines follow it.
TEST_F(LogWriter, AnUnwritableFolderHoldsOnlyAFewMegabytesOfLines) {
  const size_t header = HeaderLineCount();
  const std::string blocked = root_.string() + "/logs/";
  const struct {
    const char* name;
    size_t lines;
    size_t textBytes;
  } floods[] = {{"1.2 million lines of 70 characters", 1'200'000, 70},
                {"300,000 lines of 1 KiB", 300'000, 1024}};
  for (const auto& flood : floods) {
    SCOPED_TRACE(flood.name);
    // A file stands where the folder should be.
    fs::remove_all(root_ / "logs");
    std::ofstream(root_ / "logs") << "not a folder";
    foundation::SetLogFolder(blocked);
    foundation::StartLogging("Norvane", true);
    Flush();

    ::malloc_trim(0);  // what the flood before left in the heap goes back first
    const size_t before = ResidentBytes();
    size_t peak = before;
    const std::string filler(flood.textBytes - 8, 'x');
    for (size_t i = 0; i < flood.lines; ++i) {
      std::string text = std::to_string(1'000'000 + i);
      text += filler;
      KWLog(0, text, foundation::kLevelInfo, "Flood");
      if (i % 50'000 == 0) peak = std::max(peak, ResidentBytes());
    }
    Flush();
    peak = std::max(peak, ResidentBytes());
    const size_t grown = peak - before;
    if (!kSanitizerAllocator) {
      constexpr size_t kMiB = 1024 * 1024;
      EXPECT_LT(grown, 16 * kMiB) << "grew by " << grown / kMiB << " MiB";
    }

    fs::remove(root_ / "logs");
    fs::create_directory(root_ / "logs");
    KWLog(0, "after repair", foundation::kLevelInfo, "");
    foundation::StopLogging();

    folder_ = blocked;
    const auto files = LogFiles();
    ASSERT_EQ(files.size(), 1u);
    const auto lines = Lines(files[0]);
    ASSERT_GE(lines.size(), 3u);
    const std::string notice = TextOf(lines[0]);
    ASSERT_NE(notice.find(" log lines were dropped because the log file could not be written"),
              std::string::npos)
        << notice;
    const size_t kept = lines.size() - 1;
    EXPECT_EQ(std::stoul(notice) + kept, header + flood.lines + 1);
    EXPECT_EQ(TextOf(lines.back()), "after repair");
    EXPECT_EQ(TextOf(lines[lines.size() - 2]),
              std::to_string(1'000'000 + flood.lines - 1) + filler);
    // The lines kept are as many as the bound's bytes hold: far fewer than the
    // line bound, and not many fewer than the bytes allow.
    const size_t entryBytes = 9 + 1 + foundation::kLogTagWidth + 2 + flood.textBytes;
    EXPECT_LE(kept * entryBytes, foundation::kDefaultLogQueueBytes);
    EXPECT_GE(kept * (entryBytes + 128), foundation::kDefaultLogQueueBytes);
    fs::remove_all(root_ / "logs");
  }
}

// A file system of a few hundred kilobytes, mounted over `at` in a mount
// namespace of the calling thread's own (threads it starts later share it),
// and unmounted again at the end. Needs the superuser.
class SmallFileSystem {
 public:
  SmallFileSystem(const fs::path& at, size_t bytes) : at_(at) {
    fs::create_directories(at_);
    if (::geteuid() != 0) {
      reason_ = "mounting a file system needs the superuser";
    } else if (::unshare(CLONE_NEWNS) != 0) {
      reason_ = std::string("unshare: ") + std::strerror(errno);
    } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      reason_ = std::string("private mounts: ") + std::strerror(errno);
    } else if (::mount("tmpfs", at_.c_str(), "tmpfs", 0,
                       ("size=" + std::to_string(bytes)).c_str()) != 0) {
      reason_ = std::string("mount: ") + std::strerror(errno);
    } else {
      mounted_ = true;
    }
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& Reason() const { return reason_; }

  // Writes a file until the file system is full.
  void Fill(const fs::path& file) const {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    const int error = errno;
    ::close(fd);
    EXPECT_EQ(error, ENOSPC);
  }

 private:
  fs::path at_;
  bool mounted_ = false;
  std::string reason_;
};

// How the log file takes being shortened: as any file, or refusing it
// (append-only), when the rest of a cut line must follow later.
class LogOnAFullDisk : public LogWriter, public ::testing::WithParamInterface<bool> {};

TEST_P(LogOnAFullDisk, WritesEveryLineOnceAndWholeWhenSpaceComesBack) {
  const bool appendOnly = GetParam();
  SmallFileSystem small(root_ / "small", 256 * 1024);
  if (!small.Mounted()) GTEST_SKIP() << small.Reason();
  folder_ = (root_ / "small" / "logs").string() + "/";
  foundation::SetLogFolder(folder_);
  foundation::StartLogging("Norvane", true);
  Flush();
  ASSERT_EQ(LogFiles().size(), 1u);
  if (appendOnly) {
    const int fd = ::open((folder_ + LogFiles()[0]).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                     (flags |= FS_APPEND_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    ::close(fd);
    if (!set) GTEST_SKIP() << "this file system has no append-only files";
  }

  // The disk fills: the next write fills the last page of the log file and
  // stops inside a line; the writes after it get nothing in.
  small.Fill(root_ / "small" / "filler");
  const std::string pad(300, 'p');
  int next = 0;
  for (int round = 0; round < 4; ++round) {
    for (int i = 0; i < 50; ++i) {
      KWLog(0, "line " + std::to_string(next++) + " " + pad, foundation::kLevelInfo, "Full");
    }
    Flush();
  }
  // Space comes back.
  fs::remove(root_ / "small" / "filler");
  KWLog(0, "after", foundation::kLevelInfo, "Full");
  foundation::StopLogging();

  const auto files = LogFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string text = testsupport::ReadFileText(folder_ + files[0]);
  EXPECT_TRUE(text.ends_with("\r\n"));
  std::vector<int> numbers;
  for (const std::string& line : Lines(files[0])) {
    // Every line is whole: the time, the level, the tag and the text.
    ASSERT_GE(line.size(), 88u) << line;
    ASSERT_EQ(line.substr(23, 3), " | ") << line;
    ASSERT_EQ(line.substr(26, 9), foundation::kLevelInfo) << line;
    const std::string body = TextOf(line);
    EXPECT_EQ(body.find("dropped"), std::string::npos) << body;
    if (!body.starts_with("line ")) continue;
    const size_t blank = body.find(' ', 5);
    ASSERT_NE(blank, std::string::npos) << body;
    numbers.push_back(std::stoi(body.substr(5, blank - 5)));
    EXPECT_EQ(body.substr(blank + 1), pad) << "cut: " << line;
  }
  // Once each, in order.
  std::vector<int> expected(static_cast<size_t>(next));
  for (int i = 0; i < next; ++i) expected[static_cast<size_t>(i)] = i;
  EXPECT_EQ(numbers, expected);
  EXPECT_EQ(TextOf(Lines(files[0]).back()), "after");
}

INSTANTIATE_TEST_SUITE_P(Files, LogOnAFullDisk, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& file) {
                           return std::string(file.param ? "AppendOnly" : "Ordinary");
                         });

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

// The log file is a pipe the test reads: the writer's writes succeed but
// wait for the reader, so a pass is as slow as the test makes it.
class PipedLogFile {
 public:
  explicit PipedLogFile(const std::string& path) : path_(path) {
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
    read_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    // A writer of the test's own keeps the pipe from reading as ended while
    // the log's writer has it closed between two passes.
    hold_ = ::open(path.c_str(), O_WRONLY);
    ::fcntl(read_, F_SETFL, 0);
    ::fcntl(read_, F_SETPIPE_SZ, 4096);  // the smallest: a pass fills it at once
    drain_ = std::thread([this] {
      char buffer[65536];
      for (;;) {
        const ssize_t n = ::read(read_, buffer, sizeof buffer);
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        text_.append(buffer, static_cast<size_t>(n));
        paused_.wait(mutex_, [this] { return draining_; });
      }
    });
  }
  ~PipedLogFile() {
    Drain();
    ::close(hold_);
    drain_.join();
    ::close(read_);
    ::unlink(path_.c_str());
  }

  // Waits until the log's writer has written into the pipe, and reads no
  // more until Drain: the writer is then inside a pass it cannot end.
  void WaitForAPass() {
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (!text_.empty()) return;
      }
      std::this_thread::yield();
    }
  }
  // Waits until the reader has read `text` (the writer may have put it into
  // the pipe before the reader took it out).
  bool WaitForText(const std::string& text) {
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < bound) {
      {
        std::lock_guard lock(mutex_);
        if (text_.find(text) != std::string::npos) return true;
      }
      std::this_thread::yield();
    }
    return false;
  }
  void Drain() {
    std::lock_guard lock(mutex_);
    draining_ = true;
    paused_.notify_all();
  }
  // Every line read.
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text_.find("\r\n", at)) != std::string::npos; at = end + 2) {
      lines.push_back(text_.substr(at, end - at));
    }
    return lines;
  }

 private:
  std::string path_;
  int read_ = -1;
  int hold_ = -1;
  std::mutex mutex_;
  std::condition_variable_any paused_;
  bool draining_ = false;
  std::string text_;
  std::thread drain_;
};

// The byte bound holds only while the file cannot be written. A pass that
// succeeds but takes its time (the first after a failure included) keeps
// every line that arrives meanwhile, however many bytes they take; again at
// each recovery.
TEST_F(LogWriter, WritesThatSucceedButLagKeepEveryLineEveryTime) {
  const std::string logs = root_.string() + "/logs";
  foundation::SetLogFolder(logs + "/");
  std::ofstream(logs) << "not a folder";
  foundation::StartLogging("Norvane", true);
  const std::string file = logs + "/Norvane_20261205_194656123.log";
  const std::string filler(200, 'x');
  std::vector<std::string> texts;
  for (int recovery = 0; recovery < 3; ++recovery) {
    SCOPED_TRACE(recovery);
    // Failing: a few hundred kilobytes wait, within the bound.
    fs::remove_all(logs);
    std::ofstream(logs) << "not a folder";
    for (int i = 0; i < 1000; ++i) {
      KWLog(0, "waiting " + std::to_string(i) + filler, foundation::kLevelInfo, "Lag");
    }
    Flush();
    // Back, but slow: while one pass waits on its reader, more bytes than
    // the bound arrive.
    fs::remove(logs);
    fs::create_directory(logs);
    {
      PipedLogFile pipe(file);
      KWLog(0, "recovered", foundation::kLevelInfo, "Lag");
      pipe.WaitForAPass();
      const size_t flood = 2 * foundation::kDefaultLogQueueBytes / filler.size();
      for (size_t i = 0; i < flood; ++i) {
        KWLog(0, "flood " + std::to_string(i) + filler, foundation::kLevelInfo, "Lag");
      }
      pipe.Drain();
      Flush();
      KWLog(0, "end of recovery", foundation::kLevelInfo, "Lag");
      Flush();
      ASSERT_TRUE(pipe.WaitForText("end of recovery\r\n"));
      texts.clear();
      for (const std::string& line : pipe.Lines()) texts.push_back(TextOf(line));
      EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                              [](const std::string& t) { return t.starts_with("waiting "); }),
                1000);
      EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                              [](const std::string& t) { return t.starts_with("flood "); }),
                static_cast<std::ptrdiff_t>(flood));
      EXPECT_EQ(texts.back(), "end of recovery");
      for (const std::string& text : texts) {
        ASSERT_EQ(text.find("dropped"), std::string::npos) << text;
      }
    }
  }
  foundation::StopLogging();
}

// A log folder removed while the log runs is made again by the next write.
TEST_F(LogWriter, AFolderRemovedWhileRunningIsMadeAgain) {
  foundation::StartLogging("Norvane", true);
  KWLog(0, "before", foundation::kLevelInfo, "");
  Flush();
  fs::remove_all(folder_);
  KWLog(0, "after", foundation::kLevelInfo, "");
  Flush();
  ASSERT_TRUE(fs::is_directory(folder_));
  EXPECT_EQ(Texts(), std::vector<std::string>{"after"});
  EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all);
  foundation::StopLogging();
}

}  // namespace
}  // namespace logtest
