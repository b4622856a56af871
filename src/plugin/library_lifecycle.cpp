#include "plugin/library_lifecycle.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <string>

#include "dialogs/oracle_ui_qt.h"
#include "foundation/log.h"
#include "foundation/message_form.h"
#include "hostplugin/host_constants.h"
#include "hostplugin/message_box.h"
#include "hostplugin/plugin_class_table.h"
#include "plugin/class_table.h"
#include "receipt/debug_emv_dialog.h"
#include "receipt/host_data_module.h"
#include "receipt/records.h"

namespace plugin {
namespace {

void Report(const char* phase, const LibraryStep& step, const std::string& what) {
  hostplugin::ShowMessageBox(std::string("Norvane94 ") + phase + " of " + step.name +
                             " failed: " + what);
}

// ---------------------------------------------------------------------------
// The steps, in load order.

// The foundation's globals: the log settings from the host's command line
// (before any logger exists) and the settings code's messages shown in the
// message form.
void InitializeFoundation() {
  foundation::ReadLogCmdLine();
  foundation::RouteSettingsMessagesToMessageForm();
}

// Set when the C++ runtime destroys the library's statics. Unloading the
// library (dlclose) runs the steps' finalisations first and destroys the
// statics after them; at process exit with the library still loaded the
// statics go first, and the finalisations find them gone.
bool g_staticsDestroyed = false;

struct StaticsWatch {
  ~StaticsWatch() { g_staticsDestroyed = true; }
} g_staticsWatch;

// The Oracle library asks through Qt dialogs and shows the busy cursor.
void InstallOracleUserInterface() {
  dialogs::InstallOracleUserInterface();
}

// At unload the sessions the plug-ins' clean-up left are logged off and the
// Oracle client is closed, so each load of the library opens it afresh and
// the last unload leaves none behind. At process exit the Oracle library's
// globals are already destroyed: the client then goes with the process.
void ReleaseOracleClient() {
  if (!g_staticsDestroyed) receipt::ReleaseDatabaseClient();
}

// The per-sale records start empty; the card-data debug switch is read once.
void ResetSaleRecords() {
  receipt::ResetTransControl();
  receipt::ResetAuth();
  receipt::ResetReceipt();
  receipt::ReadDebugEMVSwitch();
}

// The process-wide application log, started by the last unit to load (with
// time-stamped file names and the environment summary) and so stopped first
// at unload.
void StartApplicationLog() {
  foundation::StartLogging("Norvane", true);
  foundation::LogEnvironmentSummary();
}

void StopApplicationLog() {
  foundation::StopLogging();
}

// The resolved class table, filled at load and emptied at unload.
hostplugin::PluginClassTable g_classTable{};

void ResolveClassTable() {
  g_classTable = ResolvePluginClassTable();
}

void ClearClassTable() {
  g_classTable = {};
}

void RegisterFactories() {
  hostplugin::RegisterPluginFactories(g_classTable);
}

void RevokeFactories() {
  hostplugin::RevokePluginFactories();
}

constexpr LibraryStep kSteps[] = {
    {"the foundation settings", &InitializeFoundation, nullptr},
    {"the host attribute lists", &hostplugin::MakeUpperCaseAttributeLists,
     &hostplugin::ReleaseUpperCaseAttributeLists},
    {"the Oracle user interface", &InstallOracleUserInterface, &ReleaseOracleClient},
    {"the per-sale records", &ResetSaleRecords, nullptr},
    {"the class table", &ResolveClassTable, &ClearClassTable},
    {"the plug-in factories", &RegisterFactories, &RevokeFactories},
    {"the application log", &StartApplicationLog, &StopApplicationLog},
};

}  // namespace

void InitializeSteps(const LibraryStep* steps, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    try {
      steps[i].initialize();
    } catch (const std::exception& error) {
      Report("start-up", steps[i], error.what());
    } catch (...) {
      Report("start-up", steps[i], "unknown exception");
    }
  }
}

void FinalizeSteps(const LibraryStep* steps, size_t count) {
  for (size_t i = count; i-- > 0;) {
    if (steps[i].finalize == nullptr) continue;
    try {
      steps[i].finalize();
    } catch (const std::exception& error) {
      Report("shutdown", steps[i], error.what());
    } catch (...) {
      Report("shutdown", steps[i], "unknown exception");
    }
  }
}

namespace {

std::once_flag g_started;
std::atomic<bool> g_running{false};

}  // namespace

// The loader constructs the library's globals (spread over many units of the
// static layer libraries) in link order, which no code here controls, and a
// load-time constructor function may run before them. So the ordered start-up
// runs once at the host's first call into the library, when every global
// exists; each exported entry point calls this first.
void EnsureLibraryStarted() {
  std::call_once(g_started, [] {
    InitializeSteps(kSteps, std::size(kSteps));
    g_running = true;
  });
}

// Run by the loader before the library is unloaded (or at process exit): the
// steps are finalised in reverse order, once, and only when they ran.
__attribute__((destructor)) static void LibraryUnloading() {
  if (g_running.exchange(false)) FinalizeSteps(kSteps, std::size(kSteps));
}

}  // namespace plugin
