// The session pool: opening and closing the client's pool, reserving and
// releasing entries, the time-out sweep and the process-wide default pool.

#include "oracle/session/session_pool.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "foundation/log.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/session/logon_string.h"
#include "oracle/session/session_globals.h"
#include "oracle/session/session_internal.h"
#include "platform/text.h"

namespace oracle {

using session_detail::FreeHandle;
using session_detail::Wipe;

namespace {

using EntryList = std::vector<std::unique_ptr<TOracleSessionPoolEntry>>;

// Tries of the rollback of a connection that goes back, before it counts as
// failed; and of one held out of use, when the pool closes.
constexpr int kReleaseRollbackAttempts = 3;
constexpr int kClosingRollbackAttempts = 3;

std::int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The user, password and database a session logs on with: the parts of a
// full logon text, else its properties.
struct Credentials {
  std::string user, password, database;
  ~Credentials() { Wipe(password); }
};

Credentials CredentialsOf(const TOracleSession& session) {
  TLogonParts parts = ParseLogonText(session.LogonUsername());
  Credentials result{session.LogonUsername(), session.LogonPassword(), session.LogonDatabase()};
  if (parts.split) {
    result.user = parts.user;
    if (parts.hasPassword) result.password = parts.password;
    if (!parts.database.empty()) result.database = parts.database;
  }
  Wipe(parts.password);
  return result;
}

// Frees the sessions of entries taken out of the list; called outside the
// list lock.
void FreeEntries(EntryList& entries) noexcept {
  entries.clear();
}

}  // namespace

// --- entry -----------------------------------------------------------------------

TOracleSessionPoolEntry::~TOracleSessionPoolEntry() {
  FreeSession();
}

void TOracleSessionPoolEntry::FreeSession() noexcept {
  // The session's destructor logs it off and writes a failure to the log. A
  // pooled session of the client's pool is shared: its logoff ends nothing.
  session_.reset();
  if (oracleSVC_ == nullptr) return;
  if (rollbackFailed_) {
    // The client's drop ends the session, and ending a session commits: one
    // whose work could not be rolled back is not dropped. It stays open, and
    // the client's pool with it, until the process ends and the server
    // discards the work of a connection that went away.
    pool_.clientPoolLeftOpen_ = true;
    foundation::KWLog(0,
                      "A pooled connection whose transaction could not be rolled back is left "
                      "open until the process ends",
                      foundation::kLevelError, "TOracleSessionPool.FreeSession");
  } else if (OCIDllLoaded() && OCISessionRelease != nullptr) {
    OCISessionRelease(oracleSVC_, pool_.err_, nullptr, 0, OCI_SESSRLS_DROPSESS);
  }
  oracleSVC_ = nullptr;
}

bool TOracleSessionPoolEntry::RollBack(int attempts) noexcept {
  if (!session_ || !session_->Connected()) return false;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    try {
      session_->Rollback();
      return true;
    } catch (const std::exception& e) {
      foundation::LogException(e, "TOracleSessionPool: rolling back a released connection");
    }
  }
  return false;
}

// --- pool: properties and lifetime -------------------------------------------------

TOracleSessionPool::TOracleSessionPool() = default;

TOracleSessionPool::~TOracleSessionPool() {
  DropAllEntries();
  try {
    Close();
  } catch (const std::exception& e) {
    foundation::LogException(e, "TOracleSessionPool.Close");
  }
  Wipe(logonPassword_);
  // No session keeps a pointer to the pool that is gone.
  for (TOracleSession* session : OracleSessions()) {
    if (session->Pool() != this) continue;
    try {
      session->SetPool(nullptr);
    } catch (const std::exception& e) {
      foundation::LogException(e, "TOracleSessionPool.Destroy");
    }
  }
}

void TOracleSessionPool::DropAllEntries() noexcept {
  // First the sessions that hold entries let go of them (their logoff hands
  // the entry back), so that none is left on a connection freed below.
  std::vector<TOracleSession*> holders;
  {
    OracleLockGuard list(listLock_);
    for (const auto& entry : entries_)
      if (entry->reservedBy_ != nullptr) holders.push_back(entry->reservedBy_);
  }
  for (TOracleSession* holder : holders) {
    try {
      holder->LogOff();
    } catch (const std::exception& e) {
      foundation::LogException(e, "TOracleSessionPool: logging off a pooled session");
    }
  }
  // The connections held out of use get their last tries; the ones still
  // failing are left open when freed.
  RetryHeldOut(kClosingRollbackAttempts);
  EntryList doomed;
  {
    OracleLockGuard list(listLock_);
    doomed.swap(entries_);
    for (auto& entry : heldOut_) doomed.push_back(std::move(entry));
    heldOut_.clear();
  }
  FreeEntries(doomed);
}

