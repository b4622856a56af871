#pragma once
// Scratch folders and file helpers for the settings tests.

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/file_text.h"
#include "common/temp_folder.h"

namespace settings_test {

// A fresh folder under the system's temporary folder, removed (with all it
// holds, whatever its permissions) at the end of the test.
class ScratchFolder {
 public:
  std::string Path(const std::string& name = "") const {
    return name.empty() ? folder_.Path().string() : folder_.Path().string() + "/" + name;
  }

 private:
  testsupport::TempFolder folder_{"settings_test"};
};

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

using testsupport::ReadFileText;

// Takes away, for the calling thread and for as long as the object lives, the
// capability that lets a superuser write into folders without write
// permission; tests that need a folder nobody can write to then work when run
// as root. Does nothing for an ordinary user.
class WithoutFileAccessOverride {
 public:
  WithoutFileAccessOverride() {
    if (::geteuid() != 0) return;
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2];
    std::memcpy(reduced, saved_, sizeof reduced);
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
  }
  WithoutFileAccessOverride(const WithoutFileAccessOverride&) = delete;
  WithoutFileAccessOverride& operator=(const WithoutFileAccessOverride&) = delete;
  ~WithoutFileAccessOverride() {
    if (dropped_) ::syscall(SYS_capset, &header_, saved_);
  }

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};

// True when a file can still be created in `folder` (so a test that needs
// the folder to refuse writes cannot run here).
inline bool FolderAcceptsNewFiles(const std::string& folder) {
  const std::string probe = folder + "/.probe";
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

}  // namespace settings_test
