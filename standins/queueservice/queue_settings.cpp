#include "queue_settings.h"

#include <filesystem>
#include <stdexcept>

#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "foundation/settings_file_io.h"

namespace queueservice {

QueueSettings ReadQueueSettings(const std::string& settingsFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(settingsFolder, ec)) {
    throw std::runtime_error("the settings folder \"" + settingsFolder + "\" does not exist");
  }
  const fs::path folder = settingsFolder;
  // The plug-in's own reading: the same defaults, the same choice of address
  // and the same send time-out (kept in MainPrefs for the transport). No
  // queue folder is given, so none is made there: only the folder the
  // service delivers is needed, and only when it is the default one is it
  // made here, as the plug-in makes it.
  foundation::ReadMainPrefs(folder.string(), "", (folder / "VeskMain.ini").string(),
                            (folder / "VeskMain.dat").string());
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  QueueSettings settings;
  settings.enabled = prefs.QueueEnabled;
  settings.intervalSeconds = prefs.QueueInterval > 0 ? prefs.QueueInterval : 30;
  settings.logLevel = prefs.QueueLogLevel;
  settings.directory = prefs.QueueDirectory;
  if (settings.directory.empty()) {
    settings.directory = (folder / "Queue").string();
    foundation::CreateFolderIfMissing(settings.directory);
  }
  settings.url = prefs.URL;
  return settings;
}

}  // namespace queueservice