void TOracleSessionPool::RetryHeldOut(int attempts) noexcept {
  // Taken out of the list while they are tried, so that no other thread
  // tries them at the same time; the rollbacks run outside the list lock.
  EntryList trying;
  {
    OracleLockGuard list(listLock_);
    trying.swap(heldOut_);
  }
  if (trying.empty()) return;
  EntryList cleaned;
  for (auto it = trying.begin(); it != trying.end();) {
    if ((*it)->RollBack(attempts)) {
      (*it)->rollbackFailed_ = false;
      cleaned.push_back(std::move(*it));
      it = trying.erase(it);
    } else {
      ++it;
    }
  }
  {
    OracleLockGuard list(listLock_);
    for (auto& entry : trying) heldOut_.push_back(std::move(entry));
  }
  // Nothing is pending on these any more: the client's drop commits nothing.
  FreeEntries(cleaned);
}

void TOracleSessionPool::SetLogonPassword(const std::string& value) {
  Wipe(logonPassword_);
  logonPassword_ = value;
}

void TOracleSessionPool::SetClock(Clock clock) {
  OracleLockGuard list(listLock_);
  clock_ = std::move(clock);
}

std::int64_t TOracleSessionPool::Now() const {
  return clock_ ? clock_() : SteadyMilliseconds();
}

void TOracleSessionPool::CheckOCI(sword status) {
  if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) return;
  if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TOracleSessionPool: Invalid handle");
  RaiseOCIError(nullptr, err_, this, status);
}

// --- open and close ------------------------------------------------------------------

void TOracleSessionPool::Open() {
  // The client is loaded before the list lock is taken: the loader lock
  // comes first.
  OracleLockGuard opening(criticalSection_);
  {
    OracleLockGuard list(listLock_);
    if (open_) return;
    effectiveType_ = PoolType;
    effectiveHomogeneous_ = Homogeneous;
    effectiveStatementCache_ = StatementCache;
  }
  if (effectiveType_ == TPoolType::ptOracle) {
    InitOCI();
    if (OCI92Available) {
      CreateOraclePool();
    } else {
      effectiveType_ = TPoolType::ptDefault;
    }
  }
  {
    OracleLockGuard list(listLock_);
    open_ = true;
  }
  if (OnOpen) OnOpen(*this);
}

void TOracleSessionPool::CreateOraclePool() {
  try {
    if (OCIGlobalEnvironment) {
      env_ = SharedEnvironment();
      ownsEnvironment_ = false;
    } else {
      const sword status = OCIEnvCreate(&env_, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr,
                                        nullptr, 0, nullptr);
      if (status != OCI_SUCCESS) env_ = nullptr;
      ownsEnvironment_ = env_ != nullptr;
      CheckOCI(status);
    }
    for (auto [handle, type] :
         {std::pair<void**, ub4>{reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR},
          {reinterpret_cast<void**>(&spool_), OCI_HTYPE_SPOOL},
          {reinterpret_cast<void**>(&auth_), OCI_HTYPE_AUTHINFO}}) {
      const sword status = OCIHandleAlloc(env_, handle, type, 0, nullptr);
      if (status != OCI_SUCCESS) *handle = nullptr;
      CheckOCI(status);
    }
    ub4 mode = OCI_DEFAULT;
    if (effectiveHomogeneous_) mode |= OCI_SPC_HOMOGENEOUS;
    if (effectiveStatementCache_) mode |= OCI_SPC_STMTCACHE;
    std::string user = LogonUsername, password = logonPassword_;
    OraText* name = nullptr;
    ub4 nameLength = 0;
    const sword status = OCISessionPoolCreate(
        env_, err_, spool_, &name, &nameLength,
        reinterpret_cast<const OraText*>(LogonDatabase.data()),
        static_cast<ub4>(LogonDatabase.size()), 0, 2147483647, 1,
        reinterpret_cast<OraText*>(user.data()), static_cast<ub4>(user.size()),
        reinterpret_cast<OraText*>(password.data()), static_cast<ub4>(password.size()), mode);
    Wipe(password);
    CheckOCI(status);
    poolName_.assign(reinterpret_cast<const char*>(name), nameLength);
  } catch (...) {
    FreeOracleHandles();
    throw;
  }
}

