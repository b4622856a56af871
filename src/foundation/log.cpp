#include "foundation/log.h"

#include <atomic>
#include <cctype>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "foundation/app_folders.h"
#include "foundation/cmdline.h"
#include "foundation/helpers_text.h"
#include "foundation/kw_logger.h"
#include "foundation/no_destructor.h"

namespace foundation {
namespace {

constexpr const char* kDefaultLogFolder = "logs/";

// Module settings: what a logger gets when it is created.
std::atomic<int> g_level{1};
std::atomic<bool> g_debug{true};
std::atomic<bool> g_machineInfo{false};
std::atomic<size_t> g_queueLimit{kDefaultLogQueueLimit};
std::atomic<size_t> g_queueBytes{kDefaultLogQueueBytes};
std::atomic<int> g_closing{0};  // stops waiting for the logger lock

// The folder setting and the one logger. Calls share the logger lock; start
// and stop hold it alone, so no call can use a logger that is being freed.
// While a stop waits for the lock, new calls return at once, so a busy log
// cannot hold the stop off.
//
// Built on first use and never destroyed: the library's unload, which may
// come as late as the process's exit, stops the log after this file's
// ordinary statics may have been destroyed. The logger is freed by
// StopLogging, so nothing of it stays on the heap after a stop.
struct LogState {
  std::mutex folderMutex;
  std::shared_mutex loggerMutex;
  std::unique_ptr<TKWLogger> logger;
};

LogState& State() {
  static NoDestructor<LogState> state;
  return *state;
}

// The folder setting: read only by StartLogging and the folder accessors, so
// an ordinary static that is destroyed with the library's other statics.
std::string& FolderSetting() {
  static std::string folder = kDefaultLogFolder;
  return folder;
}

std::string ResolvedFolder() {
  std::lock_guard lock(State().folderMutex);
  if (FolderSetting() == kDefaultLogFolder) FolderSetting() = GetAppFolder() + kDefaultLogFolder;
  if (!FolderSetting().empty() && FolderSetting().back() != '/') FolderSetting().push_back('/');
  return FolderSetting();
}

// Parses the trimmed switch value as a whole decimal integer; -1 otherwise.
int ParseLevel(const std::string& text) {
  if (text.empty()) return -1;
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return -1;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
    if (value > 0x7fffffffLL) return -1;
  }
  return static_cast<int>(text[0] == '-' ? -value : value);
}

}  // namespace

void KWLog(int level, const std::string& text, const std::string& levelText,
           const std::string& tag) {
  if (g_closing.load(std::memory_order_relaxed) != 0) return;
  try {
    std::shared_lock lock(State().loggerMutex);
    if (State().logger) State().logger->Log(level, text, levelText, tag);
  } catch (...) {
    // A log call never raises (out of memory included).
  }
}

void LogEnter(int level, const std::string& tag) {
  KWLog(level, "BEGIN", kLevelEnter, tag);
}

void LogExit(int level, const std::string& tag) {
  KWLog(level, "END", kLevelExit, tag);
}

void LogDebug(const std::string& text, const std::string& tag) {
  if (g_closing.load(std::memory_order_relaxed) != 0) return;
  try {
    std::shared_lock lock(State().loggerMutex);
    if (State().logger) State().logger->Debug(text, tag);
  } catch (...) {
  }
}

void LogException(const std::exception& e, const std::string& place) {
  if (g_closing.load(std::memory_order_relaxed) != 0) return;
  try {
    std::shared_lock lock(State().loggerMutex);
    if (State().logger) State().logger->Error(e, place);
  } catch (...) {
  }
}

void StartLogging(const std::string& baseName, bool timeStamped) {
  try {
    std::unique_lock lock(State().loggerMutex);
    if (!State().logger) {
      LogConfig config;
      config.folder = ResolvedFolder();
      config.level = g_level.load();
      config.debugOn = g_debug.load();
      config.machineInfo = g_machineInfo.load();
      config.queueLimit = g_queueLimit.load();
      config.queueBytes = g_queueBytes.load();
      State().logger = std::make_unique<TKWLogger>(baseName, timeStamped, std::move(config));
    }
    State().logger->Start();
  } catch (...) {
  }
}

void StopLogging() {
  std::unique_ptr<TKWLogger> logger;
  g_closing.fetch_add(1);
  {
    std::unique_lock lock(State().loggerMutex);
    logger = std::move(State().logger);
  }
  g_closing.fetch_sub(1);
  // Stopped outside the lock: callers meanwhile see no logger and do nothing.
  if (logger) logger->Stop();
}

void SetLogLevel(int level) {
  g_level.store(level);
  std::shared_lock lock(State().loggerMutex);
  if (State().logger) State().logger->SetLevel(level);
}

int GetLogLevel() {
  std::shared_lock lock(State().loggerMutex);
  return State().logger ? State().logger->Level() : -1;
}

void SetDebugLogging(bool on) {
  g_debug.store(on);
  std::shared_lock lock(State().loggerMutex);
  if (State().logger) State().logger->SetDebugOn(on);
}

bool GetDebugLogging() {
  return g_debug.load();
}

void SetMachineInfoLogging(bool on) {
  g_machineInfo.store(on);
}

bool GetMachineInfoLogging() {
  return g_machineInfo.load();
}

void ReadLogCmdLine() {
  std::string value;
  if (GetCmdLineSwitchValue("loglevel", "-/", true, value)) {
    std::string trimmed = helpers::TrimText(value);
    if (!trimmed.empty()) {
      int level = ParseLevel(trimmed);
      g_level.store(level);
      g_debug.store(level != 0);
    }
  }
  value.clear();
  if (GetCmdLineSwitchValue("logmachine", "-/", true, value)) {
    std::string trimmed = helpers::TrimText(value);
    if (!trimmed.empty()) {
      char first = static_cast<char>(std::toupper(static_cast<unsigned char>(trimmed[0])));
      g_machineInfo.store(first == '1' || first == 'T' || first == 'Y');
      g_debug.store(g_debug.load() || g_machineInfo.load());
    }
  }
}

void SetLogFolder(const std::string& folder) {
  std::lock_guard lock(State().folderMutex);
  FolderSetting() = folder;
}

std::string GetLogFolder() {
  std::lock_guard lock(State().folderMutex);
  return FolderSetting();
}

void SetLogQueueLimit(size_t lines) {
  g_queueLimit.store(lines);
}

void SetLogQueueBytes(size_t bytes) {
  g_queueBytes.store(bytes);
}

bool WaitForLogWriter(std::chrono::milliseconds timeout) {
  std::shared_lock lock(State().loggerMutex);
  return !State().logger || State().logger->WaitIdle(timeout);
}

}  // namespace foundation
