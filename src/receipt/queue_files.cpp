#include "receipt/queue_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/message_form.h"
#include "foundation/ui_guard.h"
#include "hostplugin/message_box.h"
#include "receipt/records.h"

namespace receipt {

namespace {

constexpr const char* kQueueTag = "QueueRequest";
constexpr int kTraceLevel = 7;
// Names drawn before giving up when every one is taken.
constexpr int kMaxNameAttempts = 100;
// Hidden, and without the ".xml" ending the queue service looks for.
constexpr const char* kTempPattern = ".queue-XXXXXX";
static_assert(std::string_view(kTempPattern).starts_with(kQueueTemporaryPrefix));

std::string ErrnoText(int error) {
  return std::system_category().message(error);
}

[[noreturn]] void Fail(const std::string& what, int error) {
  throw EQueueWriteError(what + ": " + ErrnoText(error));
}

// One engine for the process, behind a lock: the library avoids thread-local
// storage, whose cleanup after an unload the loader does not handle well.
int RandomQueuePart() {
  static std::mutex mutex;
  static std::mt19937 engine{std::random_device{}()};
  std::lock_guard lock(mutex);
  return std::uniform_int_distribution<int>(0, 999)(engine);
}

void WriteAll(int fd, std::string_view content, const std::string& path) {
  while (!content.empty()) {
    const ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write \"" + path + "\"", errno);
    }
    content.remove_prefix(static_cast<size_t>(n));
  }
}

// Makes the new directory entry itself durable; a failure here does not undo
// the published file, so it is only logged.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    foundation::KWLog(3, "The queue folder could not be flushed: " + ErrnoText(errno),
                      foundation::kLevelWarning, kQueueTag);
  }
  if (fd >= 0) ::close(fd);
}

// Publishes `temp` as `target` unless `target` exists. True when published,
// false when the name is taken; raises on any other failure.
bool PublishWithoutReplacing(const std::string& temp, const std::string& target) {
  const int error = MoveWithoutReplacing(AT_FDCWD, temp, AT_FDCWD, target);
  if (error == 0) return true;
  if (error == EEXIST) return false;
  Fail("Cannot publish \"" + target + "\"", error);
}

void CheckFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    throw EQueueWriteError("\"" + name + "\" is not a valid queue file name");
  }
}

void ShowQueueFailure(const std::string& message) {
  try {
    if (foundation::UiAvailableOnThisThread()) {
      foundation::DisplayMessage(foundation::kMessageCaption, message);
      return;
    }
  } catch (const std::exception& e) {
    foundation::KWLog(0, std::string("The message form failed: ") + e.what(),
                      foundation::kLevelError, kQueueTag);
  }
  foundation::KWLog(0, message, foundation::kLevelWarning, kQueueTag);
}

}  // namespace

std::string QueueFileName(std::chrono::system_clock::time_point when, int random,
                          std::string_view workstation) {
  using namespace std::chrono;
  const auto sinceEpoch = duration_cast<milliseconds>(when.time_since_epoch());
  auto seconds = duration_cast<std::chrono::seconds>(sinceEpoch);
  auto millis = sinceEpoch - seconds;
  if (millis.count() < 0) {
    millis += std::chrono::seconds(1);
    seconds -= std::chrono::seconds(1);
  }
  const std::time_t t = static_cast<std::time_t>(seconds.count());
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis.count()));

  std::string ws;
  for (char c : workstation) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
    if (keep) ws += c;
  }
  return "Q-" + std::string(stamp) + "_" + std::to_string(random) + "_WS" + ws + ".xml";
}

int MoveWithoutReplacing(int fromFolder, const std::string& from, int toFolder,
                         const std::string& to) {
  if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system cannot rename without replacing: a hard link fails on an
  // existing name as well, and the old name is then removed.
  if (::linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) != 0) return errno;
  ::unlinkat(fromFolder, from.c_str(), 0);
  return 0;
}

std::string WriteQueueFile(const std::string& folder, std::string_view content,
                           const std::function<std::string()>& drawName) {
  if (folder.empty()) throw EQueueWriteError("No queue folder is set");
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    throw EQueueWriteError("Cannot create the queue folder \"" + folder + "\": " + ec.message());
  }

  const std::string pattern = foundation::PathJoin({folder, kTempPattern});
  std::vector<char> tempName(pattern.begin(), pattern.end());
  tempName.push_back('\0');
  const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
  if (fd < 0) Fail("Cannot create a file in \"" + folder + "\"", errno);
  const std::string temp(tempName.data());

  try {
    try {
      if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) Fail("Cannot restrict \"" + temp + "\"", errno);
      WriteAll(fd, content, temp);
      if (::fsync(fd) != 0) Fail("Cannot flush \"" + temp + "\"", errno);
    } catch (...) {
      ::close(fd);
      throw;
    }
    if (::close(fd) != 0) Fail("Cannot close \"" + temp + "\"", errno);

    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
      const std::string name = drawName();
      CheckFileName(name);
      const std::string target = foundation::PathJoin({folder, name});
      if (PublishWithoutReplacing(temp, target)) {
        SyncFolder(folder);
        return target;
      }
    }
    throw EQueueWriteError("No free queue file name in \"" + folder + "\" after " +
                           std::to_string(kMaxNameAttempts) + " attempts");
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

void QueueRequest(const std::string& folder, std::string_view request,
                  std::string_view workstation) {
  foundation::LogEnter(kTraceLevel, kQueueTag);
  try {
    std::string content;
    content.reserve(request.size() + 2);
    content.append(request);
    content.append("\r\n");
    const std::string path = WriteQueueFile(folder, content, [&] {
      return QueueFileName(std::chrono::system_clock::now(), RandomQueuePart(), workstation);
    });
    FTransControl.RequestQueued = true;
    foundation::KWLog(3, "Request queued in [ " + path + " ]", foundation::kLevelInfo, kQueueTag);
  } catch (const std::exception& e) {
    foundation::KWLog(0, std::string("Queue Request Ex : ") + e.what(), foundation::kLevelError,
                      kQueueTag);
    ShowQueueFailure(hostplugin::ExceptionShortClassName(e) +
                     " exception when queuing request: " + e.what());
  }
  foundation::LogExit(kTraceLevel, kQueueTag);
}

}  // namespace receipt
