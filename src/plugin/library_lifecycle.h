#pragma once
// What the library does when it is loaded and unloaded: one explicit list of
// steps, initialised in order at load and finalised in reverse order at
// unload.

#include <cstddef>

namespace plugin {

struct LibraryStep {
  const char* name;
  void (*initialize)();
  void (*finalize)();  // may be null
};

// Runs the steps' initialisations in order. A step that throws is reported
// and the following steps still run.
void InitializeSteps(const LibraryStep* steps, size_t count);
// Runs the finalisations of the steps in reverse order, reporting failures.
void FinalizeSteps(const LibraryStep* steps, size_t count);

// Runs the library's own start-up steps once; every exported entry point
// calls it before doing anything else.
void EnsureLibraryStarted();

}  // namespace plugin
