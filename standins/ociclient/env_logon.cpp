// Environments, handle and descriptor allocation, error records, server
// attach, session begin/end, server version and OCILogon/OCILogoff.
#include <cstring>

#include "api_support.h"
#include "config.h"
#include "connection.h"
#include "journal.h"
#include "lob.h"
#include "session_pool.h"
#include "statement.h"
#include "statement_cache.h"

using namespace ocistandin;

namespace {

std::unique_ptr<Handle> makeHandle(Handle* parent, ub4 type) {
  switch (type) {
    case OCI_HTYPE_ERROR:
      return std::make_unique<ErrorHandle>(type, parent);
    case OCI_HTYPE_SVCCTX:
      return std::make_unique<SvcCtxHandle>(type, parent);
    case OCI_HTYPE_STMT:
      return std::make_unique<StmtHandle>(type, parent);
    case OCI_HTYPE_SERVER:
      return std::make_unique<ServerHandle>(type, parent);
    case OCI_HTYPE_SESSION:
      return std::make_unique<SessionHandle>(type, parent);
    case OCI_HTYPE_DESCRIBE:
    case OCI_HTYPE_TRANS:
    case OCI_HTYPE_DIRPATH_CTX:
    case OCI_HTYPE_DIRPATH_COLUMN_ARRAY:
    case OCI_HTYPE_DIRPATH_STREAM:
      return std::make_unique<Handle>(type, parent);
    case OCI_HTYPE_SPOOL:
      return makeSessionPoolHandle(parent);
    default:
      return nullptr;
  }
}

std::unique_ptr<Handle> makeDescriptor(Handle* parent, ub4 type) {
  switch (type) {
    case OCI_DTYPE_ROWID:
      return std::make_unique<RowidDescriptor>(type, parent);
    case OCI_DTYPE_TIMESTAMP:
    case OCI_DTYPE_TIMESTAMP_TZ:
    case OCI_DTYPE_TIMESTAMP_LTZ:
      return std::make_unique<DateTimeDescriptor>(type, parent);
    case OCI_DTYPE_LOB:
    case OCI_DTYPE_FILE:
      return makeLobLocator(type, parent);
    case OCI_DTYPE_SNAP:
      return std::make_unique<Handle>(type, parent);
    default:
      return nullptr;
  }
}

sword createEnv(OCIEnv** envhpp, ub4 mode) {
  if (envhpp == nullptr) return OCI_INVALID_HANDLE;
  ApiLock lock(apiMutex());
  *envhpp = reinterpret_cast<OCIEnv*>(registerHandle(std::make_unique<EnvHandle>(mode)));
  return OCI_SUCCESS;
}

// Ends a session: commits its work (as Oracle does at a normal logoff) and
// closes the connection.
sword endSession(SessionHandle& session, ErrorHandle* err) {
  if (!session.connection) return fail(err, kNotLoggedOn);
  clearStatementCache(session);
  OraError error;
  const bool committed = session.connection->commit(error);
  session.connection->ended = true;
  session.connection.reset();
  return committed ? OCI_SUCCESS : fail(err, error);
}

}  // namespace

