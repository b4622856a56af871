#include "foundation/file_version.h"

#include <cstdio>

#include "platform/version_record.h"

namespace foundation {

std::string OwnLibraryPath() {
  return platform::OwnModulePath();
}

std::string GetFileVersionText(const std::string& fileName) {
  const auto record = platform::VersionRecordOf(fileName);
  if (!record) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", record->major, record->minor, record->release,
                record->build);
  return buf;
}

}  // namespace foundation
