// OCISessionPoolCreate, OCISessionGet, OCISessionRelease and
// OCISessionPoolDestroy.
#include "session_pool.h"

#include <algorithm>
#include <functional>

#include "api_support.h"
#include "config.h"
#include "connection.h"

using namespace ocistandin;

namespace {

// The pools created and not yet destroyed, found by name.
std::vector<SessionPoolHandle*>& livePools() {
  static std::vector<SessionPoolHandle*> pools;
  return pools;
}

int& poolCounter() {
  static int counter = 0;
  return counter;
}

std::string textOf(const OraText* text, ub4 length) {
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), length);
}

// Keeps a stored secret from lingering in freed memory.
void wipe(std::string& secret) {
  std::fill(secret.begin(), secret.end(), '\0');
  secret.clear();
}

std::size_t digest(const std::string& user, const std::string& password) {
  return std::hash<std::string>{}(user + '\n' + password);
}

// Ends the member's session (committing, as a logoff does) and frees its
// handles.
void dropMember(const SessionPoolHandle::Member& member, ErrorHandle* err) {
  if (findHandle(member.svc, OCI_HTYPE_SVCCTX) == nullptr) return;
  if (auto* session = findAs<SessionHandle>(member.svc->session, OCI_HTYPE_SESSION);
      session != nullptr && session->connection) {
    OCISessionEnd(reinterpret_cast<OCISvcCtx*>(member.svc), reinterpret_cast<OCIError*>(err),
                  reinterpret_cast<OCISession*>(session), OCI_DEFAULT);
  }
  freeHandle(member.svc);
}

void destroyPool(SessionPoolHandle& pool, ErrorHandle* err) {
  for (const auto& member : pool.members) dropMember(member, err);
  pool.members.clear();
  wipe(pool.password);
  pool.created = false;
  auto& pools = livePools();
  pools.erase(std::remove(pools.begin(), pools.end(), &pool), pools.end());
}

// A new session of the pool: its own service context, server and session,
// attached to the pool's database and begun with the given credentials.
sword newMember(SessionPoolHandle& pool, ErrorHandle* err, const std::string& user,
                const std::string& password, SvcCtxHandle*& out) {
  auto* env = pool.parent;
  auto* svc = registerHandle(std::make_unique<SvcCtxHandle>(OCI_HTYPE_SVCCTX, env));
  auto* server = registerHandle(std::make_unique<ServerHandle>(OCI_HTYPE_SERVER, svc));
  auto* session = registerHandle(std::make_unique<SessionHandle>(OCI_HTYPE_SESSION, svc));
  svc->server = server;
  session->username = user;
  session->password = password;
  sword rc = OCIServerAttach(reinterpret_cast<OCIServer*>(server), reinterpret_cast<OCIError*>(err),
                             reinterpret_cast<const text*>(pool.alias.c_str()),
                             static_cast<sb4>(pool.alias.size()), OCI_DEFAULT);
  if (rc == OCI_SUCCESS)
    rc = beginSession(*svc, *session, err, OCI_CRED_RDBMS,
                      pool.statementCache ? OCI_STMT_CACHE : OCI_DEFAULT, pool.name);
  wipe(session->password);
  if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) {
    freeHandle(svc);
    return rc;
  }
  out = svc;
  return rc;
}

}  // namespace

namespace ocistandin {

SessionPoolHandle::~SessionPoolHandle() {
  // Freed without OCISessionPoolDestroy: its sessions go with it.
  if (created) destroyPool(*this, nullptr);
}

std::unique_ptr<Handle> makeSessionPoolHandle(Handle* parent) {
  return std::make_unique<SessionPoolHandle>(OCI_HTYPE_SPOOL, parent);
}

}  // namespace ocistandin

