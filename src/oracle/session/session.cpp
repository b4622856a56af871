#include "oracle/session/session.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <thread>

#include "foundation/log.h"
#include "oracle/client/client_mode.h"
#include "oracle/client/client_settings.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/client/oracle_warnings.h"
#include "oracle/session/mts_errors.h"
#include "oracle/session/session_globals.h"
#include "oracle/session/session_sql.h"

namespace oracle {

namespace {

// Password-expiry warnings: the logon succeeds and keeps the text.
bool IsPasswordExpiryWarning(std::int32_t code) {
  return code == 28002 || code == 28011;
}

void Wipe(std::string& secret) {
  std::fill(secret.begin(), secret.end(), '\0');
  secret.clear();
}

template <class Handle>
sword AllocHandle(OCIEnv* env, Handle** handle, ub4 type) {
  return OCIHandleAlloc(env, reinterpret_cast<dvoid**>(handle), type, 0, nullptr);
}

template <class Handle>
void FreeHandle(Handle*& handle, ub4 type) {
  if (handle != nullptr && OCIHandleFree != nullptr) OCIHandleFree(handle, type);
  handle = nullptr;
}

const char* ConnectAsName(TConnectAs connectAs) {
  switch (connectAs) {
    case TConnectAs::caSYSDBA:
      return "caSYSDBA";
    case TConnectAs::caSYSOPER:
      return "caSYSOPER";
    default:
      return "caNormal";
  }
}

}  // namespace

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

TOracleSession::TOracleSession(const void* owner, bool remoteModuleOwner)
    : owner_(owner), preferences_(this, remoteModuleOwner) {
  RegisterSession(*this);
}

TOracleSession::~TOracleSession() {
  destroying_ = true;
  try {
    LogOff();
  } catch (const std::exception& e) {
    foundation::LogException(e, "TOracleSession.Destroy");
  } catch (...) {
    foundation::KWLog(0, "TOracleSession.Destroy: unknown error while logging off",
                      foundation::kLevelError, "TOracleSession.Destroy");
  }
  tableInfo_.Clear();
  objects_.DetachAll();
  if (serverAttached_ && OCIServerDetach != nullptr) OCIServerDetach(server_, err_, OCI_DEFAULT);
  serverAttached_ = false;
  FreeHandles();
  UnregisterSession(*this);
  Wipe(logonPassword_);
}

void TOracleSession::FireBeforeLogOn() {
  if (BeforeLogOn) BeforeLogOn(*this);
}

void TOracleSession::FireAfterLogOn() {
  if (AfterLogOn) AfterLogOn(*this);
}

// --- properties --------------------------------------------------------------

void TOracleSession::DeriveODBCFlags() {
  odbc_ = UpperCase(logonUsername_).find("ODBC:") != std::string::npos ||
          UpperCase(logonDatabase_).find("ODBC:") != std::string::npos;
  oca_ = odbc_ &&
         !ReadRegistryString(platform::registry::Root::LocalMachine, "SOFTWARE\\ORACLE", "OCA60")
              .empty();
}

void TOracleSession::SetLogonUsername(const std::string& value) {
  logonUsername_ = value;
  DeriveODBCFlags();
}

void TOracleSession::SetLogonPassword(const std::string& value) {
  Wipe(logonPassword_);
  logonPassword_ = value;
  DeriveODBCFlags();
}

void TOracleSession::SetLogonDatabase(const std::string& value) {
  logonDatabase_ = value;
  DeriveODBCFlags();
}

void TOracleSession::CheckNotConnected(const char* property) const {
  if (connected_)
    throw std::runtime_error(std::string("Cannot change ") + property + " property when connected");
}

void TOracleSession::SetThreadSafe(bool value) {
  if (value == threadSafe_) return;
  CheckNotConnected("ThreadSafe");
  threadSafe_ = value;
}

void TOracleSession::SetPooling(TSessionPooling value) {
  if (value == pooling_) return;
  CheckNotConnected("Pooling");
  pooling_ = value;
}

void TOracleSession::SetPool(TSessionPoolLink* value) {
  if (value == pool_) return;
  CheckNotConnected("Pool");
  pool_ = value;
}

void TOracleSession::SetMTSOptions(TMTSOptions value) {
  if (value == mtsOptions_) return;
  CheckNotConnected("MTSOptions");
  mtsOptions_ = value;
}

void TOracleSession::SetStatementCache(bool value) {
  if (value == statementCache_) return;
  CheckNotConnected("StatementCache");
  statementCache_ = value;
}

bool TOracleSession::StatementCacheUsed() const {
  return statementCache_ && OCI92Available;
}

void TOracleSession::SetStatementCacheSize(int32_t value) {
  statementCacheSize_ = value;
  if (connected_ && oci8Mode_ && StatementCacheUsed()) {
    ub4 size = static_cast<ub4>(value);
    CheckOCI(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, &size, 0, OCI_ATTR_STMTCACHESIZE, err_));
  }
}

