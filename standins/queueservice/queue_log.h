#pragma once
// The queue service's own log: one line per event, "yyyy-mm-dd hh:nn:ss.zzz",
// the level's name and the text, written when the event's level is at most
// the log level of the settings (QUEUESERVICE LogLevel). It goes to a file
// opened for appending, or to standard error. Request texts never reach it:
// a queue file is named by its file name and receipt number only.

#include <cstdio>
#include <string>

namespace queueservice {

// Levels of the lines written.
inline constexpr int kLogErrors = 0;   // a file that cannot be read or removed, bad settings
inline constexpr int kLogRounds = 1;   // what a round did with the files it found
inline constexpr int kLogFiles = 2;    // each file sent or kept, and why
inline constexpr int kLogDetails = 5;  // settings read, each exchange's status

class QueueLog {
 public:
  // `path` empty: standard error. Raises std::runtime_error when the file
  // cannot be opened.
  explicit QueueLog(const std::string& path = {});
  ~QueueLog();
  QueueLog(const QueueLog&) = delete;
  QueueLog& operator=(const QueueLog&) = delete;

  void SetLevel(int level) { level_ = level; }
  int Level() const { return level_; }
  // Writes the line when `level` is at most the log level; flushed at once,
  // so that a killed service leaves every line it wrote.
  void Write(int level, const std::string& text);

 private:
  std::FILE* file_ = nullptr;
  bool own_ = false;
  int level_ = 1;
};

}  // namespace queueservice
