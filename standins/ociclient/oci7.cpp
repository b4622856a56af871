// The OCI7 calls, run over the same statement engine as the OCI8 ones: a
// logon data area stands for an environment, server, service context and
// user session, a cursor data area for a statement and its error handle. The
// outcome of each call goes into the area (oci7_area_layout.h) and is
// answered: 0, or the Oracle error number.
//
// Only the OCI7 build of the client exports these names (exports_oci7.map,
// OCISTANDIN_OCI7); the default build has none of them.
#ifdef OCISTANDIN_OCI7

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "api_support.h"
#include "errors.h"
#include "platform/oci/oci7_area_layout.h"
#include "platform/oci/oci_api.h"
#include "platform/oci/oci_rowid_layout.h"
#include "statement.h"

namespace ocistandin {
namespace {

constexpr sb4 kNoDataFound = 1403;
constexpr sb4 kNotInSelectList = 1007;

struct Logon {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCIServer* server = nullptr;
  OCISvcCtx* svc = nullptr;
  OCISession* session = nullptr;
  bool attached = false;
  bool begun = false;
  bool autoCommit = false;
};

struct Cursor {
  Logon* logon = nullptr;
  OCIError* err = nullptr;
  OCIStmt* stmt = nullptr;
  bool select = false;
  bool described = false;
};

struct Areas {
  std::mutex mutex;
  std::map<const void*, std::unique_ptr<Logon>> logons;
  std::map<const void*, std::unique_ptr<Cursor>> cursors;
  std::map<sb4, std::string> texts;  // the last text of each error number, for oerhms
};

Areas& areas() {
  static Areas instance;
  return instance;
}

Logon* findLogon(const void* lda) {
  std::lock_guard lock(areas().mutex);
  auto it = areas().logons.find(lda);
  return it == areas().logons.end() ? nullptr : it->second.get();
}

Cursor* findCursor(const void* cda) {
  std::lock_guard lock(areas().mutex);
  auto it = areas().cursors.find(cda);
  return it == areas().cursors.end() ? nullptr : it->second.get();
}

sword answer(void* area, sb4 code, const std::string& text) {
  {
    std::lock_guard lock(areas().mutex);
    areas().texts[code] = text;
  }
  oci7area::Write<ub2>(area, oci7area::kReturnCode, static_cast<ub2>(code));
  oci7area::Write<ub1>(area, oci7area::kWarningFlags, 0);
  return static_cast<sword>(code);
}

sword answer(void* area, sb4 code) {
  return answer(area, code, formatMessage(code, standardText(code)));
}

// Turns the status of an OCI8 call into the area's outcome. A truncated
// value (24345 with information) is ORA-01406 here, as OCI7 reports it.
sword outcome(void* area, OCIError* err, sword status) {
  if (status == OCI_SUCCESS) {
    oci7area::Write<ub2>(area, oci7area::kReturnCode, 0);
    oci7area::Write<ub1>(area, oci7area::kWarningFlags, 0);
    return 0;
  }
  if (status == OCI_INVALID_HANDLE) return answer(area, kInvalidCursor);
  sb4 code = 0;
  text message[4001] = {};
  OCIErrorGet(err, 1, nullptr, &code, message, sizeof message, OCI_HTYPE_ERROR);
  if (status == OCI_SUCCESS_WITH_INFO) {
    if (code == kTruncationOrNull) return answer(area, kTruncated);
    if (code != kPasswordExpiring) {
      oci7area::Write<ub2>(area, oci7area::kReturnCode, 0);
      oci7area::Write<ub1>(area, oci7area::kWarningFlags, 1);
      return 0;
    }
  }
  if (status == OCI_NO_DATA) code = kNoDataFound;
  return answer(area, code, reinterpret_cast<const char*>(message));
}

std::string textOf(const OraText* value, sword length) {
  if (value == nullptr) return {};
  const char* chars = reinterpret_cast<const char*>(value);
  return length < 0 ? std::string(chars) : std::string(chars, static_cast<size_t>(length));
}

void freeLogon(Logon& l) {
  if (l.begun) OCISessionEnd(l.svc, l.err, l.session, OCI_DEFAULT);
  if (l.attached) OCIServerDetach(l.server, l.err, OCI_DEFAULT);
  if (l.env != nullptr) OCIHandleFree(l.env, OCI_HTYPE_ENV);  // frees its children
  l = Logon{};
}

sword logOn(Lda_Def* lda, const std::string& uid, const std::string& password,
            const std::string& connect) {
  // "user/password@database" in the user text, unless given apart.
  std::string user = uid, pass = password, database = connect;
  if (const size_t at = user.find('@'); at != std::string::npos) {
    if (database.empty()) database = user.substr(at + 1);
    user.erase(at);
  }
  if (const size_t slash = user.find('/'); slash != std::string::npos) {
    if (pass.empty()) pass = user.substr(slash + 1);
    user.erase(slash);
  }
  auto l = std::make_unique<Logon>();
  sword status = OCIEnvCreate(&l->env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  for (auto [handle, type] :
       {std::pair<void**, ub4>{reinterpret_cast<void**>(&l->err), OCI_HTYPE_ERROR},
        {reinterpret_cast<void**>(&l->server), OCI_HTYPE_SERVER},
        {reinterpret_cast<void**>(&l->svc), OCI_HTYPE_SVCCTX},
        {reinterpret_cast<void**>(&l->session), OCI_HTYPE_SESSION}}) {
    if (status == OCI_SUCCESS) status = OCIHandleAlloc(l->env, handle, type, 0, nullptr);
  }
  if (status != OCI_SUCCESS) {
    freeLogon(*l);
    return answer(lda, kInternalError);
  }
  status = OCIServerAttach(l->server, l->err, reinterpret_cast<const text*>(database.data()),
                           static_cast<sb4>(database.size()), OCI_DEFAULT);
  l->attached = status == OCI_SUCCESS;
  if (status == OCI_SUCCESS)
    status = OCIAttrSet(l->svc, OCI_HTYPE_SVCCTX, l->server, 0, OCI_ATTR_SERVER, l->err);
  if (status == OCI_SUCCESS)
    status = OCIAttrSet(l->svc, OCI_HTYPE_SVCCTX, l->session, 0, OCI_ATTR_SESSION, l->err);
  if (status == OCI_SUCCESS)
    status = OCIAttrSet(l->session, OCI_HTYPE_SESSION, user.data(), static_cast<ub4>(user.size()),
                        OCI_ATTR_USERNAME, l->err);
  if (status == OCI_SUCCESS)
    status = OCIAttrSet(l->session, OCI_HTYPE_SESSION, pass.data(), static_cast<ub4>(pass.size()),
                        OCI_ATTR_PASSWORD, l->err);
  if (status == OCI_SUCCESS)
    status = OCISessionBegin(l->svc, l->err, l->session, OCI_CRED_RDBMS, OCI_DEFAULT);
  l->begun = status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
  const sword rc = outcome(lda, l->err, status);
  if (!l->begun) {
    freeLogon(*l);
    return rc;
  }
  std::lock_guard lock(areas().mutex);
  if (auto old = areas().logons.find(lda); old != areas().logons.end()) freeLogon(*old->second);
  areas().logons[lda] = std::move(l);
  return rc;
}

// The ROWID of the row the statement processed last, as the area holds it
// (all zero when there is none).
void writeRowid(cda_def* cda, Cursor& c) {
  OCIRowidLayout layout{};
  void* descriptor = nullptr;
  if (OCIDescriptorAlloc(c.logon->env, &descriptor, OCI_DTYPE_ROWID, 0, nullptr) == OCI_SUCCESS) {
    if (OCIAttrGet(c.stmt, OCI_HTYPE_STMT, descriptor, nullptr, OCI_ATTR_ROWID, c.err) ==
        OCI_SUCCESS)
      std::memcpy(&layout, descriptor, sizeof layout);
    OCIDescriptorFree(descriptor, OCI_DTYPE_ROWID);
  }
  const bool has =
      layout.tag == kOCIRowidTag && layout.kind != static_cast<ub1>(OCIRowidKind::None);
  oci7area::Write<ub4>(cda, oci7area::kRowIdObject, has ? layout.objectNumber : 0);
  oci7area::Write<ub2>(cda, oci7area::kRowIdFile, has ? layout.relativeFile : 0);
  oci7area::Write<ub4>(cda, oci7area::kRowIdBlock, has ? layout.block : 0);
  oci7area::Write<ub2>(cda, oci7area::kRowIdRow, has ? layout.row : 0);
}

sword execute(cda_def* cda, Cursor& c, ub4 iterations, ub4 offset) {
  const ub4 mode = c.logon->autoCommit && !c.select ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT;
  const sword status =
      OCIStmtExecute(c.logon->svc, c.stmt, c.err, iterations, offset, nullptr, nullptr, mode);
  ub4 rows = 0;
  OCIAttrGet(c.stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, c.err);
  ub2 function = 0;
  OCIAttrGet(c.stmt, OCI_HTYPE_STMT, &function, nullptr, OCI_ATTR_SQLFNCODE, c.err);
  oci7area::Write<ub4>(cda, oci7area::kRowsProcessed, rows);
  oci7area::Write<ub2>(cda, oci7area::kFunctionType, function);
  writeRowid(cda, c);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    ub2 offsetOfError = 0;
    OCIAttrGet(c.stmt, OCI_HTYPE_STMT, &offsetOfError, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, c.err);
    oci7area::Write<ub2>(cda, oci7area::kParseErrorOffset, offsetOfError);
  }
  return outcome(cda, c.err, status);
}

sword fetch(cda_def* cda, Cursor& c, ub4 rows) {
  const sword status = OCIStmtFetch(c.stmt, c.err, rows, OCI_FETCH_NEXT, OCI_DEFAULT);
  ub4 total = 0;
  OCIAttrGet(c.stmt, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, c.err);
  oci7area::Write<ub4>(cda, oci7area::kRowsProcessed, total);
  return outcome(cda, c.err, status);
}

}  // namespace
}  // namespace ocistandin

