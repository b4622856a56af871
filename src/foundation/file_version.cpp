#include "foundation/file_version.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <cstdio>

#include "platform/process.h"

#ifndef NORVANE_VERSION_MAJOR
#error "the build passes the project version as NORVANE_VERSION_MAJOR/MINOR/PATCH/TWEAK"
#endif

namespace foundation {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (a.empty() || b.empty()) return false;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

std::string OwnLibraryPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&OwnLibraryPath), &info) != 0 && info.dli_fname != nullptr &&
      info.dli_fname[0] != '\0') {
    struct stat st {};
    // For a program (not a shared library) the loader may name it as it was
    // invoked; the running executable's path is then the reliable answer.
    if (::stat(info.dli_fname, &st) == 0) return info.dli_fname;
  }
  return platform::ExecutablePath();
}

std::string GetFileVersionText(const std::string& fileName) {
  if (!SameFile(fileName, OwnLibraryPath())) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", NORVANE_VERSION_MAJOR, NORVANE_VERSION_MINOR,
                NORVANE_VERSION_PATCH, NORVANE_VERSION_TWEAK);
  return buf;
}

}  // namespace foundation