namespace ocistandin {

sword beginSession(SvcCtxHandle& svc, SessionHandle& session, ErrorHandle* err, ub4 credt, ub4 mode,
                   const std::string& poolName) {
  recordSessionBegin(session.username, credt, mode, poolName);
  auto* server = findAs<ServerHandle>(svc.server, OCI_HTYPE_SERVER);
  if (server == nullptr || !server->attached) return fail(err, kNotConnected);
  OraError injected;
  if (takeInjectedError(injected)) return fail(err, injected);
  if (session.connection) return fail(err, OraError{24309, "already connected to a server"});
  if (credt != OCI_CRED_RDBMS) return fail(err, kInvalidLogon);  // no external accounts here
  ClientConfig config;
  resolveAlias(server->alias, &config);
  OraError error;
  std::shared_ptr<Connection> connection(
      openConnection(server->databasePath, config.busyTimeoutMs, error));
  const std::string password = std::move(session.password);
  session.password.assign(password.size(), '\0');
  session.password.clear();
  if (!connection) return fail(err, error);
  int graceDays = 0;
  const LogonResult result =
      checkAccount(*connection, session.username, password, graceDays, error);
  if (result == LogonResult::kDenied || result == LogonResult::kLocked) return fail(err, error);
  // The administrative roles need an account marked privileged.
  if ((mode & (OCI_SYSDBA | OCI_SYSOPER)) != 0 && !accountPrivileged(*connection, connection->user))
    return fail(err, kInsufficientPrivileges);
  session.connection = connection;
  if ((mode & OCI_STMT_CACHE) != 0) session.statementCache = std::make_shared<StatementCache>();
  svc.session = &session;
  if (result == LogonResult::kExpiring) {
    setError(err, kPasswordExpiring,
             "the password will expire within " + std::to_string(graceDays) + " days");
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

}  // namespace ocistandin

extern "C" {

sword OCIInitialize(ub4, dvoid*, OCIMallocFn, OCIReallocFn, OCIFreeFn) {
  return OCI_SUCCESS;
}

sword OCIEnvInit(OCIEnv** envp, ub4 mode, std::size_t, dvoid** usrmempp) {
  if (usrmempp != nullptr) *usrmempp = nullptr;
  return createEnv(envp, mode);
}

sword OCIEnvCreate(OCIEnv** envhpp, ub4 mode, const dvoid*, OCIMallocFn, OCIReallocFn, OCIFreeFn,
                   std::size_t, dvoid** usrmempp) {
  if (usrmempp != nullptr) *usrmempp = nullptr;
  return createEnv(envhpp, mode);
}

sword OCIHandleAlloc(const dvoid* parenth, dvoid** hndlpp, ub4 type, std::size_t,
                     dvoid** usrmempp) {
  ApiLock lock(apiMutex());
  if (usrmempp != nullptr) *usrmempp = nullptr;
  Handle* parent = findAnyHandle(parenth);
  if (parent == nullptr || hndlpp == nullptr) return OCI_INVALID_HANDLE;
  // Direct-path column arrays and streams hang below their context; all
  // other handles below an environment.
  const ub4 wantedParent =
      (type == OCI_HTYPE_DIRPATH_COLUMN_ARRAY || type == OCI_HTYPE_DIRPATH_STREAM)
          ? OCI_HTYPE_DIRPATH_CTX
          : OCI_HTYPE_ENV;
  if (parent->type != wantedParent) return OCI_INVALID_HANDLE;
  std::unique_ptr<Handle> handle = makeHandle(parent, type);
  if (!handle) return OCI_INVALID_HANDLE;
  *hndlpp = registerHandle(std::move(handle));
  return OCI_SUCCESS;
}

sword OCIHandleFree(dvoid* hndlp, ub4 type) {
  ApiLock lock(apiMutex());
  Handle* handle = findHandle(hndlp, type);
  if (handle == nullptr) return OCI_INVALID_HANDLE;
  // Bind and define handles belong to their statement and go with it.
  if (type == OCI_HTYPE_BIND || type == OCI_HTYPE_DEFINE) return OCI_SUCCESS;
  if (type == OCI_HTYPE_SESSION) {
    auto* session = static_cast<SessionHandle*>(handle);
    if (session->connection) {  // freed without OCISessionEnd: nothing is committed
      OraError ignored;
      session->connection->rollback(ignored);
      session->connection->ended = true;
    }
  }
  freeHandle(handle);
  return OCI_SUCCESS;
}

sword OCIDescriptorAlloc(const dvoid* parenth, dvoid** descpp, ub4 type, std::size_t,
                         dvoid** usrmempp) {
  ApiLock lock(apiMutex());
  if (usrmempp != nullptr) *usrmempp = nullptr;
  Handle* parent = findHandle(parenth, OCI_HTYPE_ENV);
  if (parent == nullptr || descpp == nullptr) return OCI_INVALID_HANDLE;
  std::unique_ptr<Handle> descriptor = makeDescriptor(parent, type);
  if (!descriptor) return OCI_INVALID_HANDLE;
  *descpp = registerHandle(std::move(descriptor))->address();
  return OCI_SUCCESS;
}

sword OCIDescriptorFree(dvoid* descp, ub4 type) {
  ApiLock lock(apiMutex());
  Handle* descriptor = findHandle(descp, type);
  if (descriptor == nullptr || type < OCI_DTYPE_LOB) return OCI_INVALID_HANDLE;
  freeHandle(descriptor);
  return OCI_SUCCESS;
}

sword OCIErrorGet(dvoid* hndlp, ub4 recordno, text* sqlstate, sb4* errcodep, text* bufp, ub4 bufsiz,
                  ub4 type) {
  ApiLock lock(apiMutex());
  const ErrorRecord* record = nullptr;
  if (type == OCI_HTYPE_ERROR) {
    auto* err = findAs<ErrorHandle>(hndlp, OCI_HTYPE_ERROR);
    if (err == nullptr) return OCI_INVALID_HANDLE;
    if (err->record) record = &*err->record;
  } else if (type == OCI_HTYPE_ENV) {
    auto* env = findAs<EnvHandle>(hndlp, OCI_HTYPE_ENV);
    if (env == nullptr) return OCI_INVALID_HANDLE;
    if (env->record) record = &*env->record;
  } else {
    return OCI_INVALID_HANDLE;
  }
  if (record == nullptr || recordno != 1) return OCI_NO_DATA;
  if (sqlstate != nullptr) std::memcpy(sqlstate, "HY000", 6);
  if (errcodep != nullptr) *errcodep = record->code;
  if (bufp != nullptr && bufsiz > 0) {
    const size_t n = std::min<size_t>(record->message.size(), bufsiz - 1);
    std::memcpy(bufp, record->message.data(), n);
    bufp[n] = '\0';
  }
  return OCI_SUCCESS;
}

sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const text* dblink, sb4 dblink_len, ub4) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* server = findAs<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
  if (err == nullptr || server == nullptr) return OCI_INVALID_HANDLE;
  OraError injected;
  if (takeInjectedError(injected)) return fail(err, injected);
  std::string alias;
  if (dblink != nullptr)
    alias = dblink_len <= 0 ? reinterpret_cast<const char*>(dblink)
                            : std::string(reinterpret_cast<const char*>(dblink),
                                          static_cast<size_t>(dblink_len));
  const auto path = resolveAlias(alias, nullptr);
  if (!path) return fail(err, kTnsUnresolved);
  server->alias = alias;
  server->databasePath = *path;
  server->attached = true;
  return OCI_SUCCESS;
}

sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* server = findAs<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
  if (err == nullptr || server == nullptr) return OCI_INVALID_HANDLE;
  if (!server->attached) return fail(err, kNotConnected);
  server->attached = false;
  return OCI_SUCCESS;
}

sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  auto* session = findAs<SessionHandle>(usrhp, OCI_HTYPE_SESSION);
  if (err == nullptr || svc == nullptr || session == nullptr) return OCI_INVALID_HANDLE;
  return beginSession(*svc, *session, err, credt, mode, {});
}

sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (err == nullptr || svc == nullptr) return OCI_INVALID_HANDLE;
  auto* session = findAs<SessionHandle>(usrhp != nullptr ? static_cast<void*>(usrhp) : svc->session,
                                        OCI_HTYPE_SESSION);
  if (session == nullptr) return OCI_INVALID_HANDLE;
  return endSession(*session, err);
}

sword OCIServerVersion(dvoid* hndlp, OCIError* errhp, text* bufp, ub4 bufsz, ub1 hndltype) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  ServerHandle* server = nullptr;
  if (hndltype == OCI_HTYPE_SERVER) {
    server = findAs<ServerHandle>(hndlp, OCI_HTYPE_SERVER);
    if (server == nullptr) return OCI_INVALID_HANDLE;
  } else if (hndltype == OCI_HTYPE_SVCCTX) {
    auto* svc = findAs<SvcCtxHandle>(hndlp, OCI_HTYPE_SVCCTX);
    if (svc == nullptr) return OCI_INVALID_HANDLE;
    server = findAs<ServerHandle>(svc->server, OCI_HTYPE_SERVER);
  } else {
    return OCI_INVALID_HANDLE;
  }
  if (server == nullptr || !server->attached) return fail(err, kNotConnected);
  const std::string version =
      "SQLite stand-in database Release 19.0.0.0.0 - Production\nVersion 19.0.0.0.0 (SQLite " +
      std::string(sqlite3_libversion()) + ")";
  if (bufp != nullptr && bufsz > 0) {
    const size_t n = std::min<size_t>(version.size(), bufsz - 1);
    std::memcpy(bufp, version.data(), n);
    bufp[n] = '\0';
  }
  return OCI_SUCCESS;
}

sword OCIBreak(dvoid* hndlp, OCIError* errhp) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  // Calls run to completion before they return, so there is never a call in
  // progress to interrupt.
  if (findHandle(hndlp, OCI_HTYPE_SVCCTX) == nullptr &&
      findHandle(hndlp, OCI_HTYPE_SERVER) == nullptr)
    return OCI_INVALID_HANDLE;
  return OCI_SUCCESS;
}

sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const text* username,
               ub4 uname_len, const text* password, ub4 passwd_len, const text* dbname,
               ub4 dbname_len) {
  ApiLock lock(apiMutex());
  auto* env = findAs<EnvHandle>(envhp, OCI_HTYPE_ENV);
  ErrorHandle* err = beginCall(errhp);
  if (env == nullptr || err == nullptr || svchp == nullptr) return OCI_INVALID_HANDLE;
  auto* svc = registerHandle(std::make_unique<SvcCtxHandle>(OCI_HTYPE_SVCCTX, env));
  auto* server = registerHandle(std::make_unique<ServerHandle>(OCI_HTYPE_SERVER, svc));
  auto* session = registerHandle(std::make_unique<SessionHandle>(OCI_HTYPE_SESSION, svc));
  svc->server = server;
  svc->ownsLogon = true;
  auto str = [](const text* t, ub4 n) {
    return t == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(t), n);
  };
  session->username = str(username, uname_len);
  session->password = str(password, passwd_len);
  const std::string db = str(dbname, dbname_len);
  sword rc = OCIServerAttach(reinterpret_cast<OCIServer*>(server), errhp,
                             reinterpret_cast<const text*>(db.c_str()), static_cast<sb4>(db.size()),
                             OCI_DEFAULT);
  if (rc == OCI_SUCCESS)
    rc = OCISessionBegin(reinterpret_cast<OCISvcCtx*>(svc), errhp,
                         reinterpret_cast<OCISession*>(session), OCI_CRED_RDBMS, OCI_DEFAULT);
  if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) {
    freeHandle(svc);
    return rc;
  }
  *svchp = reinterpret_cast<OCISvcCtx*>(svc);
  return rc;
}

sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (err == nullptr || svc == nullptr) return OCI_INVALID_HANDLE;
  sword rc = OCI_SUCCESS;
  if (auto* session = findAs<SessionHandle>(svc->session, OCI_HTYPE_SESSION))
    rc = endSession(*session, err);
  if (svc->ownsLogon) freeHandle(svc);
  return rc;
}

}  // extern "C"
