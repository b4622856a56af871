#pragma once
// Where the settings files live: the folder VeskRcpts under the host
// application's folder holds the main settings, the e-mail domain list, the
// store settings and the queue folder; the workstation settings file is named
// after the machine and found relative to the process's current folder.

#include <string>

namespace foundation {

// Application folder + "VeskRcpts" (no trailing separator).
std::string SettingsFolder();
// Settings folder + "/VeskMain.ini".
std::string MainSettingsFile();
// Settings folder + "/VeskMain.dat".
std::string EmailDomainListFile();
// Settings folder + "/Queue".
std::string QueueFolder();
// Application folder + "VeskRcpts/VeskStore.ini".
std::string StoreSettingsFile();

// The workstation file name pattern; "%s" is the machine's fully qualified name.
inline constexpr const char* kWSPrefsTemplate = "./VeskRcpts/VeskWS_%s.ini";

// The main and store settings seen from the process's current folder; the
// plug-ins read the settings only when one of these exists.
inline constexpr const char* kRelativeMainSettingsFile = "./VeskRcpts/VeskMain.ini";
inline constexpr const char* kRelativeStoreSettingsFile = "./VeskRcpts/VeskStore.ini";

}  // namespace foundation
