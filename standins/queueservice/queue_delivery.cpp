#include "queue_delivery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "foundation/helpers_text.h"
#include "receipt/https_transport.h"
#include "receipt/queue_files.h"
#include "receipt/soap_responses.h"

namespace queueservice {

namespace {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

// An open folder, locked for this round.
class LockedFolder {
 public:
  explicit LockedFolder(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      error_ = errno;
      busy_ = error_ == EWOULDBLOCK;
    }
  }
  ~LockedFolder() {
    if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor
  }
  LockedFolder(const LockedFolder&) = delete;
  LockedFolder& operator=(const LockedFolder&) = delete;

  bool Ready() const { return fd_ >= 0 && error_ == 0; }
  bool Busy() const { return busy_; }
  int Error() const { return error_; }
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
  int error_ = 0;
  bool busy_ = false;
};

struct QueueEntry {
  std::string name;
  timespec modified{};
};

bool Older(const QueueEntry& a, const QueueEntry& b) {
  if (a.modified.tv_sec != b.modified.tv_sec) return a.modified.tv_sec < b.modified.tv_sec;
  if (a.modified.tv_nsec != b.modified.tv_nsec) return a.modified.tv_nsec < b.modified.tv_nsec;
  return a.name < b.name;
}

bool IsStale(const struct stat& st) {
  const auto modified = std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec);
  return std::chrono::system_clock::now() - modified > kStaleTemporaryAge;
}

// The queue files of the folder, oldest first; stale temporaries are removed
// on the way.
std::vector<QueueEntry> ListQueue(int folder, QueueLog& log, RoundResult& result) {
  std::vector<QueueEntry> entries;
  const int listing = ::dup(folder);
  DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (dir == nullptr) {
    if (listing >= 0) ::close(listing);
    log.Write(kLogErrors, "The queue folder cannot be listed: " + ErrnoText(errno));
    return entries;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const bool queued = IsQueueFileName(name);
    const bool temporary = IsQueueTemporaryName(name);
    if (!queued && !temporary) continue;
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
      continue;
    }
    if (queued) {
      entries.push_back({name, st.st_mtim});
    } else if (IsStale(st)) {
      if (::unlinkat(folder, name.c_str(), 0) == 0) {
        ++result.temporariesRemoved;
        log.Write(kLogRounds,
                  "Removed " + name + ", the unfinished write of a queue writer that died");
      } else if (errno != ENOENT) {
        log.Write(kLogErrors,
                  "Cannot remove the stale temporary file " + name + ": " + ErrnoText(errno));
      }
    }
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), Older);
  return entries;
}

// Reads a queue file; false (with the reason logged) when it cannot be read
// or is not a request the plug-in wrote, and so must stay.
bool ReadQueueFile(int folder, const std::string& name, QueueLog& log, std::string& content,
                   bool& vanished) {
  vanished = false;
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    vanished = errno == ENOENT;
    if (!vanished) {
      log.Write(kLogErrors,
                "Cannot read " + name + ": " + ErrnoText(errno) +
                    (errno == EACCES ? " (queue files are readable by the account that "
                                       "wrote them only: run the queue service under it)"
                                     : ""));
    }
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok && static_cast<uint64_t>(st.st_size) > kMaxQueueFileBytes) {
    log.Write(kLogErrors, "Kept " + name + ": " + std::to_string(st.st_size) +
                              " bytes is more than a queued request can hold");
    ok = false;
  }
  content.clear();
  char buffer[65536];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      log.Write(kLogErrors, "Cannot read " + name + ": " + ErrnoText(errno));
      ok = false;
      break;
    }
    content.append(buffer, static_cast<size_t>(n));
    if (content.size() > kMaxQueueFileBytes) {
      log.Write(kLogErrors, "Kept " + name + ": it grew past what a queued request can hold");
      ok = false;
    }
  }
  ::close(fd);
  if (ok && RequestOfQueueFile(content).find("sendDigitalReceiptRequest") == std::string::npos) {
    log.Write(kLogErrors, "Kept " + name + ": it holds no receipt request");
    ok = false;
  }
  return ok;
}

// Read as the plug-in reads a confirmation, in whatever well-formed form the
// service writes it.
bool Accepted(const std::string& response) {
  return receipt::LastHTTPCode == 200 && receipt::ReceiptConfirmed(response);
}

