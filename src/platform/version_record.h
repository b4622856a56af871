#pragma once
// The version record built into the plug-in library: the project version,
// readable by file name like a file's version resource.

#include <optional>
#include <string>

namespace platform {

struct VersionNumbers {
  int major = 0;
  int minor = 0;
  int release = 0;
  int build = 0;
};

// The version this code was built with.
VersionNumbers OwnVersion();

// Path of the binary this code is linked into (the plug-in library when
// loaded by a host; the program itself when linked statically into one).
std::string OwnModulePath();

// The version record of a file: our own module carries OwnVersion(); any
// other file, a missing one included, has none.
std::optional<VersionNumbers> VersionRecordOf(const std::string& fileName);

}  // namespace platform
