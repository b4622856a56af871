#pragma once
// What a session with internal pooling needs of its pool. The pool keeps
// connected sessions for reuse; a pooled session's LogOn reserves one of them
// (and is attached to its connection as a shared session) and its LogOff
// hands it back.

namespace oracle {

class TOracleSession;

class TSessionPoolLink {
 public:
  // Reserves a pooled connection and attaches `session` to it (firing the
  // pool's AfterReserve and AfterConnect events when assigned).
  virtual void Reserve(TOracleSession& session) = 0;
  // Hands the connection of `session` back.
  virtual void Release(TOracleSession& session) = 0;
  // Fires the pool's BeforeRelease event when assigned.
  virtual void BeforeRelease(TOracleSession& session) = 0;

 protected:
  ~TSessionPoolLink() = default;
};

// The process-wide default pool used by sessions whose Pool is not set; the
// pool module installs it. Null until then.
TSessionPoolLink* DefaultSessionPool();
void SetDefaultSessionPool(TSessionPoolLink* pool);

}  // namespace oracle
