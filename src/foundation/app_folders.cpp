#include "foundation/app_folders.h"

#include <mutex>
#include <optional>

#include "platform/paths.h"
#include "platform/process.h"

namespace foundation {
namespace {

std::mutex g_mutex;
std::optional<AppFolders> g_folders;

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  return folder;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char a = text[text.size() - tail.size() + i];
    char b = tail[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

AppFolders ComputeAppFolders(const std::string& appFolder, const std::string& tempFolder,
                             const std::string& currentFolder) {
  AppFolders f;
  f.app = WithSeparator(appFolder);
  f.temp = WithSeparator(tempFolder);
  f.current = WithSeparator(currentFolder);
  f.plugins = EndsWithNoCase(f.app, "plugins/") ? f.app : f.app + "plugins/";
  f.cache = f.app + "Cache/";
  f.impExp = f.app + "ImpExp/";
  f.web = f.app + "Web/";
  f.printLayouts = f.app + "PrintLayouts/";
  // A Linux path has no drive; the root of the single file tree stands for it.
  f.retail = "/Retail/";
  f.promotions = f.retail + "RProProm/";
  f.clipboard = f.temp.empty() ? std::string("/tmp/CSClip/") : f.temp + "CSClip/";
  return f;
}

AppFolders GetAppFolders() {
  std::lock_guard lock(g_mutex);
  if (!g_folders) {
    g_folders = ComputeAppFolders(platform::ExecutableFolder(), platform::TemporaryFolder(),
                                  platform::CurrentFolder());
    // A failure leaves the folder missing; whoever writes there reports it.
    platform::CreateFolder(g_folders->cache);
  }
  return *g_folders;
}

void ResetAppFolders() {
  std::lock_guard lock(g_mutex);
  g_folders.reset();
}

std::string GetAppFolder() {
  return GetAppFolders().app;
}
std::string GetPluginsFolder() {
  return GetAppFolders().plugins;
}

}  // namespace foundation