void TOracleSessionPool::FreeOracleHandles() noexcept {
  if (!OCIDllLoaded()) {
    spool_ = nullptr;
    auth_ = nullptr;
    err_ = nullptr;
    env_ = nullptr;
  }
  FreeHandle(spool_, OCI_HTYPE_SPOOL);
  FreeHandle(auth_, OCI_HTYPE_AUTHINFO);
  FreeHandle(err_, OCI_HTYPE_ERROR);
  if (ownsEnvironment_) FreeHandle(env_, OCI_HTYPE_ENV);
  env_ = nullptr;
  ownsEnvironment_ = false;
  poolName_.clear();
}

void TOracleSessionPool::Close() {
  {
    OracleLockGuard list(listLock_);
    if (!open_) return;
  }
  if (OnClose) OnClose(*this);
  if (spool_ != nullptr) {
    // The client's sessions end with its pool: no entry may keep one.
    DropAllEntries();
    OracleLockGuard list(listLock_);
    if (clientPoolLeftOpen_) {
      // Destroying the client's pool would end (and so commit) the session
      // left open with its work pending: the pool and its handles are
      // forgotten instead, and go with the process.
      foundation::KWLog(0, "The client's session pool " + poolName_ + " is left open",
                        foundation::kLevelError, "TOracleSessionPool.Close");
      spool_ = nullptr;
      auth_ = nullptr;
      err_ = nullptr;
      env_ = nullptr;
      ownsEnvironment_ = false;
      poolName_.clear();
      clientPoolLeftOpen_ = false;
      open_ = false;
      return;
    }
    sword status = OCI_SUCCESS;
    if (OCIDllLoaded()) status = OCISessionPoolDestroy(spool_, err_, OCI_SPD_FORCE);
    struct FreeAtEnd {
      TOracleSessionPool& pool;
      ~FreeAtEnd() { pool.FreeOracleHandles(); }
    } freeAtEnd{*this};
    open_ = false;
    CheckOCI(status);
  }
  OracleLockGuard list(listLock_);
  open_ = false;
}

// --- reserve and release -------------------------------------------------------------

bool TOracleSessionPool::HasFreeEntryOrRoom() {
  OracleLockGuard list(listLock_);
  if (Max <= 0 || static_cast<int>(entries_.size()) < Max) return true;
  return std::any_of(entries_.begin(), entries_.end(),
                     [](const auto& entry) { return entry->reservedBy_ == nullptr; });
}

bool TOracleSessionPool::Matches(const TOracleSessionPoolEntry& entry,
                                 const TOracleSession& session) const {
  // A homogeneous client pool logs every session on alike; otherwise an
  // entry serves only the account it is logged on as.
  if (effectiveType_ == TPoolType::ptOracle && effectiveHomogeneous_) return true;
  if (!entry.session_) return false;
  const Credentials wanted = CredentialsOf(session);
  const Credentials pooled = CredentialsOf(*entry.session_);
  return platform::SameText(wanted.user, pooled.user) &&
         platform::SameText(wanted.database, pooled.database) && wanted.password == pooled.password;
}

TOracleSessionPoolEntry& TOracleSessionPool::ClaimEntry(TOracleSession& session,
                                                        EntryList& dropped) {
  OracleLockGuard list(listLock_);
  TOracleSessionPoolEntry* chosen = nullptr;
  for (const auto& entry : entries_) {
    if (entry->reservedBy_ == nullptr && Matches(*entry, session)) {
      chosen = entry.get();
      break;
    }
  }
  if (chosen == nullptr && Max > 0 && static_cast<int>(entries_.size()) >= Max) {
    // Max reached with only other accounts' entries free: the one released
    // longest ago makes room, so that the pool never passes Max.
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if ((*it)->reservedBy_ != nullptr) continue;
      if (oldest == entries_.end() || (*it)->lastRelease_ < (*oldest)->lastRelease_) oldest = it;
    }
    if (oldest != entries_.end()) {
      dropped.push_back(std::move(*oldest));
      entries_.erase(oldest);
    }
  }
  if (chosen == nullptr) {
    entries_.push_back(std::make_unique<TOracleSessionPoolEntry>(*this));
    chosen = entries_.back().get();
  }
  if (chosen->reservedBy_ != nullptr) throw std::runtime_error("Pool entry already reserved");
  chosen->reservedBy_ = &session;
  return *chosen;
}

