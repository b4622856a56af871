// Logging a session on and off: the environment and handles, the OCI8, OCI7,
// transaction-server and shared-connection logons, and the logoff that
// releases attached objects and handles.

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
#include "oracle/session/session.h"
#include "oracle/session/session_globals.h"
#include "oracle/session/session_internal.h"
#include "oracle/session/session_sql.h"

namespace oracle {

using session_detail::AllocHandle;
using session_detail::FreeHandle;
using session_detail::Wipe;

namespace {

// Password-expiry warnings: the logon succeeds and keeps the text.
bool IsPasswordExpiryWarning(std::int32_t code) {
  return code == 28002 || code == 28011;
}

}  // namespace

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
    // An old server is served by the OCI7 calls, but only when the client
    // has them; otherwise the session stays with the OCI8 calls it has.
    if (!ServerVersionSupportsOCI8(reinterpret_cast<const char*>(version.data())) &&
        OCI7ModeUsable()) {
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
  CountWork();
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
  // LOB locators, objects, references and timestamps outlive the logoff in
  // their holders' hands: they let go of what they hold of the environment
  // now.
  for (const SessionObjectList list :
       {SessionObjectList::kLOBLocators, SessionObjectList::kObjects,
        SessionObjectList::kReferences, SessionObjectList::kTimestamps}) {
    objects_.WalkLastToFirst(list, [](TSessionAttached& held) { held.SessionEnvironmentEnding(); });
  }
}

void TOracleSession::LogOff() {
  CountWork();
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
  bool rollbackFailed = false;
  if (connected_) {
    if (pooling_ == TSessionPooling::spInternal) {
      try {
        if (TSessionPoolLink* pool = EffectivePool()) pool->FireBeforeRelease(*this);
      } catch (...) {
        // Swallowed: the pool's notice is a courtesy; a pool that fails to
        // take it must not keep the session from logging off.
      }
    }
    if (rollbackOnDisconnect_ && !Shared()) {
      try {
        Rollback();
      } catch (...) {
        // Swallowed: the logoff must still detach the server and free the
        // handles. A rollback fails when the connection is already broken,
        // and the server then discards the transaction itself; the session
        // is not ended below, since ending it would commit what was to be
        // rolled back.
        rollbackFailed = true;
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
            // Swallowed: the connection is the pool's, and this session has
            // already let go of it; a pool that fails to take it back must
            // not make the logoff fail.
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
          // A session whose rollback failed is given up without ending it:
          // its handle is freed with the server detached, which the server
          // answers as a connection that broke off, with a rollback.
          if (!rollbackFailed) CheckOCI(OCISessionEnd(svc_, err_, userSession_, OCI_DEFAULT));
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

}  // namespace oracle
