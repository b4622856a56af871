#pragma once
// The stand-in OCI client of a run's Oracle home, loaded as the plug-in
// loads it (the same file, so the same loaded copy) and held while the run
// lasts, for its error injection: statements holding a text fail with an
// ORA- error until cleared.

#include <filesystem>

#include "scenario.h"

namespace hostsim {

class OciClientHooks {
 public:
  // `folder` is the host folder holding the Oracle home ("oracle"). Raises
  // std::runtime_error when the client or its hooks cannot be loaded.
  explicit OciClientHooks(const std::filesystem::path& folder);
  ~OciClientHooks();
  OciClientHooks(const OciClientHooks&) = delete;
  OciClientHooks& operator=(const OciClientHooks&) = delete;

  void FailStatements(const StatementFault& fault);
  void Clear();

 private:
  void* handle_ = nullptr;
  void (*fail_)(const char*, int, const char*) = nullptr;
  void (*clear_)() = nullptr;
};

}  // namespace hostsim
