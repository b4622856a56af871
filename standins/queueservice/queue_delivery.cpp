#include "queue_delivery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <vector>

#include "foundation/helpers_text.h"
#include "receipt/https_transport.h"
#include "receipt/queue_files.h"
#include "receipt/sale_workflow.h"
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
  nlink_t links = 1;  // names the file has
  dev_t device = 0;
  ino_t inode = 0;
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

// The whole content of a small regular file of the folder; false when it
// cannot be read or is larger than a queued request can be.
bool ReadSmallFile(int folder, const std::string& name, std::string& content) {
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  content.clear();
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    content.append(buffer, static_cast<size_t>(n));
    if (content.size() > kMaxQueueFileBytes) {
      ok = false;
      break;
    }
  }
  ::close(fd);
  return ok;
}

// The end of every request the plug-in queues, its envelope's end tag.
constexpr std::string_view kRequestEnd = "</soapenv:Envelope>";

// Whether a queue writer's temporary file holds the whole of what it was to
// publish: a receipt request to its envelope's end and the line break the
// writer ends it with. A write cut short lacks one or the other (the request's
// own lines end with line breaks too, so the break alone tells nothing).
// Nothing more is asked of the request's text: a whole request is delivered
// as it stands, as a published one would be.
bool HoldsWholeRequest(const std::string& content) {
  if (!content.ends_with("\r\n")) return false;
  const std::string_view request = RequestOfQueueFile(content);
  return request.ends_with(kRequestEnd) &&
         request.find("sendDigitalReceiptRequest") != std::string_view::npos;
}

// Publishes a temporary file that holds a whole request under a queue file
// name of its own, as its writer would have: the time it was written, a
// random part and the receipt's workstation. The name it got, or empty when
// no free name was found.
std::string PublishTemporary(int folder, const std::string& temporary, const std::string& content,
                             const struct stat& st) {
  std::string workstation;
  foundation::GetXMLTagValue(RequestOfQueueFile(content), "POSID", workstation);
  const size_t digits = workstation.find_first_not_of('0');
  workstation =
      digits == std::string::npos ? (workstation.empty() ? "" : "0") : workstation.substr(digits);
  const auto written = std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
  std::minstd_rand random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name =
        receipt::QueueFileName(written, static_cast<int>(random() % 1000), workstation);
    const int error = receipt::MoveWithoutReplacing(folder, temporary, folder, name);
    if (error == 0) {
      ::fsync(folder);
      return name;
    }
    errno = error;
    if (error != EEXIST) break;
  }
  return {};
}

// Where rename cannot refuse to replace, the queue writer publishes its
// temporary file with a hard link and then removes the temporary name. A
// temporary with more than one name was so published already (a writer that
// died between the two steps, or one about to take the second): its request
// is the queue file's, and only the temporary name is to go. Unlinked while
// young too when the queue file is in the listing, since once that file is
// delivered the temporary would be left with one name and be published again.
bool IsSecondName(const struct stat& st, bool stale, const std::vector<struct stat>& queued) {
  if (st.st_nlink < 2) return false;
  return stale || std::any_of(queued.begin(), queued.end(), [&](const struct stat& q) {
           return q.st_dev == st.st_dev && q.st_ino == st.st_ino;
         });
}

