#pragma once
// One application log: its level and switches, its file output and writer
// thread, and the header it writes when started. The process holds one of
// these behind the functions of foundation/log.h.

#include <atomic>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/log_entry.h"
#include "foundation/log_writer.h"

namespace foundation {

// Where and how a logger writes; taken from the process's log settings.
struct LogConfig {
  std::string folder;  // with trailing separator
  int level = 1;
  bool debugOn = true;
  bool machineInfo = false;
  size_t queueLimit = 1'000'000;
  size_t queueBytes = 4u * 1024u * 1024u;  // while the file cannot be written
};

class TKWLogger {
 public:
  TKWLogger(std::string baseName, bool timeStamped, LogConfig config);
  ~TKWLogger();
  TKWLogger(const TKWLogger&) = delete;
  TKWLogger& operator=(const TKWLogger&) = delete;

  // Creates the log folder when missing (owner-only), starts the writer and
  // queues the start header. Does nothing when already started.
  void Start();

  // Writes every queued line, ends the writer thread and deactivates.
  void Stop();

  void Log(int level, std::string_view text, std::string_view levelText, std::string_view tag);
  void Enter(int level, std::string_view tag);
  void Leave(int level, std::string_view tag);
  void Debug(std::string_view text, std::string_view tag);
  void Error(const std::exception& e, std::string_view place);

  // Sets the level; logs "LogLevel set to N" when N is not 0.
  void SetLevel(int level);
  int Level() const { return level_.load(std::memory_order_relaxed); }
  void SetDebugOn(bool on) { debugOn_.store(on, std::memory_order_relaxed); }
  bool DebugOn() const { return debugOn_.load(std::memory_order_relaxed); }
  bool Active() const { return active_.load(std::memory_order_acquire); }

  bool WaitIdle(std::chrono::milliseconds timeout);

 private:
  void Info(const std::string& text) { Log(0, text, " INFO    ", ""); }
  void WriteStartHeader();

  std::string baseName_;
  bool timeStamped_;
  LogConfig config_;
  std::unique_ptr<TLogThread> thread_;
  std::atomic<int> level_;
  std::atomic<bool> debugOn_;
  std::atomic<bool> active_{false};
};

// The exception's class name as written in the log ("std::runtime_error").
std::string ExceptionClassName(const std::exception& e);

}  // namespace foundation
