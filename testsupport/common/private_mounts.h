#pragma once
// Mounts a test makes for itself only: the calling thread enters a mount
// namespace of its own (threads it starts later share it; no other process
// sees its mounts), where it can give a folder a small file system of its own
// or make a folder read-only, even for the superuser. Needs the superuser;
// Available() says why not otherwise. Each mount is undone when the object
// goes.

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class PrivateMounts {
 public:
  PrivateMounts() {
    if (::geteuid() != 0) {
      reason_ = "mounting needs the superuser";
    } else if (::unshare(CLONE_NEWNS) != 0) {
      reason_ = std::string("unshare: ") + std::strerror(errno);
    } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      reason_ = std::string("private mounts: ") + std::strerror(errno);
    }
  }
  ~PrivateMounts() {
    for (auto at = mounted_.rbegin(); at != mounted_.rend(); ++at) {
      ::umount2(at->c_str(), MNT_DETACH);
    }
  }
  PrivateMounts(const PrivateMounts&) = delete;
  PrivateMounts& operator=(const PrivateMounts&) = delete;

  bool Available() const { return reason_.empty(); }
  const std::string& Reason() const { return reason_; }

  // A file system of `bytes` bytes over `at` (made when missing).
  bool SmallFileSystem(const std::filesystem::path& at, size_t bytes) {
    std::filesystem::create_directories(at);
    return Mount("tmpfs", at, "tmpfs", 0, "size=" + std::to_string(bytes));
  }

  // `folder` read-only from now on; folders mounted below it before stay as
  // they were.
  bool ReadOnly(const std::filesystem::path& folder) {
    return Mount(folder.string(), folder, nullptr, MS_BIND | MS_REC, {}) &&
           ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) ==
               0;
  }

  // `folder` a mount of its own (the same file system), so that it keeps
  // its rights when its parent is made read-only.
  bool OwnMount(const std::filesystem::path& folder) {
    return Mount(folder.string(), folder, nullptr, MS_BIND, {});
  }

 private:
  bool Mount(const std::string& source, const std::filesystem::path& at, const char* type,
             unsigned long flags, const std::string& options) {
    if (!Available()) return false;
    if (::mount(source.c_str(), at.c_str(), type, flags,
                options.empty() ? nullptr : options.c_str()) != 0) {
      reason_ = "mount " + at.string() + ": " + std::strerror(errno);
      return false;
    }
    mounted_.push_back(at.string());
    return true;
  }

  std::string reason_;
  std::vector<std::string> mounted_;
};

}  // namespace testsupport
