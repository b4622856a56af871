#pragma once
// The installed XML parser versions, as the registry lists them.

#include <string>

namespace foundation {

// Registry key (under the classes root) whose value names are the installed
// versions and whose values name the library files.
inline constexpr const char* kMsxmlVersionListKey =
    "CLSID\\{2933BF90-7B36-11D2-B20E-00C04F983E60}\\VersionList";

// Appends the version names to `text`, separated by ","; with `withFiles` each
// is followed by ":" and its library file. Appends nothing when the key is
// missing or the registry cannot be read.
void GetMsxmlVersions(bool withFiles, std::string& text);

}  // namespace foundation
