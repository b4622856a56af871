#include "oracle/session/session_sql.h"

#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/session/session.h"
#include "platform/oci/oci7_area_layout.h"

namespace oracle {

namespace {

// Longest text a select column may return here (VARCHAR2 limit and its end).
constexpr std::size_t kColumnBuffer = 4001;

struct Column {
  std::array<char, kColumnBuffer> buffer{};
  sb2 indicator = 0;
};

// Adds the row just fetched into `columns` to the result: a null column as
// no value, any other as its zero-terminated text.
void AppendRow(TSessionSQLResult& result, const std::vector<Column>& columns) {
  auto& row = result.rows.emplace_back();
  for (const Column& column : columns) {
    if (column.indicator == -1) {
      row.emplace_back(std::nullopt);
    } else {
      row.emplace_back(
          std::string(column.buffer.data(), strnlen(column.buffer.data(), column.buffer.size())));
    }
  }
}

// Frees the statement handle on every way out.
struct StatementHandle {
  OCIStmt* stmt = nullptr;
  ~StatementHandle() {
    if (stmt != nullptr && OCIHandleFree != nullptr) OCIHandleFree(stmt, OCI_HTYPE_STMT);
  }
};

TSessionSQLResult RunOCI8(TOracleSession& session, const std::string& sql, std::size_t maxRows) {
  OCIError* err = session.ErrorHandle();
  auto check = [&](sword status) {
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO)
      RaiseOCIError(&session, err, &session, status);
  };
  StatementHandle handle;
  check(OCIHandleAlloc(session.Environment(), reinterpret_cast<dvoid**>(&handle.stmt),
                       OCI_HTYPE_STMT, 0, nullptr));
  check(OCIStmtPrepare(handle.stmt, err, reinterpret_cast<const text*>(sql.c_str()),
                       static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT));
  ub2 type = 0;
  check(OCIAttrGet(handle.stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, err));
  TSessionSQLResult result;
  if (type != OCI_STMT_SELECT) {
    check(OCIStmtExecute(session.ServiceContext(), handle.stmt, err, 1, 0, nullptr, nullptr,
                         OCI_DEFAULT));
    return result;
  }
  check(OCIStmtExecute(session.ServiceContext(), handle.stmt, err, 0, 0, nullptr, nullptr,
                       OCI_DEFAULT));
  ub4 count = 0;
  check(OCIAttrGet(handle.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err));
  std::vector<Column> columns(count);
  for (ub4 pos = 1; pos <= count; ++pos) {
    dvoid* param = nullptr;
    check(OCIParamGet(handle.stmt, OCI_HTYPE_STMT, err, &param, pos));
    ub2 charsetId = 0;
    const sword status =
        OCIAttrGet(param, OCI_DTYPE_PARAM, &charsetId, nullptr, OCI_ATTR_CHARSET_ID, err);
    OCIDescriptorFree(param, OCI_DTYPE_PARAM);
    check(status);
    result.charsetIds.push_back(charsetId);
    OCIDefine* define = nullptr;
    Column& column = columns[pos - 1];
    check(OCIDefineByPos(handle.stmt, &define, err, pos, column.buffer.data(),
                         static_cast<sb4>(column.buffer.size()), SQLT_STR, &column.indicator,
                         nullptr, nullptr, OCI_DEFAULT));
  }
  while (result.rows.size() < maxRows) {
    const sword status = OCIStmtFetch(handle.stmt, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (status == OCI_NO_DATA) break;
    check(status);
    AppendRow(result, columns);
  }
  return result;
}

// The OCI7 cursor data area and the calls on it.
class OCI7Cursor {
 public:
  explicit OCI7Cursor(TOracleSession& session) : session_(session) {
    Check(oopen(Area(), session.OCI7LogonDataArea(), nullptr, -1, -1, nullptr, -1));
    open_ = true;
  }
  ~OCI7Cursor() {
    if (open_) oclose(Area());
  }
  OCI7Cursor(const OCI7Cursor&) = delete;
  OCI7Cursor& operator=(const OCI7Cursor&) = delete;

  cda_def* Area() { return reinterpret_cast<cda_def*>(area_.data()); }
  std::int32_t ReturnCode() const {
    return oci7area::Read<std::uint16_t>(area_.data(), oci7area::kReturnCode);
  }
  void Check(sword rc) {
    if (rc != 0) RaiseOCI7Error(&session_, ReturnCode(), &session_);
  }

 private:
  TOracleSession& session_;
  alignas(8) std::array<unsigned char, oci7area::kSize> area_{};
  bool open_ = false;
};

TSessionSQLResult RunOCI7(TOracleSession& session, const std::string& sql, std::size_t maxRows) {
  if (oopen == nullptr || oparse == nullptr || oexec == nullptr)
    throw std::runtime_error("The loaded OCI client has no OCI7 statement calls");
  OCI7Cursor cursor(session);
  std::string text = sql;
  cursor.Check(oparse(cursor.Area(), reinterpret_cast<OraText*>(text.data()), -1, 0, 2));
  std::vector<Column> columns;
  columns.reserve(256);
  for (sword pos = 1; pos <= 256; ++pos) {
    sb4 size = 0;
    sb2 type = 0;
    if (odescr(cursor.Area(), pos, &size, &type, nullptr, nullptr, nullptr, nullptr, nullptr,
               nullptr) != 0)
      break;  // past the last select column (or not a select)
    Column& column = columns.emplace_back();
    cursor.Check(odefin(cursor.Area(), pos, reinterpret_cast<ub1*>(column.buffer.data()),
                        static_cast<sword>(column.buffer.size()), SQLT_STR, -1, &column.indicator,
                        nullptr, -1, -1, nullptr, nullptr));
  }
  cursor.Check(oexec(cursor.Area()));
  TSessionSQLResult result;
  while (!columns.empty() && result.rows.size() < maxRows) {
    if (ofen(cursor.Area(), 1) != 0) {
      if (cursor.ReturnCode() == 1403) break;  // no more rows
      cursor.Check(1);
    }
    AppendRow(result, columns);
  }
  result.charsetIds.assign(columns.size(), 0);
  return result;
}

}  // namespace

TSessionSQLResult RunSessionSQL(TOracleSession& session, const std::string& sql,
                                std::size_t maxRows) {
  if (!session.Connected()) throw std::runtime_error("Not logged on");
  std::optional<OracleLockGuard> lock;
  if (session.NeedsStatementLock()) lock.emplace(session.SessionLock());
  return session.InOCI8Mode() ? RunOCI8(session, sql, maxRows) : RunOCI7(session, sql, maxRows);
}

}  // namespace oracle
