// OCIAttrGet and OCIAttrSet for the handles and descriptors the stand-in
// knows. Values are written with the width Oracle documents for each one.
#include <cstring>

#include "api_support.h"
#include "charsets.h"
#include "object_columns.h"
#include "rowid_mapping.h"
#include "statement.h"

using namespace ocistandin;

namespace {

template <class T>
sword give(dvoid* attributep, ub4* sizep, T value) {
  if (attributep != nullptr) std::memcpy(attributep, &value, sizeof value);
  if (sizep != nullptr) *sizep = sizeof value;
  return OCI_SUCCESS;
}

sword illegal(ErrorHandle* err) {
  return fail(err, kIllegalAttribute);
}

sword getStmt(StmtHandle& stmt, dvoid* a, ub4* size, ub4 attr, ErrorHandle* err) {
  switch (attr) {
    case OCI_ATTR_STMT_TYPE:
      return give<ub2>(a, size, stmt.cls.statementType);
    case OCI_ATTR_SQLFNCODE:
      return give<ub2>(a, size, stmt.cls.functionCode);
    case OCI_ATTR_ROW_COUNT:
      return give<ub4>(a, size, stmt.rowCount);
    case OCI_ATTR_ROWS_FETCHED:
      return give<ub4>(a, size, stmt.rowsFetched);
    case OCI_ATTR_PARAM_COUNT:
      if (!stmt.described) return fail(err, kNotExecuted);
      return give<ub4>(a, size, static_cast<ub4>(stmt.columns.size()));
    case OCI_ATTR_PARSE_ERROR_OFFSET:
      return give<ub2>(a, size, stmt.parseErrorOffset);
    case OCI_ATTR_DML_ROW_OFFSET:
      return give<ub4>(a, size, stmt.dmlRowOffset);
    case OCI_ATTR_NUM_DML_ERRORS:
      return give<ub4>(a, size, 0);
    case OCI_ATTR_BIND_COUNT:
      return give<ub4>(a, size, static_cast<ub4>(stmt.rewritten.placeholders.size()));
    case OCI_ATTR_CURRENT_POSITION:
      return give<ub4>(a, size, stmt.rowCount);
    case OCI_ATTR_PREFETCH_ROWS:
    case OCI_ATTR_PREFETCH_MEMORY:
      return give<ub4>(a, size, 0);
    case OCI_ATTR_STATEMENT:
      exposeText(stmt.text, a, size);
      return OCI_SUCCESS;
    case OCI_ATTR_ROWID: {
      // `a` is the descriptor itself. Without a row it holds kind None.
      auto* rowid = findAs<RowidDescriptor>(a, OCI_DTYPE_ROWID);
      if (rowid == nullptr) return OCI_INVALID_HANDLE;
      if (stmt.hasRowid) {
        rowid->layout = rowidLayout(stmt.rowidTable, stmt.rowid);
      } else {
        rowid->layout = {kOCIRowidTag, static_cast<ub1>(OCIRowidKind::None), {0, 0, 0}, 0, 0, 0, 0};
      }
      return OCI_SUCCESS;
    }
    case OCI_ATTR_ENV:
      return give<Handle*>(a, size, stmt.parent);
    default:
      return illegal(err);
  }
}

sword getParam(const ParamDescriptor& p, dvoid* a, ub4* size, ub4 attr, ErrorHandle* err) {
  const ColumnInfo& c = p.column;
  switch (attr) {
    case OCI_ATTR_DATA_TYPE:
      return give<ub2>(a, size, c.dataType);
    case OCI_ATTR_DATA_SIZE:
      return give<ub2>(a, size, c.dataSize);
    case OCI_ATTR_NAME:
      exposeText(c.name, a, size);
      return OCI_SUCCESS;
    case OCI_ATTR_PRECISION:
      return give<sb2>(a, size, c.precision);
    case OCI_ATTR_SCALE:
      return give<sb1>(a, size, c.scale);
    case OCI_ATTR_IS_NULL:
      return give<ub1>(a, size, c.nullable);
    case OCI_ATTR_CHARSET_FORM:
      return give<ub1>(a, size, c.charsetForm);
    case OCI_ATTR_CHARSET_ID:
      return give<ub2>(a, size, c.charsetId);
    case OCI_ATTR_CHAR_SIZE:
      return give<ub2>(a, size, c.charSize);
    case OCI_ATTR_CHAR_USED:
      return give<ub1>(a, size, c.charUsed ? 1 : 0);
    case OCI_ATTR_TYPE_NAME:
      exposeText(c.typeName, a, size);
      return OCI_SUCCESS;
    case OCI_ATTR_SCHEMA_NAME:
      exposeText(c.typeSchema, a, size);
      return OCI_SUCCESS;
    default: {
      sword status = OCI_SUCCESS;
      return typeParamAttribute(p, a, size, attr, status) ? status : illegal(err);
    }
  }
}

}  // namespace