std::string ReceiptOf(std::string_view request) {
  std::string number;
  foundation::GetXMLTagValue(request, "ReceiptNumber", number);
  return number.empty() ? std::string("(no number)") : number;
}

}  // namespace

std::string_view RequestOfQueueFile(std::string_view content) {
  if (content.ends_with("\r\n")) {
    content.remove_suffix(2);
  } else if (content.ends_with("\n")) {
    content.remove_suffix(1);
  }
  return content;
}

bool IsQueueFileName(std::string_view name) {
  return name.size() > 6 && name.starts_with("Q-") && name.ends_with(".xml");
}

bool IsQueueTemporaryName(std::string_view name) {
  return name.starts_with(receipt::kQueueTemporaryPrefix);
}

RoundResult DeliverQueue(const QueueSettings& settings, QueueLog& log,
                         const StopRequested& stopRequested) {
  RoundResult result;
  LockedFolder folder(settings.directory);
  if (!folder.Ready()) {
    result.busy = folder.Busy();
    if (result.busy) {
      log.Write(kLogDetails, "Another queue service is delivering " + settings.directory);
    } else {
      log.Write(kLogErrors, "Cannot open the queue folder \"" + settings.directory +
                                "\": " + ErrnoText(folder.Error()));
    }
    return result;
  }
  const std::vector<QueueEntry> entries = ListQueue(folder.Fd(), log, result);
  result.found = static_cast<int>(entries.size());
  if (entries.empty()) return result;
  // A file that could be sent but not removed would be sent again at every
  // round: without the right to remove, nothing is sent.
  if (::faccessat(AT_FDCWD, settings.directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    result.kept = result.found;
    log.Write(kLogErrors, "Cannot remove files from the queue folder (" + ErrnoText(errno) + "): " +
                              std::to_string(result.found) + " queue file(s) kept, none sent");
    return result;
  }
  if (settings.url.empty()) {
    result.kept = result.found;
    log.Write(kLogErrors, "No service address in the settings: " + std::to_string(result.found) +
                              " queue file(s) kept");
    return result;
  }

  receipt::Tvk transport;  // one connection for the round
  std::string content;
  for (const QueueEntry& entry : entries) {
    if (stopRequested && stopRequested()) break;
    bool vanished = false;
    if (!ReadQueueFile(folder.Fd(), entry.name, log, content, vanished)) {
      continue;
    }
    const std::string_view request = RequestOfQueueFile(content);
    const std::string response = receipt::SendXML(settings.url, std::string(request), &transport);
    if (Accepted(response)) {
      // The double-send window ends here: nothing but this call stands
      // between the service's answer and the removal.
      const int removed = ::unlinkat(folder.Fd(), entry.name.c_str(), 0);
      const int error = errno;
      if (removed == 0 || error == ENOENT) {
        ::fsync(folder.Fd());  // the removal outlives a power cut
        ++result.sent;
        log.Write(kLogFiles, "Sent " + entry.name + " (receipt " + ReceiptOf(request) +
                                 "), accepted and removed");
      } else {
        log.Write(kLogErrors,
                  "Sent " + entry.name + " (receipt " + ReceiptOf(request) +
                      "), but it cannot be removed and will be sent again: " + ErrnoText(error));
      }
      continue;
    }
    const std::string why =
        receipt::LastHTTPCode == 200
            ? std::string("the service did not process it")
            : "HTTP " + std::to_string(receipt::LastHTTPCode) +
                  (receipt::LastCommError.empty() ? "" : ", " + receipt::LastCommError);
    log.Write(kLogFiles, "Kept " + entry.name + " (receipt " + ReceiptOf(request) + "): " + why);
    if (receipt::LastHTTPCode == -1) {
      result.unreachable = true;
      break;
    }
  }
  // Whatever was not removed stays for a later round.
  result.kept = result.found - result.sent;
  log.Write(kLogRounds, std::to_string(result.found) +
                            " queue file(s): " + std::to_string(result.sent) + " sent, " +
                            std::to_string(result.kept) + " kept" +
                            (result.unreachable ? " (the service gives no response)" : ""));
  return result;
}

}  // namespace queueservice
