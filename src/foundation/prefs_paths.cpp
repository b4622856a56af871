#include "foundation/prefs_paths.h"

#include "foundation/app_folders.h"

namespace foundation {

// The application folder is looked up on each call rather than kept from
// start-up: it never changes in a running host, and tests can move it.
std::string SettingsFolder() {
  return GetAppFolder() + "VeskRcpts";
}

std::string MainSettingsFile() {
  return SettingsFolder() + "/VeskMain.ini";
}

std::string EmailDomainListFile() {
  return SettingsFolder() + "/VeskMain.dat";
}

std::string QueueFolder() {
  return SettingsFolder() + "/Queue";
}

std::string StoreSettingsFile() {
  return GetAppFolder() + "VeskRcpts/VeskStore.ini";
}

}  // namespace foundation