extern "C" {

sword OCIAttrGet(const dvoid* trgthndlp, ub4 trghndltyp, dvoid* attributep, ub4* sizep,
                 ub4 attrtype, OCIError* errhp) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  Handle* target = findHandle(trgthndlp, trghndltyp);
  if (err == nullptr || target == nullptr) return OCI_INVALID_HANDLE;
  switch (trghndltyp) {
    case OCI_HTYPE_STMT:
      return getStmt(*static_cast<StmtHandle*>(target), attributep, sizep, attrtype, err);
    case OCI_DTYPE_PARAM:
      return getParam(*static_cast<ParamDescriptor*>(target), attributep, sizep, attrtype, err);
    case OCI_HTYPE_DESCRIBE:
      if (attrtype != OCI_ATTR_PARAM) return illegal(err);
      return give<Handle*>(attributep, sizep, describedParam(*target));
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<SvcCtxHandle*>(target);
      if (attrtype == OCI_ATTR_SERVER) return give<Handle*>(attributep, sizep, svc->server);
      if (attrtype == OCI_ATTR_SESSION) return give<Handle*>(attributep, sizep, svc->session);
      if (attrtype == OCI_ATTR_ENV) return give<Handle*>(attributep, sizep, svc->parent);
      if (attrtype == OCI_ATTR_STMTCACHESIZE)
        return give<ub4>(attributep, sizep, svc->statementCacheSize);
      return illegal(err);
    }
    case OCI_HTYPE_SERVER: {
      auto* server = static_cast<ServerHandle*>(target);
      if (attrtype == OCI_ATTR_SERVER_STATUS)
        return give<ub4>(attributep, sizep,
                         server->attached ? OCI_SERVER_NORMAL : OCI_SERVER_NOT_CONNECTED);
      if (attrtype == OCI_ATTR_ENV) return give<Handle*>(attributep, sizep, server->parent);
      return illegal(err);
    }
    case OCI_HTYPE_SESSION: {
      auto* session = static_cast<SessionHandle*>(target);
      if (attrtype == OCI_ATTR_USERNAME) {
        exposeText(session->username, attributep, sizep);
        return OCI_SUCCESS;
      }
      return illegal(err);  // the password can be set, never read
    }
    case OCI_HTYPE_BIND: {
      auto* bind = static_cast<BindHandle*>(target);
      if (attrtype == OCI_ATTR_CHARSET_FORM) return give<ub1>(attributep, sizep, bind->charsetForm);
      if (attrtype == OCI_ATTR_CHARSET_ID) return give<ub2>(attributep, sizep, bind->charsetId);
      return illegal(err);
    }
    case OCI_HTYPE_DEFINE: {
      auto* define = static_cast<DefineHandle*>(target);
      if (attrtype == OCI_ATTR_CHARSET_FORM)
        return give<ub1>(attributep, sizep, define->charsetForm);
      if (attrtype == OCI_ATTR_CHARSET_ID) return give<ub2>(attributep, sizep, define->charsetId);
      return illegal(err);
    }
    default:
      return illegal(err);
  }
}

sword OCIAttrSet(dvoid* trgthndlp, ub4 trghndltyp, dvoid* attributep, ub4 size, ub4 attrtype,
                 OCIError* errhp) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  Handle* target = findHandle(trgthndlp, trghndltyp);
  if (err == nullptr || target == nullptr) return OCI_INVALID_HANDLE;
  auto textValue = [&] {
    return attributep == nullptr ? std::string()
                                 : std::string(static_cast<const char*>(attributep), size);
  };
  switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<SvcCtxHandle*>(target);
      if (attrtype == OCI_ATTR_SERVER || attrtype == OCI_ATTR_SESSION) {
        const ub4 wanted = attrtype == OCI_ATTR_SERVER ? OCI_HTYPE_SERVER : OCI_HTYPE_SESSION;
        Handle* value = findHandle(attributep, wanted);
        if (value == nullptr) return OCI_INVALID_HANDLE;
        (attrtype == OCI_ATTR_SERVER ? svc->server : svc->session) = value;
        return OCI_SUCCESS;
      }
      if (attrtype == OCI_ATTR_TRANS) return OCI_SUCCESS;
      if (attrtype == OCI_ATTR_STMTCACHESIZE && attributep != nullptr) {
        std::memcpy(&svc->statementCacheSize, attributep, sizeof(ub4));
        return OCI_SUCCESS;
      }
      return illegal(err);
    }
    case OCI_HTYPE_SESSION: {
      auto* session = static_cast<SessionHandle*>(target);
      if (attrtype == OCI_ATTR_USERNAME)
        session->username = textValue();
      else if (attrtype == OCI_ATTR_PASSWORD)
        session->password = textValue();
      else
        return illegal(err);
      return OCI_SUCCESS;
    }
    case OCI_HTYPE_STMT:
      // Prefetching is the caller's business here: every fetch reads rows on demand.
      if (attrtype == OCI_ATTR_PREFETCH_ROWS || attrtype == OCI_ATTR_PREFETCH_MEMORY)
        return OCI_SUCCESS;
      return illegal(err);
    case OCI_HTYPE_BIND:
    case OCI_HTYPE_DEFINE: {
      ub1* form = trghndltyp == OCI_HTYPE_BIND ? &static_cast<BindHandle*>(target)->charsetForm
                                               : &static_cast<DefineHandle*>(target)->charsetForm;
      ub2* id = trghndltyp == OCI_HTYPE_BIND ? &static_cast<BindHandle*>(target)->charsetId
                                             : &static_cast<DefineHandle*>(target)->charsetId;
      if (attributep == nullptr) return illegal(err);
      if (attrtype == OCI_ATTR_CHARSET_FORM)
        std::memcpy(form, attributep, sizeof *form);
      else if (attrtype == OCI_ATTR_CHARSET_ID) {
        ub2 wanted = 0;
        std::memcpy(&wanted, attributep, sizeof wanted);
        if (!knownCharsetId(wanted)) return fail(err, kInvalidCharset);
        *id = wanted;
      } else if (attrtype == OCI_ATTR_MAXDATA_SIZE)
        return OCI_SUCCESS;
      else
        return illegal(err);
      return OCI_SUCCESS;
    }
    default:
      return illegal(err);
  }
}

}  // extern "C"