bool TOracleSessionPool::ConnectEntry(TOracleSessionPoolEntry& entry,
                                      const TOracleSession& session) {
  if (entry.session_) {
    bool alive = false;
    try {
      alive = entry.session_->CheckConnection(false) == kConnectionOk;
    } catch (const std::exception&) {
      // A check that fails counts as a lost connection: it is made anew.
    }
    if (alive) return false;
    entry.FreeSession();
  }
  auto pooled = std::make_unique<TOracleSession>();
  pooled->SetPool(this);
  const Credentials credentials = CredentialsOf(session);
  pooled->SetLogonUsername(credentials.user);
  pooled->SetLogonPassword(credentials.password);
  pooled->SetLogonDatabase(credentials.database);
  pooled->SetConnectAs(session.ConnectAs());
  pooled->SetCursor(session.Cursor());
  pooled->SetBytesPerCharacter(session.BytesPerCharacter());
  pooled->SetIsolationLevel(session.IsolationLevel());
  pooled->SetOptimizerGoal(session.OptimizerGoal());
  pooled->Preferences().Assign(session.Preferences());
  pooled->SetSQLTrace(session.SQLTrace());
  pooled->SetThreadSafe(session.ThreadSafe());
  if (effectiveType_ == TPoolType::ptDefault) pooled->SetStatementCache(effectiveStatementCache_);
  entry.session_ = std::move(pooled);
  if (effectiveType_ == TPoolType::ptOracle) {
    ConnectOracleEntry(entry, credentials.user, credentials.password);
  } else {
    entry.session_->LogOn();
  }
  return true;
}

void TOracleSessionPool::ConnectOracleEntry(TOracleSessionPoolEntry& entry, std::string user,
                                            std::string password) {
  OCISvcCtx* svc = nullptr;
  sword status = OCIAttrSet(auth_, OCI_HTYPE_AUTHINFO, user.data(), static_cast<ub4>(user.size()),
                            OCI_ATTR_USERNAME, err_);
  if (status == OCI_SUCCESS)
    status = OCIAttrSet(auth_, OCI_HTYPE_AUTHINFO, password.data(),
                        static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, err_);
  Wipe(password);
  if (status == OCI_SUCCESS)
    status = OCISessionGet(env_, err_, &svc, auth_, reinterpret_cast<OraText*>(poolName_.data()),
                           static_cast<ub4>(poolName_.size()), nullptr, 0, nullptr, nullptr,
                           nullptr, OCI_SESSGET_SPOOL);
  CheckOCI(status);
  entry.oracleSVC_ = svc;
  entry.session_->SetExternalSVC(svc);
}

void TOracleSessionPool::RemoveEntry(TOracleSessionPoolEntry& entry) noexcept {
  EntryList doomed;
  {
    OracleLockGuard list(listLock_);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const auto& candidate) { return candidate.get() == &entry; });
    if (it == entries_.end()) return;
    doomed.push_back(std::move(*it));
    entries_.erase(it);
  }
  FreeEntries(doomed);
}