// The queue files of the folder, oldest first. Stale temporaries are dealt
// with on the way: one that holds a whole request (its writer died between
// flushing and publishing it) is published and delivered with the others,
// one cut short is removed; a temporary that is a second name of a published
// file is removed, whatever it holds.
std::vector<QueueEntry> ListQueue(int folder, QueueLog& log, RoundResult& result) {
  std::vector<QueueEntry> entries;
  const int listing = ::dup(folder);
  DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (dir == nullptr) {
    if (listing >= 0) ::close(listing);
    log.Write(kLogErrors, "The queue folder cannot be listed: " + ErrnoText(errno));
    return entries;
  }
  std::vector<struct stat> queuedFiles;
  std::vector<std::pair<std::string, struct stat>> temporaries;
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
      entries.push_back({name, st.st_mtim, st.st_nlink, st.st_dev, st.st_ino});
      queuedFiles.push_back(st);
    } else {
      temporaries.emplace_back(name, st);
    }
  }
  ::closedir(dir);
  std::vector<std::pair<std::string, struct stat>> stale;
  for (const auto& [name, st] : temporaries) {
    const bool old = IsStale(st);
    if (IsSecondName(st, old, queuedFiles)) {
      if (::unlinkat(folder, name.c_str(), 0) == 0) {
        ++result.temporariesRemoved;
        log.Write(kLogRounds,
                  "Removed " + name + ", a second name of a queue file its writer had published");
      } else if (errno != ENOENT) {
        log.Write(kLogErrors, "Cannot remove the temporary file " + name + ": " + ErrnoText(errno));
      }
    } else if (old) {
      stale.emplace_back(name, st);
    }
  }
  std::string content;
  for (const auto& [name, st] : stale) {
    if (ReadSmallFile(folder, name, content) && HoldsWholeRequest(content)) {
      const std::string published = PublishTemporary(folder, name, content, st);
      if (!published.empty()) {
        ++result.temporariesPublished;
        entries.push_back({published, st.st_mtim, 1, st.st_dev, st.st_ino});
        log.Write(kLogRounds, "Published " + name + " as " + published +
                                  ": a whole request its queue writer died before publishing");
        continue;
      }
      log.Write(kLogErrors, "Cannot publish the stale temporary file " + name +
                                ", which holds a whole request: " + ErrnoText(errno));
      continue;
    }
    if (::unlinkat(folder, name.c_str(), 0) == 0) {
      ++result.temporariesRemoved;
      log.Write(kLogRounds,
                "Removed " + name + ", the unfinished write of a queue writer that died");
    } else if (errno != ENOENT) {
      log.Write(kLogErrors,
                "Cannot remove the stale temporary file " + name + ": " + ErrnoText(errno));
    }
  }
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

// What the service's answer to one request says.
struct ServiceAnswer {
  enum Kind {
    Accepted,  // a readable answer (see below), DigitalReceiptProcessed true
    Rejected,  // a readable answer, DigitalReceiptProcessed false: a refusal of the request
    Failed,    // any other answer: another status, a broken transfer, no receipt answer
  } kind = Failed;
  std::string code;         // ExceptionCode of a rejection
  std::string description;  // ExceptionDescription of a rejection
};

// Reads the answer as the sale reads it: the same statuses and transfers give
// an answer to read, and the same reading of its body (in any encoding and
// well-formed form, Booleans as XML Schema writes them), so that the sale and
// the queue service agree on what the service said.
ServiceAnswer ReadAnswer(int32_t httpCode, const std::string& commError,
                         const std::string& response) {
  ServiceAnswer answer;
  if (!receipt::AnswerReadable(httpCode, commError)) return answer;
  receipt::SendAnswer read = receipt::ReadSendAnswer(response);
  if (read.processed == true) {
    answer.kind = ServiceAnswer::Accepted;
  } else if (read.processed == false) {
    answer.kind = ServiceAnswer::Rejected;
    answer.code = std::move(read.exceptionCode);
    answer.description = std::move(read.exceptionDescription);
  }
  return answer;
}

std::string RejectionText(const ServiceAnswer& answer) {
  if (answer.code.empty() && answer.description.empty()) return "no exception given";
  return "exception " + (answer.code.empty() ? std::string("(no code)") : answer.code) + ": " +
         (answer.description.empty() ? std::string("(no description)") : answer.description);
}

// Failed answers met so far by each queue file, kept across rounds and
// restarts in kFailedAnswersFile of the set-aside folder in use: a line
// "<count> <seconds since 1970 of the first> <file name>" per file.
struct FailedAnswers {
  int count = 0;
  int64_t first = 0;
  bool operator==(const FailedAnswers&) const = default;
};
using FailedAnswerTable = std::map<std::string, FailedAnswers>;
constexpr const char* kFailedAnswersFile = ".failed-answers";

// The counts, from the set-aside folder written last: the one inside the
// queue folder is written only while the one beside it cannot be, and
// removed once that can be written again, so when it exists it is the newer.
FailedAnswerTable ReadFailedAnswers(const std::vector<std::string>& asideFolders) {
  FailedAnswerTable table;
  std::ifstream in;
  for (auto folder = asideFolders.rbegin(); folder != asideFolders.rend() && !in.is_open();
       ++folder) {
    in.open(*folder + "/" + kFailedAnswersFile);
  }
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    FailedAnswers entry;
    std::string name;
    if (fields >> entry.count >> entry.first && std::getline(fields >> std::ws, name) &&
        IsQueueFileName(name) && entry.count > 0) {
      table[name] = entry;
    }
  }
  return table;
}

// Creates a set-aside folder when missing, owner-only as the queue files it
// takes in; false (errno set) when it cannot be made.
bool MakeSetAsideFolder(const std::string& asideFolder) {
  return ::mkdir(asideFolder.c_str(), 0700) == 0 || errno == EEXIST;
}

