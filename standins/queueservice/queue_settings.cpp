#include "queue_settings.h"

#include <filesystem>
#include <stdexcept>

#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"

namespace queueservice {

QueueSettings ReadQueueSettings(const std::string& settingsFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(settingsFolder, ec)) {
    throw std::runtime_error("the settings folder \"" + settingsFolder + "\" does not exist");
  }
  const fs::path folder = settingsFolder;
  // The plug-in's own reading: the same defaults, the same choice of address
  // and the same send time-out (kept in MainPrefs for the transport).
  foundation::ReadMainPrefs(folder.string(), (folder / "Queue").string(),
                            (folder / "VeskMain.ini").string(), (folder / "VeskMain.dat").string());
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  QueueSettings settings;
  settings.enabled = prefs.QueueEnabled;
  settings.intervalSeconds = prefs.QueueInterval > 0 ? prefs.QueueInterval : 30;
  settings.logLevel = prefs.QueueLogLevel;
  settings.directory =
      prefs.QueueDirectory.empty() ? (folder / "Queue").string() : prefs.QueueDirectory;
  settings.url = prefs.URL;
  return settings;
}

}  // namespace queueservice