using namespace ocistandin;

extern "C" {

sword opinit(ub4) {
  return 0;
}

sword olog(Lda_Def* lda, ub1*, OraText* uid, sword uidl, OraText* pswd, sword pswdl, OraText* conn,
           sword connl, ub4) {
  return logOn(lda, textOf(uid, uidl), textOf(pswd, pswdl), textOf(conn, connl));
}

sword orlon(Lda_Def* lda, ub1*, OraText* uid, sword uidl, OraText* pswd, sword pswdl, sword) {
  return logOn(lda, textOf(uid, uidl), textOf(pswd, pswdl), {});
}

sword ologof(Lda_Def* lda) {
  std::unique_ptr<Logon> l;
  {
    std::lock_guard lock(areas().mutex);
    auto it = areas().logons.find(lda);
    if (it != areas().logons.end()) {
      l = std::move(it->second);
      areas().logons.erase(it);
    }
  }
  if (!l) return answer(lda, kNotLoggedOn);
  const sword status = OCISessionEnd(l->svc, l->err, l->session, OCI_DEFAULT);
  l->begun = false;
  const sword rc = outcome(lda, l->err, status);
  freeLogon(*l);
  return rc;
}

sword oerhms(Lda_Def*, sb2 rcode, OraText* buf, sword bufsiz) {
  std::string message;
  {
    std::lock_guard lock(areas().mutex);
    auto it = areas().texts.find(rcode);
    if (it != areas().texts.end()) message = it->second;
  }
  if (message.empty()) message = formatMessage(rcode, standardText(rcode));
  if (buf == nullptr || bufsiz <= 0) return 0;
  const size_t n = std::min(message.size(), static_cast<size_t>(bufsiz) - 1);
  std::memcpy(buf, message.data(), n);
  buf[n] = 0;
  return static_cast<sword>(n);
}

sword ocom(Lda_Def* lda) {
  Logon* l = findLogon(lda);
  if (l == nullptr) return answer(lda, kNotLoggedOn);
  return outcome(lda, l->err, OCITransCommit(l->svc, l->err, OCI_DEFAULT));
}

sword orol(Lda_Def* lda) {
  Logon* l = findLogon(lda);
  if (l == nullptr) return answer(lda, kNotLoggedOn);
  return outcome(lda, l->err, OCITransRollback(l->svc, l->err, OCI_DEFAULT));
}

sword ocon(Lda_Def* lda) {
  Logon* l = findLogon(lda);
  if (l == nullptr) return answer(lda, kNotLoggedOn);
  l->autoCommit = true;
  return outcome(lda, l->err, OCI_SUCCESS);
}

sword ocof(Lda_Def* lda) {
  Logon* l = findLogon(lda);
  if (l == nullptr) return answer(lda, kNotLoggedOn);
  l->autoCommit = false;
  return outcome(lda, l->err, OCI_SUCCESS);
}

sword obreak(Lda_Def* lda) {
  return findLogon(lda) == nullptr ? answer(lda, kNotLoggedOn) : 0;
}

sword odessp(Lda_Def* lda, OraText*, size_t, ub1*, size_t, ub1*, size_t, ub2*, ub2*, ub2*,
             OraText**, ub2*, ub2*, ub1*, ub1*, ub4*, sb2*, sb2*, ub1*, ub4*, ub4*) {
  return answer(lda, kUnimplemented);
}

sword oopen(cda_def* cda, Lda_Def* lda, OraText*, sword, sword, OraText*, sword) {
  std::memset(cda, 0, oci7area::kSize);
  Logon* l = findLogon(lda);
  if (l == nullptr) return answer(cda, kNotLoggedOn);
  auto c = std::make_unique<Cursor>();
  c->logon = l;
  if (OCIHandleAlloc(l->env, reinterpret_cast<void**>(&c->err), OCI_HTYPE_ERROR, 0, nullptr) !=
      OCI_SUCCESS)
    return answer(cda, kInternalError);
  std::lock_guard lock(areas().mutex);
  areas().cursors[cda] = std::move(c);
  return 0;
}

sword oclose(cda_def* cda) {
  std::unique_ptr<Cursor> c;
  {
    std::lock_guard lock(areas().mutex);
    auto it = areas().cursors.find(cda);
    if (it == areas().cursors.end()) return answer(cda, kInvalidCursor);
    c = std::move(it->second);
    areas().cursors.erase(it);
  }
  if (c->stmt != nullptr) OCIHandleFree(c->stmt, OCI_HTYPE_STMT);
  OCIHandleFree(c->err, OCI_HTYPE_ERROR);
  return 0;
}

sword oparse(cda_def* cda, OraText* sqlstm, sb4 sqllen, sword, ub4) {
  Cursor* c = findCursor(cda);
  if (c == nullptr) return answer(cda, kInvalidCursor);
  if (c->stmt != nullptr) OCIHandleFree(c->stmt, OCI_HTYPE_STMT);
  c->stmt = nullptr;
  c->select = c->described = false;
  if (OCIHandleAlloc(c->logon->env, reinterpret_cast<void**>(&c->stmt), OCI_HTYPE_STMT, 0,
                     nullptr) != OCI_SUCCESS)
    return answer(cda, kInternalError);
  const std::string sql = textOf(sqlstm, static_cast<sword>(sqllen));
  const sword status = OCIStmtPrepare(c->stmt, c->err, reinterpret_cast<const text*>(sql.data()),
                                      static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
  if (status != OCI_SUCCESS) return outcome(cda, c->err, status);
  ub2 type = 0, function = 0;
  OCIAttrGet(c->stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, c->err);
  OCIAttrGet(c->stmt, OCI_HTYPE_STMT, &function, nullptr, OCI_ATTR_SQLFNCODE, c->err);
  c->select = type == OCI_STMT_SELECT;
  oci7area::Write<ub2>(cda, oci7area::kFunctionType, function);
  oci7area::Write<ub4>(cda, oci7area::kRowsProcessed, 0);
  return outcome(cda, c->err, OCI_SUCCESS);
}

sword obndra(cda_def* cda, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
             sword, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz, ub4* cursiz, OraText*, sword,
             sword) {
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  OCIBind* bind = nullptr;
  return outcome(
      cda, c->err,
      OCIBindByName(c->stmt, &bind, c->err, sqlvar, sqlvl, progv, progvl, static_cast<ub2>(ftype),
                    indp, alen, arcode, maxsiz, cursiz, OCI_DEFAULT));
}

sword odescr(cda_def* cda, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf, sb4* cbufl, sb4* dsize,
             sb2* prec, sb2* scale, sb2* nullok) {
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  if (!c->select) return answer(cda, kNotInSelectList);
  if (!c->described) {
    const sword status =
        OCIStmtExecute(c->logon->svc, c->stmt, c->err, 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY);
    if (status != OCI_SUCCESS) return outcome(cda, c->err, status);
    c->described = true;
  }
  ub4 count = 0;
  OCIAttrGet(c->stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, c->err);
  if (pos < 1 || static_cast<ub4>(pos) > count) return answer(cda, kNotInSelectList);
  OCIParam* param = nullptr;
  sword status = OCIParamGet(c->stmt, OCI_HTYPE_STMT, c->err, reinterpret_cast<void**>(&param),
                             static_cast<ub4>(pos));
  if (status != OCI_SUCCESS) return outcome(cda, c->err, status);
  ub2 size = 0, type = 0;
  sb2 precision = 0;
  sb1 sc = 0;
  ub1 nullable = 1;
  text* name = nullptr;
  ub4 nameLength = 0;
  OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, c->err);
  OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, c->err);
  OCIAttrGet(param, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, c->err);
  OCIAttrGet(param, OCI_DTYPE_PARAM, &sc, nullptr, OCI_ATTR_SCALE, c->err);
  OCIAttrGet(param, OCI_DTYPE_PARAM, &nullable, nullptr, OCI_ATTR_IS_NULL, c->err);
  OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, c->err);
  if (dbsize != nullptr) *dbsize = size;
  if (dbtype != nullptr) *dbtype = static_cast<sb2>(type);
  if (dsize != nullptr) *dsize = type == SQLT_NUM ? 40 : size;
  if (prec != nullptr) *prec = precision;
  if (scale != nullptr) *scale = sc;
  if (nullok != nullptr) *nullok = nullable;
  if (cbuf != nullptr && cbufl != nullptr && name != nullptr) {
    const ub4 n = std::min(nameLength, static_cast<ub4>(std::max<sb4>(*cbufl, 0)));
    std::memcpy(cbuf, name, n);
    *cbufl = static_cast<sb4>(n);
  }
  OCIDescriptorFree(param, OCI_DTYPE_PARAM);
  return outcome(cda, c->err, OCI_SUCCESS);
}