// Writes `text` into a new file `path`, flushed to disk; 0, or the system's
// error.
int WriteNewFile(const std::string& path, std::string_view text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  int error = 0;
  while (!text.empty() && error == 0) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n >= 0) {
      text.remove_prefix(static_cast<size_t>(n));
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  return error;
}

// Writes the table whole (a new file renamed over the old one) into the
// first set-aside folder that takes it and removes the copies of the others,
// or removes every copy when the table is empty. False (the reasons logged)
// when no folder took it.
bool WriteFailedAnswers(const std::vector<std::string>& asideFolders,
                        const FailedAnswerTable& table, QueueLog& log) {
  bool written = table.empty();
  std::string text;
  for (const auto& [name, entry] : table) {
    text += std::to_string(entry.count) + ' ' + std::to_string(entry.first) + ' ' + name + '\n';
  }
  std::string reasons;
  for (const std::string& folder : asideFolders) {
    const std::string path = folder + "/" + kFailedAnswersFile;
    if (written) {
      if (::unlink(path.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR) {
        log.Write(kLogDetails, "Cannot remove " + path + ": " + ErrnoText(errno));
      }
      continue;
    }
    if (!MakeSetAsideFolder(folder)) {
      reasons += " " + folder + " cannot be made: " + ErrnoText(errno) + ";";
      continue;
    }
    const std::string fresh = path + ".new";
    if (const int error = WriteNewFile(fresh, text); error != 0) {
      reasons += " " + fresh + " cannot be written: " + ErrnoText(error) + ";";
      ::unlink(fresh.c_str());
      continue;
    }
    if (::rename(fresh.c_str(), path.c_str()) != 0) {
      reasons += " " + path + ": " + ErrnoText(errno) + ";";
      ::unlink(fresh.c_str());
      continue;
    }
    written = true;
  }
  if (!written) {
    log.Write(
        kLogErrors,
        "The failed answers cannot be saved, and are kept in memory until they can:" + reasons);
  }
  return written;
}

// The failed answers of each queue folder as the last round of this process
// left them, and whether they could be saved. While they cannot (a full
// disk), the counts go on here from round to round, so that a file still
// meets its limit; the file, which then holds older counts, is read again
// once a save succeeded.
struct RememberedCounts {
  dev_t device = 0;  // the queue folder they belong to
  ino_t inode = 0;
  FailedAnswerTable table;
  bool saved = true;
};

std::mutex rememberedMutex;
std::map<std::string, RememberedCounts>& Remembered() {
  static std::map<std::string, RememberedCounts> remembered;
  return remembered;
}

// The counts a round starts from: those this process could not save, or
// else those of the file.
FailedAnswerTable StartingCounts(const std::string& queueFolder, const struct stat& identity,
                                 const std::vector<std::string>& asideFolders, bool& saved) {
  {
    std::lock_guard lock(rememberedMutex);
    auto it = Remembered().find(queueFolder);
    if (it != Remembered().end() && !it->second.saved && it->second.device == identity.st_dev &&
        it->second.inode == identity.st_ino) {
      saved = false;
      return it->second.table;
    }
  }
  saved = true;
  return ReadFailedAnswers(asideFolders);
}

void RememberCounts(const std::string& queueFolder, const struct stat& identity,
                    const FailedAnswerTable& table, bool saved) {
  std::lock_guard lock(rememberedMutex);
  if (saved) {
    Remembered().erase(queueFolder);
  } else {
    Remembered()[queueFolder] = {identity.st_dev, identity.st_ino, table, false};
  }
}

// Moves queue file `name` under its own name (a number added when that is
// taken) into the first of the set-aside folders that takes it: one beside
// the queue may lie on another file system or under a parent this process
// may not write, the one inside the queue folder lies on the queue's own.
// The path it got, or empty (with `error` saying why) when no folder took it
// and it stays in the queue.
std::string MoveAside(int folder, const std::string& name,
                      const std::vector<std::string>& asideFolders, QueueLog& log,
                      std::string& error) {
  for (const std::string& asideFolder : asideFolders) {
    if (!MakeSetAsideFolder(asideFolder)) {
      error += (error.empty() ? "" : "; ") + asideFolder + " cannot be made: " + ErrnoText(errno);
      continue;
    }
    const int aside = ::open(asideFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (aside < 0) {
      error += (error.empty() ? "" : "; ") + asideFolder + ": " + ErrnoText(errno);
      continue;
    }
    std::string target = name;
    int moveError = EEXIST;
    for (int copy = 2; copy < 1000; ++copy) {
      moveError = receipt::MoveWithoutReplacing(folder, name, aside, target);
      if (moveError != EEXIST) break;
      target = name.substr(0, name.size() - 4) + "-" + std::to_string(copy) + ".xml";
    }
    if (moveError == 0) {
      ::fsync(aside);
      ::fsync(folder);
      ::close(aside);
      if (!error.empty()) {
        log.Write(kLogFiles, "Set aside within the queue's own folder, since " + error);
      }
      return asideFolder + "/" + target;
    }
    ::close(aside);
    error += (error.empty() ? "" : "; ") + name + " cannot be moved into " + asideFolder + ": " +
             ErrnoText(moveError);
  }
  return {};
}

// Where rename cannot refuse to replace, a file is set aside by a hard link
// in the set-aside folder and the removal of its queue name: a queue file
// with a second name there was set aside by a round that died between the
// two. The path of that second name, or empty.
std::string SetAsideTwin(const QueueEntry& entry, const std::vector<std::string>& asideFolders) {
  if (entry.links < 2) return {};
  for (const std::string& asideFolder : asideFolders) {
    DIR* dir = ::opendir(asideFolder.c_str());
    if (dir == nullptr) continue;
    std::string twin;
    while (const dirent* item = ::readdir(dir)) {
      struct stat st {};
      if (IsQueueFileName(item->d_name) &&
          ::fstatat(::dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          st.st_dev == entry.device && st.st_ino == entry.inode) {
        twin = asideFolder + "/" + item->d_name;
        break;
      }
    }
    ::closedir(dir);
    if (!twin.empty()) return twin;
  }
  return {};
}

std::string ReceiptOf(std::string_view request) {
  std::string number;
  foundation::GetXMLTagValue(request, "ReceiptNumber", number);
  return number.empty() ? std::string("(no number)") : number;
}

}  // namespace

std::string SetAsideFolder(const std::string& queueFolder) {
  std::string folder = queueFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "-SetAside";
}

std::string InnerSetAsideFolder(const std::string& queueFolder) {
  std::string folder = queueFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/" + kInnerSetAsideName;
}

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
                         const StopRequested& stopRequested, const DeliveryLimits& limits) {
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
  const std::vector<std::string> asideFolders = {SetAsideFolder(settings.directory),
                                                 InnerSetAsideFolder(settings.directory)};
  struct stat identity {};
  ::fstat(folder.Fd(), &identity);
  bool saved = true;
  FailedAnswerTable failed = StartingCounts(settings.directory, identity, asideFolders, saved);
  const FailedAnswerTable failedBefore = failed;
  // Saves the counts when they changed or could not be saved before, and
  // keeps them in memory while they cannot be.
  auto keepCounts = [&] {
    if (failed == failedBefore && saved) return;
    RememberCounts(settings.directory, identity, failed,
                   WriteFailedAnswers(asideFolders, failed, log));
  };
  // Counts of files no longer in the queue (removed or moved by hand) end.
  std::erase_if(failed, [&](const auto& item) {
    return std::none_of(entries.begin(), entries.end(),
                        [&](const QueueEntry& entry) { return entry.name == item.first; });
  });
  if (entries.empty()) {
    keepCounts();
    return result;
  }
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

  const auto now = [&limits] {
    return std::chrono::system_clock::to_time_t(limits.now ? limits.now()
                                                           : std::chrono::system_clock::now());
  };
  auto setAside = [&](const QueueEntry& entry, const std::string& receipt, const std::string& why) {
    std::string error;
    const std::string moved = MoveAside(folder.Fd(), entry.name, asideFolders, log, error);
    if (moved.empty()) {
      log.Write(kLogErrors, "Kept " + entry.name + " (receipt " + receipt + "): " + why +
                                ", but it cannot be set aside: " + error);
      return false;
    }
    ++result.setAside;
    log.Write(kLogFiles,
              "Set aside " + entry.name + " (receipt " + receipt + ") as " + moved + ": " + why);
    return true;
  };

  // One transport for the round (its cookies kept); each post opens a fresh
  // connection, so that nothing is ever sent again behind this loop's back.
  receipt::Tvk transport;
  std::string content;
  for (const QueueEntry& entry : entries) {
    if (stopRequested && stopRequested()) break;
    if (const std::string twin = SetAsideTwin(entry, asideFolders); !twin.empty()) {
      // Its setting aside is finished, and it is not posted again.
      if (::unlinkat(folder.Fd(), entry.name.c_str(), 0) == 0 || errno == ENOENT) {
        ::fsync(folder.Fd());
        ++result.setAside;
        failed.erase(entry.name);
        log.Write(kLogFiles, "Set aside " + entry.name + " as " + twin +
                                 ": a round set it aside there and stopped before removing it "
                                 "from the queue");
      } else {
        log.Write(kLogErrors, "Kept " + entry.name + ", set aside already as " + twin +
                                  ": it cannot be removed from the queue: " + ErrnoText(errno));
      }
      continue;
    }
    bool vanished = false;
    if (!ReadQueueFile(folder.Fd(), entry.name, log, content, vanished)) {
      continue;
    }
    const std::string_view request = RequestOfQueueFile(content);
    const std::string receipt = ReceiptOf(request);
    const std::string response = receipt::SendXML(settings.url, std::string(request), &transport);
    const int32_t status = receipt::LastHTTPCode;
    const ServiceAnswer answer = ReadAnswer(status, receipt::LastCommError, response);
    if (answer.kind == ServiceAnswer::Accepted) {
      // The double-send window ends here: nothing but this call stands
      // between the service's answer and the removal.
      const int removed = ::unlinkat(folder.Fd(), entry.name.c_str(), 0);
      const int error = errno;
      if (removed == 0 || error == ENOENT) {
        ::fsync(folder.Fd());  // the removal outlives a power cut
        ++result.sent;
        failed.erase(entry.name);
        log.Write(kLogFiles,
                  "Sent " + entry.name + " (receipt " + receipt + "), accepted and removed");
      } else {
        log.Write(kLogErrors,
                  "Sent " + entry.name + " (receipt " + receipt +
                      "), but it cannot be removed and will be sent again: " + ErrnoText(error));
      }
      continue;
    }
    if (status == -1 && !receipt::LastRequestSent) {
      // Nothing went out (refused, unreachable, a failed handshake): the
      // service is away for every file, which waits for a later round.
      log.Write(kLogFiles, "Kept " + entry.name + " (receipt " + receipt + "): no response (" +
                               receipt::LastCommError + ")");
      result.unreachable = true;
      break;
    }
    if (answer.kind == ServiceAnswer::Rejected) {
      // The request itself was refused: no later round can do better.
      failed.erase(entry.name);
      setAside(entry, receipt, "the service rejected it, " + RejectionText(answer));
      continue;
    }
    // A readable answer held no receipt answer; any other says why it was
    // not readable: its status, or the transfer's error (an answer cut short).
    // No answer at all once the request may have gone out (the service took
    // it and stalled past the time-out, closed the connection or broke its
    // TLS) is a failed answer too: such a file counts toward its limit, as
    // any that keeps failing, and the files behind it are still posted.
    const std::string why =
        status == -1 ? "no answer once the request had gone out (" + receipt::LastCommError + ")"
                     : "HTTP " + std::to_string(status) +
                           (receipt::AnswerReadable(status, receipt::LastCommError)
                                ? std::string(" without a receipt answer")
                                : ", " + (receipt::LastCommError.empty()
                                              ? std::string("no answer to read at that status")
                                              : receipt::LastCommError));
    FailedAnswers& count = failed[entry.name];
    const std::time_t at = now();
    // A first failed answer dated ahead of now was met while the clock ran
    // ahead: the period starts again now, or it would never be over.
    if (count.count == 0 || count.first > at) count.first = at;
    ++count.count;
    const std::chrono::seconds since(at - count.first);
    if (count.count >= limits.failedAnswers && since >= limits.failedPeriod &&
        setAside(entry, receipt,
                 why + ", the failed answer " + std::to_string(count.count) + " in " +
                     std::to_string(since.count() / 3600) + " hour(s)")) {
      failed.erase(entry.name);
      continue;
    }
    log.Write(kLogFiles, "Kept " + entry.name + " (receipt " + receipt + "): " + why +
                             " (failed answer " + std::to_string(count.count) + ")");
  }
  keepCounts();
  // Whatever was neither removed nor set aside stays for a later round.
  result.kept = result.found - result.sent - result.setAside;
  log.Write(kLogRounds, std::to_string(result.found) +
                            " queue file(s): " + std::to_string(result.sent) + " sent, " +
                            std::to_string(result.setAside) + " set aside, " +
                            std::to_string(result.kept) + " kept" +
                            (result.unreachable ? " (the service gives no response)" : ""));
  return result;
}

}  // namespace queueservice
