#include "foundation/vesk_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "foundation/log.h"

namespace foundation {

namespace {

// Set after a failure was reported; cleared by the next good append, so a
// lasting failure gives one line in the application log, not one per call.
std::atomic<bool> g_failureReported{false};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Appends one line; 0 on success, else the error number.
int AppendLine(const std::string& path, std::string_view text, std::time_t when) noexcept {
  try {
    std::string line = VeskLogTimestamp(when);
    line += ' ';
    line.append(text);
    line += '\n';
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    int err = WriteAll(fd, line.data(), line.size()) ? 0 : errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    return err;
  } catch (...) {
    return ENOMEM;
  }
}

}  // namespace

std::string VeskLogTimestamp(std::time_t when) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return "00/00/0000 00:00:00";
  char buf[32];
  std::strftime(buf, sizeof buf, "%m/%d/%Y %H:%M:%S", &local);
  return buf;
}

bool AppendVeskLogTo(const std::string& path, std::string_view text, std::time_t when) noexcept {
  return AppendLine(path, text, when) == 0;
}

void AppendVeskLog(std::string_view text) noexcept {
  const int err = AppendLine(kVeskLogPath, text, std::time(nullptr));
  if (err == 0) {
    g_failureReported.store(false);
    return;
  }
  if (g_failureReported.exchange(true)) return;
  try {
    KWLog(0, std::string("Cannot append to ") + kVeskLogPath + ": " + std::strerror(err),
          kLevelError, "AppendVeskLog");
  } catch (...) {
    // The application log is the last resort; nothing more can be done.
  }
}

}  // namespace foundation
