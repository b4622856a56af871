// OCIStmtPrepare, OCIStmtExecute and the transaction calls
// (OCIStmtPrepare2/OCIStmtRelease: statement_cache.cpp).
#include "api_support.h"
#include "statement.h"

using namespace ocistandin;

namespace {

sword transaction(OCISvcCtx* svchp, OCIError* errhp, bool commit) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (err == nullptr || svc == nullptr) return OCI_INVALID_HANDLE;
  const auto connection = connectionOf(*svc);
  if (!connection) return fail(err, kNotConnected);
  OraError injected;
  if (takeInjectedError(injected)) return fail(err, injected);
  OraError error;
  const bool ok = commit ? connection->commit(error) : connection->rollback(error);
  return ok ? OCI_SUCCESS : fail(err, error);
}

}  // namespace

extern "C" {

sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const text* stmt, ub4 stmt_len, ub4, ub4) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* handle = findAs<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (err == nullptr || handle == nullptr) return OCI_INVALID_HANDLE;
  if (stmt == nullptr) return fail(err, kInvalidSqlStatement);
  return prepareStatement(*handle, err, std::string(reinterpret_cast<const char*>(stmt), stmt_len));
}

sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot*, OCISnapshot*, ub4 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  auto* stmt = findAs<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (err == nullptr || svc == nullptr || stmt == nullptr) return OCI_INVALID_HANDLE;
  return executeStatement(*svc, *stmt, err, iters, rowoff, mode);
}

sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  return transaction(svchp, errhp, true);
}

sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  return transaction(svchp, errhp, false);
}

sword OCITransStart(OCISvcCtx* svchp, OCIError* errhp, uword, ub4) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr || findHandle(svchp, OCI_HTYPE_SVCCTX) == nullptr) return OCI_INVALID_HANDLE;
  // Transactions begin by themselves at the first change.
  return OCI_SUCCESS;
}

}  // extern "C"
