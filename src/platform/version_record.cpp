#include "platform/version_record.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "platform/process.h"

#ifndef NORVANE_VERSION_MAJOR
#error "the build passes the project version as NORVANE_VERSION_MAJOR/MINOR/PATCH/TWEAK"
#endif

namespace platform {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (a.empty() || b.empty()) return false;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

VersionNumbers OwnVersion() {
  return {NORVANE_VERSION_MAJOR, NORVANE_VERSION_MINOR, NORVANE_VERSION_PATCH,
          NORVANE_VERSION_TWEAK};
}

std::string OwnModulePath() {
  // The address of a function of this file names the module it was linked
  // into: the shared library when the code sits in one.
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&OwnModulePath), &info) != 0 && info.dli_fname != nullptr &&
      info.dli_fname[0] != '\0') {
    struct stat st {};
    // For a program (not a shared library) the loader may name it as it was
    // invoked; the running executable's path is then the reliable answer.
    // A name relative to the current folder is made absolute, so it keeps
    // naming the module when it is handed on.
    if (::stat(info.dli_fname, &st) == 0) {
      std::error_code error;
      std::filesystem::path path = std::filesystem::absolute(info.dli_fname, error);
      return error ? std::string(info.dli_fname) : path.lexically_normal().string();
    }
  }
  return ExecutablePath();
}

std::optional<VersionNumbers> VersionRecordOf(const std::string& fileName) {
  if (!SameFile(fileName, OwnModulePath())) return std::nullopt;
  return OwnVersion();
}

}  // namespace platform
