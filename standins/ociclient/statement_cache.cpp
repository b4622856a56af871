// OCIStmtPrepare2 and OCIStmtRelease over the per-session statement cache.
#include "statement_cache.h"

#include <atomic>

#include "api_support.h"
#include "ociclient_testing.h"
#include "statement.h"

namespace ocistandin {
namespace {

std::atomic<int> sqlitePrepares{0};

StatementCache* cacheOf(SvcCtxHandle& svc) {
  auto* session = findAs<SessionHandle>(svc.session, OCI_HTYPE_SESSION);
  return session != nullptr ? session->statementCache.get() : nullptr;
}

// Drops entries whose statement is gone and frees the least recently used
// ones beyond `capacity`.
void trim(StatementCache& cache, std::size_t capacity) {
  cache.idle.remove_if(
      [](StmtHandle* stmt) { return findHandle(stmt, OCI_HTYPE_STMT) == nullptr; });
  while (cache.idle.size() > capacity) {
    freeHandle(cache.idle.back());
    cache.idle.pop_back();
  }
}

// A cached statement of `svc` with `text`, taken out of the cache and made
// ready for new binds and defines; null when there is none.
StmtHandle* takeCached(StatementCache& cache, SvcCtxHandle& svc, const std::string& sql) {
  for (auto it = cache.idle.begin(); it != cache.idle.end(); ++it) {
    StmtHandle* stmt = *it;
    if (stmt->parent != &svc || stmt->text != sql) continue;
    cache.idle.erase(it);
    while (!stmt->children.empty()) freeHandle(stmt->children.back());
    stmt->binds.clear();
    stmt->defines.clear();
    stmt->executed = false;
    stmt->resetCursor();
    return stmt;
  }
  return nullptr;
}

}  // namespace

void clearStatementCache(SessionHandle& session) {
  if (session.statementCache) trim(*session.statementCache, 0);
}

void countSqlitePrepare() {
  ++sqlitePrepares;
}

}  // namespace ocistandin

using namespace ocistandin;

extern "C" {

sword OCIStmtPrepare2(OCISvcCtx* svchp, OCIStmt** stmtp, OCIError* errhp, const OraText* stmt,
                      ub4 stmt_len, const OraText*, ub4, ub4 language, ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (err == nullptr || svc == nullptr || stmtp == nullptr) return OCI_INVALID_HANDLE;
  if (stmt == nullptr) return fail(err, kInvalidSqlStatement);
  const std::string sql(reinterpret_cast<const char*>(stmt), stmt_len);
  if (StatementCache* cache = cacheOf(*svc)) {
    trim(*cache, svc->statementCacheSize);
    if (StmtHandle* cached = takeCached(*cache, *svc, sql)) {
      *stmtp = reinterpret_cast<OCIStmt*>(cached);
      return OCI_SUCCESS;
    }
  }
  auto* handle = registerHandle(std::make_unique<StmtHandle>(OCI_HTYPE_STMT, svc));
  *stmtp = reinterpret_cast<OCIStmt*>(handle);
  return OCIStmtPrepare(*stmtp, errhp, stmt, stmt_len, language, mode);
}

sword OCIStmtRelease(OCIStmt* stmtp, OCIError* errhp, const OraText*, ub4, ub4) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* handle = findAs<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (err == nullptr || handle == nullptr) return OCI_INVALID_HANDLE;
  auto* svc = findAs<SvcCtxHandle>(handle->parent, OCI_HTYPE_SVCCTX);
  StatementCache* cache = svc != nullptr ? cacheOf(*svc) : nullptr;
  if (cache == nullptr || svc->statementCacheSize == 0 || !handle->prepared) {
    freeHandle(handle);
    return OCI_SUCCESS;
  }
  // One cached statement per text: an older one of the same text goes.
  cache->idle.remove_if([&](StmtHandle* other) {
    if (findHandle(other, OCI_HTYPE_STMT) == nullptr) return true;
    if (other->parent != svc || other->text != handle->text) return false;
    freeHandle(other);
    return true;
  });
  cache->idle.push_front(handle);
  trim(*cache, svc->statementCacheSize);
  return OCI_SUCCESS;
}

int ociStandin_PrepareCount(void) {
  return sqlitePrepares.load();
}

}  // extern "C"
