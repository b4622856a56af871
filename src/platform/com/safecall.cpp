#include "platform/com/safecall.h"

#include <mutex>
#include <stdexcept>

namespace {

std::mutex g_hookMutex;
SafeCallErrorHook g_hook;

}  // namespace

void SetSafeCallErrorHook(SafeCallErrorHook hook) {
  std::lock_guard lock(g_hookMutex);
  g_hook = std::move(hook);
}

namespace safecall_detail {

void Report(const std::exception& error) noexcept {
  try {
    SafeCallErrorHook hook;
    {
      std::lock_guard lock(g_hookMutex);
      hook = g_hook;
    }
    if (hook) hook(error);
  } catch (...) {
    // Reporting must never let an exception out of the guard.
  }
}

void ReportUnknown() noexcept {
  try {
    Report(std::runtime_error("unknown exception"));
  } catch (...) {
  }
}

}  // namespace safecall_detail