void TOracleSession::SetAutoCommit(bool value) {
  autoCommit_ = value;
  if (connected_ && !oci8Mode_) {
    OracleLockGuard lock(sessionLock_);
    if (value && ocon != nullptr) CheckOCI7(ocon(OCI7LogonDataArea()));
    if (!value && ocof != nullptr) CheckOCI7(ocof(OCI7LogonDataArea()));
  }
}

void TOracleSession::SetSQLTrace(TSQLTrace value) {
  sqlTrace_ = value;
  if (!connected_ || value == TSQLTrace::stUnchanged) return;
  RunSetting(std::string("alter session set sql_trace = ") +
             (value == TSQLTrace::stTrue ? "true" : "false"));
}

void TOracleSession::SetOptimizerGoal(TOptimizerGoal value) {
  optimizerGoal_ = value;
  if (!connected_ || value == TOptimizerGoal::ogUnchanged) return;
  const char* goal = "choose";
  switch (value) {
    case TOptimizerGoal::ogFirstRows:
      goal = "first_rows";
      break;
    case TOptimizerGoal::ogAllRows:
      goal = "all_rows";
      break;
    case TOptimizerGoal::ogRule:
      goal = "rule";
      break;
    default:
      break;
  }
  RunSetting(std::string("alter session set optimizer_") + (oci8Mode_ ? "mode" : "goal") + " = " +
             goal);
}

void TOracleSession::SetIsolationLevel(TIsolationLevel value) {
  isolationLevel_ = value;
  if (!connected_ || value == TIsolationLevel::ilUnchanged) return;
  RunSetting(std::string("alter session set isolation_level = ") +
             (value == TIsolationLevel::ilReadCommitted ? "read committed" : "serializable"));
}

void TOracleSession::SetBytesPerCharacter(TBytesPerCharacter value) {
  bytesPerCharacter_ = value;
  bytesPerChar_ = 0;
  nationalBytesPerChar_ = 0;
}

void TOracleSession::RunSetting(const std::string& sql) {
  ExecuteSessionSQL(sql, true);
}

void TOracleSession::SetConnected(bool value) {
  if (loading_) {
    connectPending_ = value;
    return;
  }
  if (value) {
    LogOn();
  } else {
    LogOff();
  }
}

void TOracleSession::Loaded() {
  if (connectPending_) {
    connectPending_ = false;
    LogOn();  // still loading: the events below fire once
  }
  loading_ = false;
  if (connected_) {
    FireAfterLogOn();
    if (OnChange) OnChange(*this);
  }
}

void TOracleSession::ReopenDataSets() {
  objects_.WalkLastToFirst(SessionObjectList::kDataSets,
                           [](TSessionAttached& dataSet) { dataSet.SessionLayoutChanged(); });
}

// --- connections made elsewhere ----------------------------------------------

OCISvcCtx* TOracleSession::ExternalSVC() const {
  if (!connected_ || !oci8Mode_)
    throw std::runtime_error("ExternalSVC only valid when connected through OCI8");
  return svc_;
}

void TOracleSession::SetExternalSVC(OCISvcCtx* value) {
  InitOCI();
  if (!OCI8Group || preferences_.UseOCI7() || ForceOCI7)
    throw std::runtime_error("ExternalSVC only valid with OCI8");
  LogOff();
  externalSVC_ = value;
  if (value != nullptr) LogOn();
}

Lda_Def* TOracleSession::ExternalLDA() {
  if (!connected_ || oci8Mode_)
    throw std::runtime_error("ExternalLDA only valid when connected through OCI7");
  return OCI7LogonDataArea();
}

void TOracleSession::SetExternalLDA(Lda_Def* value) {
  LogOff();
  externalLDA_ = value;
  if (value != nullptr) LogOn();
}

void TOracleSession::ShareSession(TOracleSession& other) {
  logonUsername_ = other.logonUsername_;
  Wipe(logonPassword_);
  logonPassword_ = other.logonPassword_;
  logonDatabase_ = other.logonDatabase_;
  DeriveODBCFlags();
  if (other.oci8Mode_) {
    SetExternalSVC(other.connected_ ? other.svc_ : nullptr);
  } else {
    SetExternalLDA(other.connected_ ? other.OCI7LogonDataArea() : nullptr);
  }
}

