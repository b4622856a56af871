#pragma once
// The guard every host-facing method body runs in. No exception may cross the
// library boundary: an exception leaving the body becomes the method's
// HRESULT, its own code when it is a ComError carrying a failure code,
// E_UNEXPECTED otherwise.
//
// Out parameters: the body computes into locals and writes the caller's out
// parameters only as its last statements, after everything that can throw,
// so a failing call leaves them as the caller passed them:
//
//   HRESULT Get_Priority(int32_t* out) override {
//     return SafeCall([&] {
//       int32_t value = ComputePriority();  // may throw
//       *out = value;                       // last: nothing throws after it
//     });
//   }

#include <exception>
#include <functional>
#include <utility>

#include "platform/com/com_error.h"
#include "platform/com/types.h"

// Called with every exception the guard turns into a status (for example to
// log it). An empty function removes the hook. The hook's own exceptions are
// swallowed.
using SafeCallErrorHook = std::function<void(const std::exception&)>;
void SetSafeCallErrorHook(SafeCallErrorHook hook);

namespace safecall_detail {
void Report(const std::exception& error) noexcept;
void ReportUnknown() noexcept;
}  // namespace safecall_detail

template <class F>
HRESULT SafeCall(F&& body) noexcept {
  try {
    std::forward<F>(body)();
    return S_OK;
  } catch (const ComError& error) {
    safecall_detail::Report(error);
    // A ComError with a success code must still report a failure.
    return FAILED(error.code) ? error.code : E_UNEXPECTED;
  } catch (const std::exception& error) {
    safecall_detail::Report(error);
    return E_UNEXPECTED;
  } catch (...) {
    safecall_detail::ReportUnknown();
    return E_UNEXPECTED;
  }
}
