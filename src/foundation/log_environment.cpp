// The environment summary the library writes right after starting the log.

#include <dirent.h>
#include <algorithm>
#include <vector>

#include "foundation/app_folders.h"
#include "foundation/file_version.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/msxml_versions.h"

namespace foundation {
namespace {

void Info(const std::string& text) {
  KWLog(0, text, kLevelInfo, "");
}

std::vector<std::string> ManifestFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* de = ::readdir(dir)) {
    std::string name = de->d_name;
    if (name.size() <= 4) continue;
    if (helpers::LowerAscii(name.substr(name.size() - 4)) == ".mnf") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

void LogEnvironmentSummary() {
  try {
    Info("VeskEngine plug-in version:" + GetFileVersionText(OwnLibraryPath()));
    std::string versions;
    GetMsxmlVersions(false, versions);
    Info("MSXML versions: " + versions);
    Info("LogLevel: " + std::to_string(GetLogLevel()));
    Info("Plug-in manifests:");
    for (const std::string& name : ManifestFiles(GetPluginsFolder())) Info("     " + name);
  } catch (...) {
    // The summary is information only; the library starts without it.
  }
}

}  // namespace foundation