Lda_Def* TOracleSession::OCI7LogonDataArea() {
  return externalLDA_ != nullptr ? externalLDA_ : reinterpret_cast<Lda_Def*>(lda_.data());
}

// --- errors ------------------------------------------------------------------

void TOracleSession::CheckOCI(sword status) {
  lastStatus_ = status;
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO)
    RaiseOCIError(this, err_, this, status);
}

std::int32_t TOracleSession::OCI7ReturnCode() {
  // The return code field of the logon data area (after v2_rc, ft, rpc, peo,
  // fc and rcs1).
  const auto* area = reinterpret_cast<const unsigned char*>(OCI7LogonDataArea());
  std::uint16_t code = 0;
  std::memcpy(&code, area + 12, sizeof code);
  return code;
}

void TOracleSession::CheckOCI7(sword returnCode) {
  lastStatus_ = returnCode;
  if (returnCode != 0) RaiseOCI7Error(this, OCI7ReturnCode(), this);
}

void TOracleSession::Trace(const std::string& text) const {
  if (!SessionTraceActive()) return;
  const std::int64_t now = SessionTraceClock();
  const std::int64_t elapsed = traceMark_ ? now - *traceMark_ : 0;
  traceMark_ = now;
  TraceSession(*this, text, elapsed);
}

TSessionPoolLink* TOracleSession::EffectivePool() const {
  return pool_ != nullptr ? pool_ : DefaultSessionPool();
}

// --- logon -------------------------------------------------------------------

std::string TOracleSession::BuildConnectString() {
  const TLogonParts parts = ParseLogonText(logonUsername_);
  if (parts.split) {
    logonUsername_ = parts.user;
    if (parts.hasPassword) {
      Wipe(logonPassword_);
      logonPassword_ = parts.password;
    }
    if (!parts.database.empty()) logonDatabase_ = parts.database;
    connectAs_ = parts.connectAs;
    DeriveODBCFlags();
  }
  return ComposeConnectText(logonUsername_, logonPassword_, logonDatabase_, connectAs_);
}

void TOracleSession::CreateEnvironment() {
  if (env_ != nullptr) return;
  if (OCIGlobalEnvironment) {
    env_ = SharedEnvironment();
    ownsEnvironment_ = false;
    return;
  }
  sword status = OCI_ERROR;
  if (OCI81Available) {
    status = OCIEnvCreate(&env_, threadSafe_ ? (OCI_THREADED | OCI_OBJECT) : OCI_OBJECT, nullptr,
                          nullptr, nullptr, nullptr, 0, nullptr);
  } else {
    status = OCIEnvInit(&env_, threadSafe_ ? OCI_DEFAULT : OCI_ENV_NO_MUTEX, 0, nullptr);
  }
  if (status != OCI_SUCCESS || env_ == nullptr) {
    env_ = nullptr;
    RaiseOCIError(this, nullptr, this, status);
  }
  ownsEnvironment_ = true;
}

