#pragma once
// What the session's own source files share: the busy-cursor scope and the
// handle and secret helpers. Not for use outside the session.

#include <algorithm>
#include <string>

#include "oracle/client/oci_entry_points.h"
#include "oracle/session/session.h"

namespace oracle {

// Sets the session's busy cursor for its lifetime.
class TOracleSession::BusyScope {
 public:
  explicit BusyScope(TOracleSession& session, bool active = true) : session_(session) {
    if (active && session_.cursor_ != 0) {
      session_.BeginBusy();
      active_ = true;
    }
  }
  ~BusyScope() {
    if (active_) session_.EndBusy();
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  TOracleSession& session_;
  bool active_ = false;
};

namespace session_detail {

inline void Wipe(std::string& secret) {
  std::fill(secret.begin(), secret.end(), '\0');
  secret.clear();
}

template <class Handle>
inline sword AllocHandle(OCIEnv* env, Handle** handle, ub4 type) {
  return OCIHandleAlloc(env, reinterpret_cast<dvoid**>(handle), type, 0, nullptr);
}

template <class Handle>
inline void FreeHandle(Handle*& handle, ub4 type) {
  if (handle != nullptr && OCIHandleFree != nullptr) OCIHandleFree(handle, type);
  handle = nullptr;
}

}  // namespace session_detail

}  // namespace oracle
