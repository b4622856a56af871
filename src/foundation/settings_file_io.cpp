#include "foundation/settings_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace foundation {

namespace {

std::string SystemReason(int error) {
  return std::strerror(error);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw SettingsFileError(what + " \"" + path + "\": " + SystemReason(error));
}

// Closes a descriptor when it goes out of scope unless released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

void WriteAll(int fd, const std::string& content, const std::string& path) {
  const char* data = content.data();
  size_t left = content.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write", path, errno);
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    Fail("Cannot open", path, errno);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) Fail("Cannot examine", path, errno);
  if (!S_ISREG(info.st_mode)) Fail("Cannot read", path, EISDIR);

  std::string content;
  char buffer[8192];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read", path, errno);
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  return content;
}

namespace {

// The file a path names once its symbolic links are followed: a link's
// target is taken relative to the link's folder. A link to nothing gives the
// path it points to; a chain too long (or a loop) raises.
std::string FollowLinks(const std::string& path) {
  namespace fs = std::filesystem;
  constexpr int kMaxLinks = 40;
  fs::path current(path);
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current.string();
    std::error_code error;
    const fs::path target = fs::read_symlink(current, error);
    if (error) Fail("Cannot follow the link", current.string(), error.value());
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  Fail("Cannot follow the link", path, ELOOP);
}

}  // namespace

void WriteFileAtomically(const std::string& linkOrFile, const std::string& content) {
  namespace fs = std::filesystem;
  // A settings file may be a link to a copy shared elsewhere: the copy is
  // written, and the link stays a link.
  const std::string path = FollowLinks(linkOrFile);
  const fs::path target(path);
  if (target.filename().empty()) throw SettingsFileError("No file name in \"" + path + "\"");

  // Keep the permission bits of the file being replaced; a new file gets the
  // usual rw-r--r--.
  mode_t mode = 0644;
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    if (!S_ISREG(old.st_mode)) Fail("Cannot replace", path, EISDIR);
    mode = old.st_mode & 07777;
    // The file is replaced, not written: the folder's permission alone would
    // let it through. A file nobody may write, or this process may not, is
    // left as it stands (permission bits do not stop the superuser, so a file
    // without any write bit counts as read-only for everyone).
    if ((mode & 0222) == 0) {
      throw SettingsFileError("Cannot write \"" + path + "\": the file is read-only");
    }
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
      Fail("Cannot write", path, errno);
  }

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string tempName = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  FileDescriptor fd(::mkstemp(tempName.data()));
  if (fd.get() < 0) {
    // The file itself may be writable (a shared copy in a folder that takes
    // no new files): say why it is not written all the same, and which file
    // a link led to.
    const int error = errno;
    // Shown without the ".." a relative link leaves in the path.
    std::error_code unresolved;
    fs::path shown = fs::weakly_canonical(target, unresolved);
    if (unresolved) shown = target;
    throw SettingsFileError(
        "Cannot write \"" + shown.string() + "\"" +
        (path == linkOrFile ? std::string() : ", to which the link \"" + linkOrFile + "\" leads") +
        ": no new file can be made in its folder \"" + shown.parent_path().string() + "\" (" +
        SystemReason(error) +
        "), and a settings file is only ever replaced whole, by a new file written there");
  }

  try {
    WriteAll(fd.get(), content, path);
    if (::fchmod(fd.get(), mode) != 0) Fail("Cannot set permissions for", path, errno);
    if (::fsync(fd.get()) != 0) Fail("Cannot flush", path, errno);
    if (::close(fd.release()) != 0) Fail("Cannot close", path, errno);
    if (::rename(tempName.c_str(), path.c_str()) != 0) Fail("Cannot replace", path, errno);
  } catch (...) {
    ::unlink(tempName.c_str());
    throw;
  }
}

void CreateFolderIfMissing(const std::string& folder) {
  if (!folder.empty() && !std::filesystem::exists(folder)) {
    std::filesystem::create_directories(folder);
  }
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  bool pending = false;  // text seen since the last line ending
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      pending = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current.push_back(c);
      pending = true;
    }
  }
  if (pending) lines.push_back(std::move(current));
  return lines;
}

}  // namespace foundation
