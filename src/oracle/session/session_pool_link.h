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
  // pool's AfterReserve and AfterConnect events when assigned); True when a
  // new connection was made.
  virtual bool Reserve(TOracleSession& session) = 0;
  // Hands the connection of `session` back; True when it held one.
  virtual bool Release(TOracleSession& session) = 0;
  // Fires the pool's BeforeRelease event when assigned.
  virtual void FireBeforeRelease(TOracleSession& session) = 0;

 protected:
  ~TSessionPoolLink() = default;
};

// The pool used by sessions whose Pool is not set: the one installed with
// SetDefaultSessionPool, else the process-wide TOracleSessionPool
// (session_pool.h). Installing null goes back to the latter.
TSessionPoolLink* DefaultSessionPool();
void SetDefaultSessionPool(TSessionPoolLink* pool);

}  // namespace oracle
