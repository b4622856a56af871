// A loadable library that carries its own copy of the foundation layer, the
// way the plug-in library does: it starts the log when loaded and stops it
// when finalised. Like the plug-in library it cannot really be unloaded (the
// C++ runtime's unique symbols pin it), so its static destructor, which stops
// the log again, runs only at the process's exit.

#include <string>

#include "foundation/file_version.h"
#include "foundation/log.h"

namespace {

struct LibraryLifetime {
  LibraryLifetime() {
    foundation::ReadLogCmdLine();
    const char* folder = std::getenv("NORVANE_PROBE_LOG_FOLDER");
    if (folder != nullptr) foundation::SetLogFolder(folder);
    foundation::StartLogging("Norvane", true);
    foundation::LogEnvironmentSummary();
  }
  ~LibraryLifetime() { foundation::StopLogging(); }
};

LibraryLifetime g_lifetime;

}  // namespace

extern "C" {

// Queues `count` lines tagged "Probe" with their numbers as text.
void norvane_probe_log(int count) {
  for (int i = 0; i < count; ++i) {
    foundation::KWLog(1, std::to_string(i), foundation::kLevelInfo, "Probe");
  }
}

// The library's finalisation: stops the log.
void norvane_probe_finalize() {
  foundation::StopLogging();
}

// The version record of the library's own file, as the summary reads it.
const char* norvane_probe_own_version() {
  static std::string version;
  version = foundation::GetFileVersionText(foundation::OwnLibraryPath());
  return version.c_str();
}

}  // extern "C"