extern "C" {

sword OCISessionPoolCreate(OCIEnv* envhp, OCIError* errhp, OCISPool* spoolhp, OraText** poolName,
                           ub4* poolNameLen, const OraText* connStr, ub4 connStrLen, ub4, ub4, ub4,
                           OraText* userid, ub4 useridLen, OraText* password, ub4 passwordLen,
                           ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* pool = findAs<SessionPoolHandle>(spoolhp, OCI_HTYPE_SPOOL);
  if (err == nullptr || pool == nullptr || findHandle(envhp, OCI_HTYPE_ENV) != pool->parent ||
      poolName == nullptr || poolNameLen == nullptr)
    return OCI_INVALID_HANDLE;
  if (pool->created) return fail(err, OraError{24411, "Session pool already exists."});
  const std::string alias = textOf(connStr, connStrLen);
  if (!resolveAlias(alias, nullptr)) return fail(err, kTnsUnresolved);
  pool->alias = alias;
  pool->homogeneous = (mode & OCI_SPC_HOMOGENEOUS) != 0;
  pool->statementCache = (mode & OCI_SPC_STMTCACHE) != 0;
  pool->user = textOf(userid, useridLen);
  wipe(pool->password);
  pool->password = textOf(password, passwordLen);
  pool->name = "SPOOL" + std::to_string(++poolCounter());
  pool->created = true;
  livePools().push_back(pool);
  *poolName = reinterpret_cast<OraText*>(pool->name.data());
  *poolNameLen = static_cast<ub4>(pool->name.size());
  return OCI_SUCCESS;
}

sword OCISessionPoolDestroy(OCISPool* spoolhp, OCIError* errhp, ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* pool = findAs<SessionPoolHandle>(spoolhp, OCI_HTYPE_SPOOL);
  if (err == nullptr || pool == nullptr) return OCI_INVALID_HANDLE;
  if (!pool->created) return fail(err, OraError{24418, "Cannot open further sessions."});
  const bool busy = std::any_of(pool->members.begin(), pool->members.end(),
                                [](const auto& member) { return member.busy; });
  if (busy && (mode & OCI_SPD_FORCE) == 0)
    return fail(err, OraError{24422, "error occurred while trying to destroy the Session Pool"});
  destroyPool(*pool, err);
  return OCI_SUCCESS;
}

sword OCISessionGet(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, OCIAuthInfo* authhp,
                    OraText* poolName, ub4 poolName_len, const OraText*, ub4, OraText** retTagInfo,
                    ub4* retTagInfo_len, boolean* found, ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr || findHandle(envhp, OCI_HTYPE_ENV) == nullptr || svchp == nullptr)
    return OCI_INVALID_HANDLE;
  if (retTagInfo != nullptr) *retTagInfo = nullptr;
  if (retTagInfo_len != nullptr) *retTagInfo_len = 0;
  if (found != nullptr) *found = 0;
  // Only sessions of a session pool are served here.
  if ((mode & OCI_SESSGET_SPOOL) == 0) return fail(err, kUnimplemented);
  const std::string name = textOf(poolName, poolName_len);
  auto& pools = livePools();
  const auto it = std::find_if(pools.begin(), pools.end(),
                               [&](SessionPoolHandle* pool) { return pool->name == name; });
  if (it == pools.end())
    return fail(err, OraError{24416, "Invalid session Poolname was specified."});
  SessionPoolHandle& pool = **it;
  // A homogeneous pool logs every session on with its own credentials.
  std::string user = pool.user, password = pool.password;
  if (!pool.homogeneous) {
    auto* auth = findAs<SessionHandle>(authhp, OCI_HTYPE_AUTHINFO);
    if (auth == nullptr) return OCI_INVALID_HANDLE;
    user = auth->username;
    password = auth->password;
  }
  const std::size_t secret = digest(user, password);
  for (auto& member : pool.members) {
    if (member.busy || member.user != user || member.secretDigest != secret) continue;
    member.busy = true;
    wipe(password);
    if (found != nullptr) *found = 1;
    *svchp = reinterpret_cast<OCISvcCtx*>(member.svc);
    return OCI_SUCCESS;
  }
  SvcCtxHandle* svc = nullptr;
  const sword rc = newMember(pool, err, user, password, svc);
  wipe(password);
  if (svc == nullptr) return rc;
  pool.members.push_back({svc, user, secret, true});
  *svchp = reinterpret_cast<OCISvcCtx*>(svc);
  return rc;
}

sword OCISessionRelease(OCISvcCtx* svchp, OCIError* errhp, OraText*, ub4, ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  for (SessionPoolHandle* pool : livePools()) {
    auto& members = pool->members;
    const auto it = std::find_if(members.begin(), members.end(), [&](const auto& member) {
      return member.svc == reinterpret_cast<SvcCtxHandle*>(svchp);
    });
    if (it == members.end()) continue;
    if ((mode & OCI_SESSRLS_DROPSESS) != 0) {
      const auto member = *it;
      members.erase(it);
      dropMember(member, err);
    } else {
      // Back to the pool; work left uncommitted is not carried over.
      if (auto* session = findAs<SessionHandle>(it->svc->session, OCI_HTYPE_SESSION);
          session != nullptr && session->connection) {
        OraError ignored;
        session->connection->rollback(ignored);
      }
      it->busy = false;
    }
    return OCI_SUCCESS;
  }
  return OCI_INVALID_HANDLE;
}

}  // extern "C"
