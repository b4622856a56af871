#include "queue_log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace queueservice {

QueueLog::QueueLog(const std::string& path) {
  if (path.empty()) {
    file_ = stderr;
    return;
  }
  file_ = std::fopen(path.c_str(), "ae");
  if (file_ == nullptr) {
    throw std::runtime_error("cannot open the log file \"" + path + "\": " + std::strerror(errno));
  }
  own_ = true;
}

QueueLog::~QueueLog() {
  if (own_) std::fclose(file_);
}

void QueueLog::Write(int level, const std::string& text) {
  if (level > level_) return;
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  const char* name = level <= kLogErrors ? "ERROR" : level <= kLogRounds ? "INFO " : "DEBUG";
  std::fprintf(file_, "%s.%03d %s %s\n", stamp, static_cast<int>(millis), name, text.c_str());
  std::fflush(file_);
}

}  // namespace queueservice