void TOracleSession::AttachAndBeginOCI8() {
  ub4 mode = OCI_DEFAULT;
  if (connectAs_ == TConnectAs::caSYSDBA) mode = OCI_SYSDBA;
  if (connectAs_ == TConnectAs::caSYSOPER) mode = OCI_SYSOPER;
  if (StatementCacheUsed()) mode |= OCI_STMT_CACHE;
  CreateEnvironment();
  for (auto [handle, type] :
       {std::pair<void**, ub4>{reinterpret_cast<void**>(&svc_), OCI_HTYPE_SVCCTX},
        {reinterpret_cast<void**>(&server_), OCI_HTYPE_SERVER},
        {reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR},
        {reinterpret_cast<void**>(&err2_), OCI_HTYPE_ERROR},
        {reinterpret_cast<void**>(&userSession_), OCI_HTYPE_SESSION}}) {
    if (*handle != nullptr) continue;
    const sword status = OCIHandleAlloc(env_, handle, type, 0, nullptr);
    if (status != OCI_SUCCESS) RaiseOCIError(this, nullptr, this, status);
  }
  if (serverAttached_) {
    OCIServerDetach(server_, err_, OCI_DEFAULT);
    serverAttached_ = false;
  }
  CheckOCI(OCIServerAttach(server_, err_, reinterpret_cast<const text*>(logonDatabase_.c_str()),
                           static_cast<sb4>(logonDatabase_.size()), OCI_DEFAULT));
  serverAttached_ = true;
  CheckOCI(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, server_, 0, OCI_ATTR_SERVER, err_));
  CheckOCI(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, userSession_, 0, OCI_ATTR_SESSION, err_));
  ub4 credentials = OCI_CRED_EXT;
  if (!logonUsername_.empty() || !logonPassword_.empty()) {
    credentials = OCI_CRED_RDBMS;
    CheckOCI(OCIAttrSet(userSession_, OCI_HTYPE_SESSION, logonUsername_.data(),
                        static_cast<ub4>(logonUsername_.size()), OCI_ATTR_USERNAME, err_));
    CheckOCI(OCIAttrSet(userSession_, OCI_HTYPE_SESSION, logonPassword_.data(),
                        static_cast<ub4>(logonPassword_.size()), OCI_ATTR_PASSWORD, err_));
  }
  const sword status = OCISessionBegin(svc_, err_, userSession_, credentials, mode);
  lastStatus_ = status;
  if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) sessionBegun_ = true;
  if (status != OCI_SUCCESS) {
    const auto error = CreateOracleError(OracleErrorClass::Error, this, this, err_, status);
    if (status == OCI_SUCCESS_WITH_INFO && IsPasswordExpiryWarning(error->ErrorCode())) {
      logonWarning_ = error->Message();
    } else if (IsOracleWarning(error->ErrorCode())) {
      RaiseOCIError(this, err_, this, status);
    } else {
      error->Raise();
    }
  }
  std::array<text, 501> version{};
  if (OCIServerVersion(server_, err_, version.data(), static_cast<ub4>(version.size()),
                       static_cast<ub1>(OCI_HTYPE_SERVER)) == OCI_SUCCESS) {
    version.back() = 0;
    if (!ServerVersionSupportsOCI8(reinterpret_cast<const char*>(version.data()))) {
      CheckOCI(OCISvcCtxToLda(svc_, err_, OCI7LogonDataArea()));
      convertedToOCI7_ = true;
      oci8Mode_ = false;
    }
  }
}

void TOracleSession::LogOnOCI7(const std::string& connectText) {
  if (olog == nullptr && orlon == nullptr)
    throw std::runtime_error("The loaded OCI client has no OCI7 logon call");
  std::string uid = connectText;
  auto* text = reinterpret_cast<OraText*>(uid.data());
  const sword rc =
      olog != nullptr
          ? olog(OCI7LogonDataArea(), hda_.data(), text, -1, nullptr, -1, nullptr, -1, OCI_DEFAULT)
          : orlon(OCI7LogonDataArea(), hda_.data(), text, -1, nullptr, -1, 0);
  Wipe(uid);
  lastStatus_ = rc;
  if (rc == 0) return;
  const std::int32_t code = OCI7ReturnCode();
  if (IsPasswordExpiryWarning(code)) {
    logonWarning_ = CreateOCI7Error(OracleErrorClass::Error, this, this, code)->Message();
    return;
  }
  RaiseOCI7Error(this, code, this);
}

void TOracleSession::AdoptExternalSVC() {
  oci8Mode_ = true;
  svc_ = externalSVC_;
  OCIEnv* probeEnv = nullptr;
  OCIError* probeErr = nullptr;
  sword status = OCI81Available ? OCIEnvCreate(&probeEnv, OCI_DEFAULT, nullptr, nullptr, nullptr,
                                               nullptr, 0, nullptr)
                                : OCIEnvInit(&probeEnv, OCI_DEFAULT, 0, nullptr);
  if (status == OCI_SUCCESS) status = AllocHandle(probeEnv, &probeErr, OCI_HTYPE_ERROR);
  if (status == OCI_SUCCESS)
    status = OCIAttrGet(svc_, OCI_HTYPE_SVCCTX, &env_, nullptr, OCI_ATTR_ENV, probeErr);
  FreeHandle(probeErr, OCI_HTYPE_ERROR);
  FreeHandle(probeEnv, OCI_HTYPE_ENV);
  if (status != OCI_SUCCESS || env_ == nullptr) {
    env_ = nullptr;
    RaiseOCIError(this, nullptr, this, status);
  }
  ownsEnvironment_ = false;
  if (const sword s = AllocHandle(env_, &err_, OCI_HTYPE_ERROR); s != OCI_SUCCESS)
    RaiseOCIError(this, nullptr, this, s);
  if (const sword s = AllocHandle(env_, &err2_, OCI_HTYPE_ERROR); s != OCI_SUCCESS)
    RaiseOCIError(this, nullptr, this, s);
  CheckOCI(OCIAttrGet(svc_, OCI_HTYPE_SVCCTX, &server_, nullptr, OCI_ATTR_SERVER, err_));
  CheckOCI(OCIAttrGet(svc_, OCI_HTYPE_SVCCTX, &userSession_, nullptr, OCI_ATTR_SESSION, err_));
}

