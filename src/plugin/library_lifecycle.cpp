#include "plugin/library_lifecycle.h"

#include <exception>
#include <string>

#include "hostplugin/message_box.h"
#include "hostplugin/plugin_class_table.h"
#include "plugin/class_table.h"

namespace plugin {
namespace {

void Report(const char* phase, const LibraryStep& step, const std::string& what) {
  hostplugin::ShowMessageBox(std::string("Norvane94 ") + phase + " of " + step.name +
                             " failed: " + what);
}

// ---------------------------------------------------------------------------
// The steps, in load order.

// The process-wide application log: started first so that every later step
// can write to it (foundation::StartLogging, then
// foundation::LogEnvironmentSummary), and stopped last
// (foundation::StopLogging), after every other step has finished.
void StartApplicationLog() {}

void StopApplicationLog() {}

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
    {"the application log", &StartApplicationLog, &StopApplicationLog},
    {"the class table", &ResolveClassTable, &ClearClassTable},
    {"the plug-in factories", &RegisterFactories, &RevokeFactories},
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

// Run by the loader when the library is loaded and before it is unloaded.
__attribute__((constructor)) static void LibraryLoaded() {
  InitializeSteps(kSteps, std::size(kSteps));
}

__attribute__((destructor)) static void LibraryUnloading() {
  FinalizeSteps(kSteps, std::size(kSteps));
}

}  // namespace plugin
