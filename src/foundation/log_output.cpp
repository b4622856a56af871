#include "foundation/log_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>

namespace foundation {

TLogOutput::TLogOutput(std::string folder, std::string baseName, bool timeStamped,
                       LogTime startDate)
    : folder_(std::move(folder)),
      baseName_(std::move(baseName)),
      timeStamped_(timeStamped),
      startDate_(startDate) {}

TLogOutput::~TLogOutput() {
  Close();
}

std::string TLogOutput::FileName() const {
  std::string name = folder_ + baseName_ + "_" + FormatLogDate(startDate_);
  if (timeStamped_) name += "_" + FormatLogClockTime(startDate_);
  return name + ".log";
}

bool TLogOutput::Open(bool sameFile) {
  Close();
  LogTime now = LogNow();
  if (!sameFile && !now.SameDay(startDate_)) startDate_ = now;
  const std::string name = FileName();
  fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd_ < 0 && errno == ENOENT && !folder_.empty()) {
    // The folder went away while the log ran (removed by hand, a cleaner):
    // it is made again, one level, as at the start.
    ::mkdir(folder_.c_str(), 0700);
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  }
  return fd_ >= 0;
}

size_t TLogOutput::Write(std::string_view data) {
  size_t done = 0;
  while (fd_ >= 0 && done < data.size()) {
    ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool TLogOutput::Unwrite(size_t bytes) {
  if (fd_ < 0) return false;
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end < 0 || static_cast<uint64_t>(end) < bytes) return false;
  return ::ftruncate(fd_, end - static_cast<off_t>(bytes)) == 0;
}

void TLogOutput::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace foundation