// Undoes a logon that failed half-way, so that no server stays attached and
// no handle is left behind.
void TOracleSession::AbandonLogOn() noexcept {
  if (Shared()) {
    // Only the error handles are the session's own.
    FreeHandle(err_, OCI_HTYPE_ERROR);
    FreeHandle(err2_, OCI_HTYPE_ERROR);
    svc_ = nullptr;
    server_ = nullptr;
    userSession_ = nullptr;
    env_ = nullptr;
    return;
  }
  if (sessionBegun_ && oci8Mode_ && OCISessionEnd != nullptr)
    OCISessionEnd(svc_, err_, userSession_, OCI_DEFAULT);
  sessionBegun_ = false;
  if (serverAttached_ && OCIServerDetach != nullptr) OCIServerDetach(server_, err_, OCI_DEFAULT);
  serverAttached_ = false;
  convertedToOCI7_ = false;
  FreeHandles();
}

void TOracleSession::LogOnThroughMTS() {
  LoadMTSDll();
  std::string user = logonUsername_, password = logonPassword_, database = logonDatabase_;
  ub4 flags = 0;
  if ((mtsOptions_ & moImplicit) == 0) flags += 1;
  if ((mtsOptions_ & moUniqueServer) != 0) flags += 2;
  OCISvcCtx* svc = nullptr;
  OCIEnv* env = nullptr;
  const ub4 status = OraMTSSvcGet(reinterpret_cast<OraText*>(user.data()),
                                  reinterpret_cast<OraText*>(password.data()),
                                  reinterpret_cast<OraText*>(database.data()), &svc, &env, flags);
  Wipe(password);
  if (status != 0) throw MTSErrorText(static_cast<std::int32_t>(status), "OraMTSSvcGet");
  mtsControlled_ = (mtsOptions_ & moImplicit) != 0;
  mtsSVC_ = svc;
  SetExternalSVC(svc);
}

void TOracleSession::ApplySessionSettings() {
  if (!oci8Mode_ && autoCommit_ && ocon != nullptr) CheckOCI7(ocon(OCI7LogonDataArea()));
  if (sqlTrace_ != TSQLTrace::stUnchanged) SetSQLTrace(sqlTrace_);
  if (optimizerGoal_ != TOptimizerGoal::ogUnchanged) SetOptimizerGoal(optimizerGoal_);
  if (isolationLevel_ != TIsolationLevel::ilUnchanged) SetIsolationLevel(isolationLevel_);
}

void TOracleSession::LogOn() {
  traceMark_.reset();
  if (pooling_ != TSessionPooling::spNone && (connected_ || !Shared())) {
    LogOff();
    if (pooling_ == TSessionPooling::spInternal) {
      TSessionPoolLink* pool = EffectivePool();
      if (pool == nullptr) throw std::runtime_error("No session pool is available");
      pool->Reserve(*this);
    } else {
      LogOnThroughMTS();
    }
    return;
  }

  FireBeforeLogOn();
  {
    // The trace names the user and database only, even when the user name
    // still carries the whole logon text.
    const TLogonParts parts = ParseLogonText(logonUsername_);
    const std::string& user = parts.split ? parts.user : logonUsername_;
    const std::string& database = parts.database.empty() ? logonDatabase_ : parts.database;
    Trace("Session.LogOn as " + user + (database.empty() ? "" : "@" + database));
  }
  {
    std::optional<OracleLockGuard> loader;
    if (threadSafe_) loader.emplace(LoaderLock());
    struct RestoreDir {
      ~RestoreDir() { RestoreCurrentDir(); }
    } restoreDir;

    if (odbc_ && !oca_ && OCIDLL.empty()) OCIDLL = "libora73.so";
    {
      BusyScope busy(*this);
      InitOCI();
    }
    LogOff();
    oci8Mode_ =
        !preferences_.UseOCI7() && OCI8Group && !ForceOCI7 && !odbc_ && externalLDA_ == nullptr;
    convertedToOCI7_ = false;
    logonWarning_.clear();
    try {
      if (!Shared()) {
        std::string connectText = BuildConnectString();
        lda_.fill(0);
        hda_.fill(0);
        BusyScope busy(*this);
        if (oci8Mode_) {
          AttachAndBeginOCI8();
        } else {
          LogOnOCI7(connectText);
        }
        Wipe(connectText);
      } else if (externalSVC_ != nullptr) {
        AdoptExternalSVC();
      } else {
        oci8Mode_ = false;
      }
      if (oci8Mode_ && StatementCacheUsed()) {
        ub4 size = static_cast<ub4>(statementCacheSize_);
        CheckOCI(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, &size, 0, OCI_ATTR_STMTCACHESIZE, err_));
      }
    } catch (...) {
      AbandonLogOn();
      throw;
    }
    connected_ = true;
    ResetProbes();
    objects_.WalkLastToFirst(SessionObjectList::kQueries,
                             [](TSessionAttached& query) { query.SessionLoggedOn(); });
    if (!Shared()) ApplySessionSettings();
    if (SessionTraceActive()) Trace("Session AUDSID " + GetAUDSID());
  }
  if (!loading_) {
    FireAfterLogOn();
    if (OnChange) OnChange(*this);
  }
}

