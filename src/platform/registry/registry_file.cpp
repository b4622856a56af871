#include "platform/registry/registry_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace platform::registry {

namespace {

std::string SystemError(const std::string& what, const std::string& path, int error) {
  return what + " " + path + ": " + std::strerror(error);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// mkdir -p, new folders private to the user.
void CreateFolders(const std::string& folder) {
  if (folder.empty() || folder == "." || folder == "/") return;
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) throw RegistryError(folder + " is not a folder");
    return;
  }
  CreateFolders(FolderOf(folder));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw RegistryError(SystemError("cannot create folder", folder, errno));
  }
}

void WriteAll(int fd, const std::string& data, const std::string& path) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw RegistryError(SystemError("cannot write", path, errno));
    }
    done += static_cast<size_t>(n);
  }
}

// Removes "<base>.tmp.*" files in the folder: under the write lock no other
// writer is busy, so any such file was left by a writer that died.
void RemoveStaleTemporaries(const std::string& folder, const std::string& base) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::string prefix = base + ".tmp.";
  while (dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

}  // namespace

Tree LoadRegistryFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return Tree();
    throw RegistryError(SystemError("cannot open registry file", path, errno));
  }
  std::string text;
  char buffer[65536];
  while (true) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      throw RegistryError(SystemError("cannot read registry file", path, error));
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return Tree::FromText(text, path);
}

RegistryWriteLock::RegistryWriteLock(const std::string& path, int timeoutMs) {
  CreateFolders(FolderOf(path));
  std::string lockPath = path + ".lock";
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) throw RegistryError(SystemError("cannot open lock file", lockPath, errno));
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto pause = std::chrono::milliseconds(1);
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    if ((error != EWOULDBLOCK && error != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd_);
      if (error == EWOULDBLOCK) {
        throw RegistryError("registry file " + path + " stayed locked by another writer for " +
                            std::to_string(timeoutMs) + " ms");
      }
      throw RegistryError(SystemError("cannot lock", lockPath, error));
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(2));
  }
}

RegistryWriteLock::~RegistryWriteLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

void ReplaceRegistryFile(const std::string& path, const Tree& tree) {
  std::string folder = FolderOf(path);
  std::string base = BaseName(path);
  CreateFolders(folder);
  RemoveStaleTemporaries(folder, base);

  std::string temp = path + ".tmp.XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) throw RegistryError(SystemError("cannot create temporary file beside", path, errno));
  try {
    WriteAll(fd, tree.ToText(), temp);
    if (::fsync(fd) != 0) throw RegistryError(SystemError("cannot flush", temp, errno));
    if (::close(fd) != 0) {
      fd = -1;
      throw RegistryError(SystemError("cannot close", temp, errno));
    }
    fd = -1;
    if (::rename(temp.c_str(), path.c_str()) != 0) {
      throw RegistryError(SystemError("cannot replace registry file", path, errno));
    }
  } catch (...) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  // Make the rename itself durable.
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace platform::registry
