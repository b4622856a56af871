#pragma once
// TOracleSessionPool keeps connected sessions for reuse. A session whose
// Pooling is spInternal does not connect by itself: its LogOn reserves one
// of the pool's connections (Reserve) and its LogOff hands it back
// (Release). The pool is either the library's own list of sessions
// (ptDefault) or the client's session pool (ptOracle), which falls back to
// the own list when the client lacks the session-pool calls.
//
// Locks: Reserve holds the pool's critical section, also while it waits for
// a free entry; Release and the time-out sweep take only the entry list's
// lock, so that a release on another thread always ends such a wait.
// Sessions are logged on and off outside the entry list's lock (the loader
// lock a thread-safe session takes comes first).
//
// A connection goes back with its transaction rolled back. One whose
// rollback fails is never handed on, and never ended with a call that
// commits: an own-list session is given up without ending it (as a broken
// connection, which the server rolls back); a client-pool session, which
// only the client's drop can end (and ending commits), is held out of use
// while its rollback is tried again at each later Reserve and Release and,
// a few times more, when the pool closes. One whose rollback still fails
// then is left open, with the client's pool, until the process ends.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "oracle/client/critical_section.h"
#include "oracle/session/session.h"
#include "oracle/session/session_pool_link.h"

namespace oracle {

enum class TPoolType { ptDefault, ptOracle };

class TOracleSessionPool;

// One pooled connection: the pool's own session, the session that reserved
// it (null when free) and when it was last released (pool clock).
class TOracleSessionPoolEntry {
 public:
  explicit TOracleSessionPoolEntry(TOracleSessionPool& pool) : pool_(pool) {}
  ~TOracleSessionPoolEntry();
  TOracleSessionPoolEntry(const TOracleSessionPoolEntry&) = delete;
  TOracleSessionPoolEntry& operator=(const TOracleSessionPoolEntry&) = delete;

  TOracleSessionPool& Pool() const { return pool_; }
  TOracleSession* Session() const { return session_.get(); }
  TOracleSession* ReservedBy() const { return reservedBy_; }
  std::int64_t LastRelease() const { return lastRelease_; }

 private:
  friend class TOracleSessionPool;

  // Logs the pooled session off and frees it; for ptOracle hands the
  // client's session back for good, unless its work could not be rolled
  // back (then it is left open, see above). Never throws.
  void FreeSession() noexcept;
  // Rolls the pooled session's transaction back, trying up to `attempts`
  // times; False when every try failed (each failure is logged).
  bool RollBack(int attempts) noexcept;

  TOracleSessionPool& pool_;
  std::unique_ptr<TOracleSession> session_;
  TOracleSession* reservedBy_ = nullptr;
  std::int64_t lastRelease_ = 0;
  OCISvcCtx* oracleSVC_ = nullptr;  // ptOracle: from OCISessionGet
  // The rollback when the connection went back failed: its user's work is
  // still pending and must not be committed when the session ends.
  bool rollbackFailed_ = false;
};

class TOracleSessionPool : public TSessionPoolLink {
 public:
  using PoolEvent = std::function<void(TOracleSessionPool&)>;
  using SessionEvent = std::function<void(TOracleSessionPool&, TOracleSession&)>;
  // Milliseconds of a steady clock; the time-out sweep reads it.
  using Clock = std::function<std::int64_t()>;

  TOracleSessionPool();
  // Logs off every session that still holds an entry, frees the entries and
  // closes the pool. Sessions whose Pool is this one forget it.
  virtual ~TOracleSessionPool();
  TOracleSessionPool(const TOracleSessionPool&) = delete;
  TOracleSessionPool& operator=(const TOracleSessionPool&) = delete;

  // --- properties -----------------------------------------------------------
  int Max = 0;  // 0: no limit
  int Min = 0;
  int TimeOut = 0;  // seconds; 0: none
  TPoolType PoolType = TPoolType::ptDefault;
  std::string LogonUsername;
  std::string LogonDatabase;
  bool Homogeneous = false;
  bool StatementCache = false;
  const std::string& LogonPassword() const { return logonPassword_; }
  void SetLogonPassword(const std::string& value);
  // The name the client gave an open ptOracle pool.
  const std::string& PoolName() const { return poolName_; }

  PoolEvent OnOpen, OnClose;
  SessionEvent AfterReserve, BeforeRelease, AfterConnect;

  // The clock of the time-out sweep; null restores the steady clock.
  void SetClock(Clock clock);

  // --- operations -------------------------------------------------------------
  void Open();
  void Close();
  bool IsOpen() const { return open_; }
  // The pool type in effect since Open.
  TPoolType EffectivePoolType() const { return effectiveType_; }

  // Reserves a connection for `session` and attaches the session to it;
  // True when a new connection was made. Fires AfterReserve, then (for a
  // new connection) AfterConnect.
  bool Reserve(TOracleSession& session) override;
  // Hands the connections `session` holds back.
  bool Release(TOracleSession& session) override;
  void FireBeforeRelease(TOracleSession& session) override;

  int EntryCount();
  int FreeCount();
  TOracleSessionPoolEntry* Entries(int index);

 private:
  friend class TOracleSessionPoolEntry;
  using EntryList = std::vector<std::unique_ptr<TOracleSessionPoolEntry>>;

  void CreateOraclePool();
  void FreeOracleHandles() noexcept;
  // Logs off the sessions holding entries, then frees every entry; a
  // connection held out of use is tried a few times more first.
  void DropAllEntries() noexcept;
  // Tries the rollback of each connection held out of use `attempts` times;
  // the ones rolled back are dropped, the others stay held.
  void RetryHeldOut(int attempts) noexcept;
  bool HasFreeEntryOrRoom();
  bool Matches(const TOracleSessionPoolEntry& entry, const TOracleSession& session) const;
  // Under the list lock: the first free entry that serves `session`, else a
  // new one; when Max is reached, the free entry released longest ago goes
  // into `dropped` to make room. The entry comes back reserved by `session`.
  TOracleSessionPoolEntry& ClaimEntry(TOracleSession& session, EntryList& dropped);
  // Checks the entry's connection, or makes one; True for a new one.
  bool ConnectEntry(TOracleSessionPoolEntry& entry, const TOracleSession& session);
  void ConnectOracleEntry(TOracleSessionPoolEntry& entry, std::string user, std::string password);
  void RemoveEntry(TOracleSessionPoolEntry& entry) noexcept;
  void Sweep();
  std::int64_t Now() const;
  void CheckOCI(sword status);

  TOracleCriticalSection criticalSection_;  // serialises Reserve and Open
  TOracleCriticalSection listLock_;         // guards entries_ and open_
  EntryList entries_;
  // ptOracle connections whose rollback failed: out of use, not counted.
  EntryList heldOut_;
  // A client-pool session was left open with its work pending: the client's
  // pool is not destroyed (that would end it), only forgotten.
  std::atomic<bool> clientPoolLeftOpen_ = false;
  bool open_ = false;
  TPoolType effectiveType_ = TPoolType::ptDefault;
  bool effectiveHomogeneous_ = false;
  bool effectiveStatementCache_ = false;
  std::string logonPassword_;
  std::string poolName_;
  Clock clock_;

  OCIEnv* env_ = nullptr;
  bool ownsEnvironment_ = false;
  OCIError* err_ = nullptr;
  OCISPool* spool_ = nullptr;
  OCIAuthInfo* auth_ = nullptr;
};

// The process-wide pool of sessions whose Pool is not set.
TOracleSessionPool& DefaultOracleSessionPool();

}  // namespace oracle