// --- logoff ------------------------------------------------------------------

void TOracleSession::ReleaseAttached() {
  objects_.WalkLastToFirst(SessionObjectList::kHelperComponents, [](TSessionAttached& helper) {
    if (helper.ListenerRunning()) {
      helper.TerminateListener();
      // Bounded: a listener that does not end within 30 s is released anyway.
      for (int waited = 0; helper.ListenerRunning() && waited < 3000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    helper.SessionLoggingOff();
  });
  objects_.WalkLastToFirst(SessionObjectList::kQueries,
                           [](TSessionAttached& query) { query.SessionLoggingOff(); });
  objects_.WalkLastToFirst(SessionObjectList::kDataSets, [](TSessionAttached& dataSet) {
    if (!dataSet.StaysOpenAtLogOff()) dataSet.SessionLoggingOff();
  });
  objects_.WalkLastToFirst(SessionObjectList::kOtherComponents,
                           [](TSessionAttached& other) { other.SessionLoggingOff(); });
}

void TOracleSession::LogOff() {
  if (!OCIDllLoaded() && (connected_ || env_ != nullptr)) {
    // The client library was unloaded under the session: its handles are
    // gone with it and no call can be made any more.
    ReleaseAttached();
    tableInfo_.Clear();
    connected_ = false;
    serverAttached_ = sessionBegun_ = convertedToOCI7_ = false;
    externalLDA_ = nullptr;
    externalSVC_ = mtsSVC_ = svc_ = nullptr;
    env_ = nullptr;
    err_ = err2_ = nullptr;
    server_ = nullptr;
    userSession_ = nullptr;
    ResetProbes();
    return;
  }
  std::exception_ptr failure;
  const bool wasConnected = connected_;
  if (connected_) {
    if (pooling_ == TSessionPooling::spInternal) {
      try {
        if (TSessionPoolLink* pool = EffectivePool()) pool->BeforeRelease(*this);
      } catch (...) {
      }
    }
    if (rollbackOnDisconnect_ && !Shared()) {
      try {
        Rollback();
      } catch (...) {
      }
    }
    ReleaseAttached();
    tableInfo_.Clear();
    connected_ = false;
    ResetProbes();
    Trace("Session.LogOff");
    BusyScope busy(*this);
    std::optional<OracleLockGuard> loader;
    if (threadSafe_) loader.emplace(LoaderLock());
    try {
      if (Shared()) {
        const bool wasOCI8 = oci8Mode_;
        externalLDA_ = nullptr;
        externalSVC_ = nullptr;
        env_ = nullptr;
        svc_ = nullptr;
        server_ = nullptr;
        userSession_ = nullptr;
        if (wasOCI8) {
          FreeHandle(err_, OCI_HTYPE_ERROR);
          FreeHandle(err2_, OCI_HTYPE_ERROR);
        }
        if (pooling_ == TSessionPooling::spInternal) {
          try {
            if (TSessionPoolLink* pool = EffectivePool()) pool->Release(*this);
          } catch (...) {
          }
        } else if (pooling_ == TSessionPooling::spMTS && mtsSVC_ != nullptr) {
          OCISvcCtx* mts = mtsSVC_;
          mtsSVC_ = nullptr;
          mtsControlled_ = false;
          const ub4 status = OraMTSSvcRel != nullptr ? OraMTSSvcRel(mts) : 0;
          if (status != 0) throw MTSErrorText(static_cast<std::int32_t>(status), "OraMTSSvcRel");
        }
      } else {
        if (convertedToOCI7_) {
          convertedToOCI7_ = false;
          oci8Mode_ = true;
          CheckOCI(OCILdaToSvcCtx(&svc_, err_, OCI7LogonDataArea()));
        }
        if (oci8Mode_) {
          sessionBegun_ = false;
          CheckOCI(OCISessionEnd(svc_, err_, userSession_, OCI_DEFAULT));
        } else if (ologof != nullptr) {
          CheckOCI7(ologof(OCI7LogonDataArea()));
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (wasConnected && !destroying_ && OnChange) OnChange(*this);
  if (serverAttached_) {
    serverAttached_ = false;
    const sword status = OCIServerDetach(server_, err_, OCI_DEFAULT);
    if (status != OCI_SUCCESS && !failure) {
      try {
        RaiseOCIError(this, err_, this, status);
      } catch (...) {
        failure = std::current_exception();
      }
    }
  }
  if (env_ != nullptr && !Shared()) FreeHandles();
  if (failure) std::rethrow_exception(failure);
}

void TOracleSession::FreeHandles() noexcept {
  if (OCIHandleFree == nullptr) return;
  if (externalSVC_ != nullptr && svc_ == externalSVC_) {
    // Handles of a connection made elsewhere belong to it.
    FreeHandle(err_, OCI_HTYPE_ERROR);
    FreeHandle(err2_, OCI_HTYPE_ERROR);
    return;
  }
  FreeHandle(server_, OCI_HTYPE_SERVER);
  FreeHandle(svc_, OCI_HTYPE_SVCCTX);
  FreeHandle(err_, OCI_HTYPE_ERROR);
  FreeHandle(err2_, OCI_HTYPE_ERROR);
  FreeHandle(userSession_, OCI_HTYPE_SESSION);
  if (ownsEnvironment_) FreeHandle(env_, OCI_HTYPE_ENV);
  env_ = nullptr;
  ownsEnvironment_ = false;
}

// --- transactions ------------------------------------------------------------

void TOracleSession::Commit() {
  if (!connected_) return;
  Trace("Session.Commit");
  if (mtsControlled_) throw std::runtime_error("Cannot commit an MTS Controlled Transaction");
  std::optional<OracleLockGuard> lock;
  if (NeedsStatementLock()) lock.emplace(sessionLock_);
  if (oci8Mode_) {
    CheckOCI(OCITransCommit(svc_, err_, OCI_DEFAULT));
  } else {
    CheckOCI7(ocom(OCI7LogonDataArea()));
  }
}

void TOracleSession::Rollback() {
  if (!connected_) return;
  Trace("Session.Rollback");
  if (mtsControlled_) throw std::runtime_error("Cannot rollback an MTS Controlled Transaction");
  std::optional<OracleLockGuard> lock;
  if (NeedsStatementLock()) lock.emplace(sessionLock_);
  if (oci8Mode_) {
    CheckOCI(OCITransRollback(svc_, err_, OCI_DEFAULT));
  } else {
    CheckOCI7(orol(OCI7LogonDataArea()));
  }
}

// --- statements and probes ---------------------------------------------------

void TOracleSession::ExecuteSessionSQL(const std::string& sql, bool busy) {
  BusyScope scope(*this, busy);
  RunSessionSQL(*this, sql);
}

int TOracleSession::CheckConnection(bool reconnect) {
  if (connected_) {
    RunSessionSQL(*this, "select 'x' from dual");
    return kConnectionOk;
  }
  if (!reconnect) return kNotConnected;
  LogOn();
  return kReconnected;
}

void TOracleSession::ResetProbes() {
  bytesPerChar_ = 0;
  nationalBytesPerChar_ = 0;
  charsetId_ = 0;
  nationalCharsetId_ = 0;
  dateFormatLength_ = -1;
}

namespace {

int FixedBytesPerChar(TBytesPerCharacter option) {
  switch (option) {
    case TBytesPerCharacter::bc2Bytes:
      return 2;
    case TBytesPerCharacter::bc3Bytes:
      return 3;
    case TBytesPerCharacter::bc4Bytes:
      return 4;
    default:
      return 1;
  }
}

int NumberOr(const std::optional<std::string>& text, int fallback) {
  if (!text) return fallback;
  try {
    return std::stoi(*text);
  } catch (const std::exception&) {
    return fallback;
  }
}

}  // namespace

int TOracleSession::BytesPerChar() {
  if (bytesPerCharacter_ != TBytesPerCharacter::bcAutoDetect || !connected_)
    return FixedBytesPerChar(bytesPerCharacter_);
  if (bytesPerChar_ == 0) {
    const TSessionSQLResult result = RunSessionSQL(
        *this,
        "select length(chr(2000000000)) l4, length(chr(2000000)) l3,  length(chr(20000)) l2, "
        "'c' c1 from dual");
    int value = 1;
    if (!result.rows.empty() && result.rows[0].size() >= 3) {
      const auto& row = result.rows[0];
      value = NumberOr(row[0], 1);
      if (value == 1) value = NumberOr(row[1], 1);
      if (value == 1) value = NumberOr(row[2], 1);
    }
    if (result.charsetIds.size() >= 4) charsetId_ = result.charsetIds[3];
    const TSessionSQLResult national =
        RunSessionSQL(*this, "select lengthb(nchr(20)), nchr(20) from dual");
    nationalBytesPerChar_ = 1;
    if (!national.rows.empty() && !national.rows[0].empty())
      nationalBytesPerChar_ = std::max(1, NumberOr(national.rows[0][0], 1));
    if (national.charsetIds.size() >= 2) nationalCharsetId_ = national.charsetIds[1];
    bytesPerChar_ = std::clamp(value, 1, 4);
  }
  return bytesPerChar_;
}

int TOracleSession::NationalBytesPerChar() {
  if (bytesPerCharacter_ != TBytesPerCharacter::bcAutoDetect || !connected_)
    return FixedBytesPerChar(bytesPerCharacter_);
  BytesPerChar();
  return nationalBytesPerChar_;
}

int32_t TOracleSession::MaxVarchar2Chars() const {
  const int32_t limit = oci8Mode_ ? 4000 : 2000;
  int perChar = FixedBytesPerChar(bytesPerCharacter_);
  if (bytesPerCharacter_ == TBytesPerCharacter::bcAutoDetect && connected_) {
    // Probed once per connection; the probe result is a cache, not state a
    // reader can observe changing.
    try {
      perChar = const_cast<TOracleSession*>(this)->BytesPerChar();
    } catch (const std::exception& e) {
      foundation::LogException(e, "TOracleSession.MaxVarchar2Chars");
    }
  }
  return limit / perChar;
}

int TOracleSession::DateFormatLength() {
  if (!connected_) return 40;
  if (dateFormatLength_ == -1) {
    std::string sql;
    for (int month = 1; month <= 12; ++month) {
      if (month > 1) sql += " union all ";
      sql += "select to_char(to_date('10-" + std::to_string(month) +
             "-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from dual";
    }
    const TSessionSQLResult result = RunSessionSQL(*this, sql);
    int longest = 0;
    for (const auto& row : result.rows)
      if (!row.empty() && row[0]) longest = std::max(longest, static_cast<int>(row[0]->size()));
    dateFormatLength_ = longest > 0 ? longest : 40;
  }
  return dateFormatLength_;
}

std::string TOracleSession::GetAUDSID() {
  if (!connected_) return {};
  const TSessionSQLResult result =
      RunSessionSQL(*this, "select to_char(userenv('SESSIONID')) from dual");
  if (result.rows.empty() || result.rows[0].empty() || !result.rows[0][0]) return {};
  return *result.rows[0][0];
}

std::string TOracleSession::GetDescription() {
  std::string audsid;
  try {
    audsid = GetAUDSID();
  } catch (const std::exception&) {
    audsid.clear();
  }
  // The password is shown masked, with a fixed length, also when the user
  // name still carries the whole logon text.
  const TLogonParts parts = ParseLogonText(logonUsername_);
  const bool hasPassword = !logonPassword_.empty() || !parts.password.empty();
  return "Username=" + (parts.split ? parts.user : logonUsername_) + "\r\n" +
         "Password=" + (hasPassword ? "********" : "") + "\r\n" +
         "Database=" + (parts.database.empty() ? logonDatabase_ : parts.database) + "\r\n" +
         "ConnectAs=" + ConnectAsName(connectAs_) + "\r\n" + "AUDSID=" + audsid + "\r\n" +
         "OCIDLL=" + OCIDLL + "\r\n";
}

// --- busy cursor ---------------------------------------------------------------

void TOracleSession::BeginBusy() {
  if (cursor_ == 0) return;
  if (busyDepth_++ == 0) {
    savedCursor_ = GetScreenCursor();
    SetScreenCursor(cursor_);
  }
}

void TOracleSession::EndBusy() {
  if (busyDepth_ == 0) return;
  if (--busyDepth_ == 0) SetScreenCursor(savedCursor_);
}

}  // namespace oracle