sword odefin(cda_def* cda, sword pos, ub1* buf, sword bufl, sword ftype, sword, sb2* indp, OraText*,
             sword, sword, ub2* rlen, ub2* rcode) {
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  OCIDefine* define = nullptr;
  return outcome(cda, c->err,
                 OCIDefineByPos(c->stmt, &define, c->err, static_cast<ub4>(pos), buf, bufl,
                                static_cast<ub2>(ftype), indp, rlen, rcode, OCI_DEFAULT));
}

sword oexec(cda_def* cda) {
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  return execute(cda, *c, c->select ? 0 : 1, 0);
}

sword oexn(cda_def* cda, sword iters, sword rowoff) {
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  return execute(cda, *c, static_cast<ub4>(iters), static_cast<ub4>(rowoff));
}

sword oexfet(cda_def* cda, ub4 nrows, sword, sword) {
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  if (const sword rc = execute(cda, *c, 0, 0); rc != 0) return rc;
  return fetch(cda, *c, nrows);
}

sword ofen(cda_def* cda, sword nrows) {
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  return fetch(cda, *c, static_cast<ub4>(nrows));
}

sword oflng(cda_def* cda, sword pos, ub1* buf, sb4 bufl, sword, ub4* retl, sb4 offset) {
  if (retl != nullptr) *retl = 0;
  Cursor* c = findCursor(cda);
  if (c == nullptr || c->stmt == nullptr) return answer(cda, kInvalidCursor);
  // A piece of the LONG value of the row fetched last.
  ApiLock lock(apiMutex());
  auto* stmt = findAs<StmtHandle>(c->stmt, OCI_HTYPE_STMT);
  if (stmt == nullptr) return answer(cda, kInvalidCursor);
  const DefineHandle* define = nullptr;
  for (const DefineHandle* d : stmt->defines)
    if (d->position == static_cast<ub4>(pos) &&
        (d->dataType == SQLT_LNG || d->dataType == SQLT_LBI))
      define = d;
  if (define == nullptr || offset < 0 || bufl < 0) return answer(cda, kNotInSelectList);
  const std::string& value = define->longValue;
  const size_t from = std::min(value.size(), static_cast<size_t>(offset));
  const size_t n = std::min(value.size() - from, static_cast<size_t>(bufl));
  if (buf != nullptr) std::memcpy(buf, value.data() + from, n);
  if (retl != nullptr) *retl = static_cast<ub4>(n);
  return outcome(cda, c->err, OCI_SUCCESS);
}

}  // extern "C"

#endif  // OCISTANDIN_OCI7
