#pragma once
// Scopes a query holds around its OCI calls: the session's busy cursor and
// the session's statement lock (taken only when the session serialises its
// calls).

#include "oracle/client/critical_section.h"
#include "oracle/session/session.h"

namespace oracle {

class SessionBusyScope {
 public:
  explicit SessionBusyScope(TOracleSession& session) : session_(session) { session_.BeginBusy(); }
  ~SessionBusyScope() { session_.EndBusy(); }
  SessionBusyScope(const SessionBusyScope&) = delete;
  SessionBusyScope& operator=(const SessionBusyScope&) = delete;

 private:
  TOracleSession& session_;
};

class SessionStatementLock {
 public:
  explicit SessionStatementLock(TOracleSession& session)
      : lock_(session.NeedsStatementLock() ? &session.SessionLock() : nullptr) {
    if (lock_ != nullptr) lock_->Enter();
  }
  ~SessionStatementLock() {
    if (lock_ != nullptr) lock_->Leave();
  }
  SessionStatementLock(const SessionStatementLock&) = delete;
  SessionStatementLock& operator=(const SessionStatementLock&) = delete;

 private:
  TOracleCriticalSection* lock_;
};

}  // namespace oracle