bool TOracleSessionPool::Reserve(TOracleSession& session) {
  RetryHeldOut(1);
  bool newConnection = false;
  {
    OracleLockGuard reserving(criticalSection_);
    if (PoolType == TPoolType::ptOracle && !Homogeneous && !open_ && LogonDatabase.empty())
      LogonDatabase = session.LogonDatabase();
    Open();
    // No time limit: a release on another thread ends the wait.
    while (!HasFreeEntryOrRoom()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (effectiveHomogeneous_) {
      session.SetLogonUsername(LogonUsername);
      session.SetLogonPassword(logonPassword_);
      session.SetLogonDatabase(LogonDatabase);
    }
    EntryList dropped;
    TOracleSessionPoolEntry& entry = ClaimEntry(session, dropped);
    FreeEntries(dropped);
    try {
      newConnection = ConnectEntry(entry, session);
    } catch (...) {
      RemoveEntry(entry);
      throw;
    }
    try {
      session.ShareSession(*entry.session_);
    } catch (...) {
      OracleLockGuard list(listLock_);
      entry.reservedBy_ = nullptr;
      entry.lastRelease_ = Now();
      throw;
    }
    Sweep();
  }
  if (AfterReserve) AfterReserve(*this, session);
  if (newConnection && AfterConnect) AfterConnect(*this, session);
  return newConnection;
}

bool TOracleSessionPool::Release(TOracleSession& session) {
  // A session still connected lets go of the connection first; its logoff
  // hands the entry back through this call.
  if (session.Connected()) session.LogOff();
  RetryHeldOut(1);
  // The next user of a connection must not see, nor commit, what this one
  // left uncommitted: the connection goes back with its transaction rolled
  // back. The entries stay reserved meanwhile, so no other thread takes
  // them; the rollback runs outside the list lock (the loader lock a
  // thread-safe session takes comes first). A connection whose rollback
  // fails is not handed on: an own-list one is dropped (its logoff tries
  // once more and gives the session up without ending it), a client-pool
  // one is held out of use until a rollback succeeds.
  std::vector<TOracleSessionPoolEntry*> held, unclean;
  {
    OracleLockGuard list(listLock_);
    for (const auto& entry : entries_)
      if (entry->reservedBy_ == &session) held.push_back(entry.get());
  }
  for (TOracleSessionPoolEntry* entry : held) {
    if (!entry->session_ || !entry->session_->Connected()) continue;
    try {
      entry->session_->Rollback();
      continue;
    } catch (const std::exception& e) {
      foundation::LogException(e, "TOracleSessionPool.Release");
    }
    // Not handed on; dropped once a further try rolls it back.
    unclean.push_back(entry);
    if (entry->RollBack(kReleaseRollbackAttempts - 1)) continue;
    entry->rollbackFailed_ = true;
    entry->session_->SetRollbackOnDisconnect(true);
  }
  bool released = false;
  EntryList doomed;
  {
    OracleLockGuard list(listLock_);
    for (auto it = entries_.begin(); it != entries_.end();) {
      TOracleSessionPoolEntry& entry = **it;
      if (entry.reservedBy_ != &session) {
        ++it;
        continue;
      }
      released = true;
      entry.reservedBy_ = nullptr;
      entry.lastRelease_ = Now();
      const bool dirty = std::find(unclean.begin(), unclean.end(), &entry) != unclean.end();
      if (dirty && entry.rollbackFailed_ && entry.oracleSVC_ != nullptr) {
        heldOut_.push_back(std::move(*it));
        it = entries_.erase(it);
      } else if (dirty || (TimeOut < 1 && Min > 0 && Min < static_cast<int>(entries_.size()))) {
        doomed.push_back(std::move(*it));
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
  }
  FreeEntries(doomed);
  Sweep();
  return released;
}

void TOracleSessionPool::FireBeforeRelease(TOracleSession& session) {
  if (BeforeRelease) BeforeRelease(*this, session);
}

void TOracleSessionPool::Sweep() {
  if (TimeOut <= 0) return;
  EntryList doomed;
  {
    OracleLockGuard list(listLock_);
    const std::int64_t now = Now();
    const std::int64_t limit = static_cast<std::int64_t>(TimeOut) * 1000;
    for (auto i = entries_.size(); i-- > 0 && static_cast<int>(entries_.size()) > Min;) {
      const TOracleSessionPoolEntry& entry = *entries_[i];
      if (entry.reservedBy_ != nullptr || now - entry.lastRelease_ <= limit) continue;
      doomed.push_back(std::move(entries_[i]));
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  FreeEntries(doomed);
}

// --- counts ---------------------------------------------------------------------------

int TOracleSessionPool::EntryCount() {
  OracleLockGuard list(listLock_);
  return static_cast<int>(entries_.size());
}

int TOracleSessionPool::FreeCount() {
  OracleLockGuard list(listLock_);
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const auto& entry) {
    return entry->reservedBy_ == nullptr;
  }));
}

TOracleSessionPoolEntry* TOracleSessionPool::Entries(int index) {
  OracleLockGuard list(listLock_);
  if (index < 0 || index >= static_cast<int>(entries_.size())) return nullptr;
  return entries_[static_cast<std::size_t>(index)].get();
}

TOracleSessionPool& DefaultOracleSessionPool() {
  // Never destroyed: sessions may log off through it until the process ends.
  static auto* pool = new TOracleSessionPool;
  return *pool;
}

}  // namespace oracle
