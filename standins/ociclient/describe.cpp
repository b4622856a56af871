// Select-list describe: Oracle types from declared column types, the rule for
// expressions, and OCIParamGet.
//
// Expression columns (no declared type) take their type from the first row:
// an integer or real value gives NUMBER (precision 0, scale -127), a text of
// the form "YYYY-MM-DD HH:MM:SS" gives DATE, the same with a fraction of a
// second TIMESTAMP, other text VARCHAR2(4000), a blob RAW(2000); without a
// first row or for NULL the column is VARCHAR2(4000).
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "api_support.h"
#include "object_columns.h"
#include "oracle_format.h"
#include "statement.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

ColumnInfo textColumn(ub2 type, int size, bool national = false) {
  ColumnInfo c;
  c.dataType = type;
  c.charSize = static_cast<ub2>(size);
  c.dataSize = static_cast<ub2>(national ? size * 2 : size);
  if (national) {
    c.charsetForm = SQLCS_NCHAR;
    c.charsetId = OCI_CHARSET_AL16UTF16;
  }
  return c;
}

// Byte limits of the two text types and the most bytes one character of the
// database character set (AL32UTF8) takes.
constexpr int kMaxVarcharBytes = 4000;
constexpr int kMaxCharBytes = 2000;
constexpr int kMaxBytesPerChar = 4;

// A column sized in characters ("VARCHAR2(10 CHAR)") is described with the
// bytes its characters may take, up to the type's byte limit; its
// character count stays in charSize.
void useCharSemantics(ColumnInfo& c, int byteLimit) {
  c.charUsed = true;
  if (c.charsetForm == SQLCS_NCHAR) return;
  c.dataSize = static_cast<ub2>(std::min(c.charSize * kMaxBytesPerChar, byteLimit));
}

ColumnInfo number(int precision, int scale) {
  ColumnInfo c;
  c.dataType = SQLT_NUM;
  c.dataSize = 22;
  c.precision = static_cast<sb2>(precision);
  c.scale = static_cast<sb1>(scale);
  c.charsetId = 0;
  c.charsetForm = 0;
  return c;
}

ColumnInfo fixed(ub2 type, ub2 size) {
  ColumnInfo c;
  c.dataType = type;
  c.dataSize = size;
  c.charsetId = 0;
  c.charsetForm = 0;
  return c;
}

}  // namespace

ColumnInfo columnTypeFromDeclaration(const std::string& declared) {
  const std::string d = platform::UpperAscii(declared);
  const size_t paren = d.find('(');
  std::string base = d.substr(0, paren);
  while (!base.empty() && base.back() == ' ') base.pop_back();
  // Length semantics travel in the type name ("VARCHAR2 CHAR(10)").
  bool charSemantics = false;
  for (const char* unit : {" CHAR", " BYTE"}) {
    const std::string suffix = unit;
    const std::string type = base.size() > suffix.size() && base.ends_with(suffix)
                                 ? base.substr(0, base.size() - suffix.size())
                                 : std::string();
    if (type == "VARCHAR2" || type == "VARCHAR" || type == "CHAR" || type == "CHARACTER") {
      charSemantics = suffix == " CHAR";
      base = type;
    }
  }
  int arg1 = -1, arg2 = -1;
  if (paren != std::string::npos) {
    arg1 = std::atoi(d.c_str() + paren + 1);
    const size_t comma = d.find(',', paren);
    const size_t close = d.find(')', paren);
    if (comma != std::string::npos && (close == std::string::npos || comma < close))
      arg2 = std::atoi(d.c_str() + comma + 1);
  }
  ColumnInfo c;
  if (base == "VARCHAR2" || base == "VARCHAR" || base == "NVARCHAR2") {
    c = textColumn(SQLT_CHR, arg1 > 0 ? arg1 : 4000, base == "NVARCHAR2");
    if (charSemantics) useCharSemantics(c, kMaxVarcharBytes);
  } else if (base == "CHAR" || base == "NCHAR" || base == "CHARACTER") {
    c = textColumn(SQLT_AFC, arg1 > 0 ? arg1 : 1, base == "NCHAR");
    if (charSemantics) useCharSemantics(c, kMaxCharBytes);
  } else if (base == "NUMBER" || base == "NUMERIC" || base == "DECIMAL") {
    c = arg1 < 0 ? number(0, -127) : number(arg1, arg2 < 0 ? 0 : arg2);
  } else if (base == "INTEGER" || base == "INT" || base == "SMALLINT") {
    c = number(38, 0);
  } else if (base == "FLOAT") {
    c = number(arg1 > 0 ? arg1 : 126, -127);
  } else if (base == "REAL" || base == "DOUBLE PRECISION" || base == "DOUBLE") {
    c = number(base == "REAL" ? 63 : 126, -127);
  } else if (base == "DATE") {
    c = fixed(SQLT_DAT, 7);
  } else if (base.rfind("TIMESTAMP", 0) == 0) {
    c = fixed(d.find("LOCAL TIME ZONE") != std::string::npos ? SQLT_TIMESTAMP_LTZ
              : d.find("TIME ZONE") != std::string::npos     ? SQLT_TIMESTAMP_TZ
                                                             : SQLT_TIMESTAMP,
              11);
    c.scale = static_cast<sb1>(arg1 >= 0 ? arg1 : 6);
  } else if (base == "RAW") {
    c = fixed(SQLT_BIN, static_cast<ub2>(arg1 > 0 ? arg1 : 2000));
  } else if (base == "LONG RAW") {
    c = fixed(SQLT_LBI, 0);
  } else if (base == "LONG") {
    c = textColumn(SQLT_LNG, 0);
  } else if (base == "CLOB" || base == "NCLOB") {
    c = textColumn(SQLT_CLOB, 4000, base == "NCLOB");
  } else if (base == "BLOB") {
    c = fixed(SQLT_BLOB, 4000);
  } else if (base == "BFILE") {
    c = fixed(SQLT_BFILEE, 530);
  } else if (base == "BINARY_DOUBLE") {
    c = fixed(SQLT_IBDOUBLE, 8);
  } else if (base == "BINARY_FLOAT") {
    c = fixed(SQLT_IBFLOAT, 4);
  } else if (d.find("INT") != std::string::npos) {  // SQLite affinity rules
    c = number(38, 0);
  } else if (d.find("CHAR") != std::string::npos || d.find("CLOB") != std::string::npos ||
             d.find("TEXT") != std::string::npos) {
    c = textColumn(SQLT_CHR, 4000);
  } else if (d.find("BLOB") != std::string::npos || d.empty()) {
    c = fixed(SQLT_BIN, 2000);
  } else {
    c = number(0, -127);
  }
  return c;
}

std::vector<ColumnInfo> describeColumns(sqlite3* db, sqlite3_stmt* stmt, bool firstRow) {
  const int count = sqlite3_column_count(stmt);
  std::vector<ColumnInfo> columns;
  columns.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    ColumnInfo info;
    const char* declared = sqlite3_column_decltype(stmt, i);
    if (declared != nullptr) {
      info = columnTypeFromDeclaration(declared);
      describeObjectColumn(db, declared, info);
    } else {
      const int type = firstRow ? sqlite3_column_type(stmt, i) : SQLITE_NULL;
      if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        info = number(0, -127);
      } else if (type == SQLITE_BLOB) {
        info = fixed(SQLT_BIN, 2000);
      } else if (type == SQLITE_TEXT) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        const std::string value = t != nullptr ? t : "";
        if (value.size() >= 19 && parseIsoDate(value)) {
          info = value.size() == 19 ? fixed(SQLT_DAT, 7) : fixed(SQLT_TIMESTAMP, 11);
          if (value.size() > 19) info.scale = 6;
        } else {
          info = textColumn(SQLT_CHR, 4000);
        }
      } else {
        info = textColumn(SQLT_CHR, 4000);
      }
    }
    const char* name = sqlite3_column_name(stmt, i);
    info.name = platform::UpperAscii(name != nullptr ? name : "");
    const char* table = sqlite3_column_table_name(stmt, i);
    const char* origin = sqlite3_column_origin_name(stmt, i);
    const char* database = sqlite3_column_database_name(stmt, i);
    if (table != nullptr && origin != nullptr) {
      int notNull = 0, primaryKey = 0, autoIncrement = 0;
      if (sqlite3_table_column_metadata(db, database, table, origin, nullptr, nullptr, &notNull,
                                        &primaryKey, &autoIncrement) == SQLITE_OK)
        info.nullable = (notNull != 0 || primaryKey != 0) ? 0 : 1;
    }
    columns.push_back(std::move(info));
  }
  return columns;
}

void applyRowidColumns(std::vector<ColumnInfo>& columns, const RewrittenSql& sql) {
  if (!sql.hiddenRowidTable.empty() && !columns.empty()) columns.pop_back();
  for (const std::size_t position : sql.rowidColumns) {
    if (position >= columns.size()) continue;
    ColumnInfo& c = columns[position];
    std::string name = std::move(c.name);
    c = fixed(SQLT_RDD, 10);  // Oracle's size of a ROWID; its text has 18 characters
    c.name = std::move(name);
  }
  for (const auto& cursor : sql.cursorColumns) {
    if (cursor.first >= columns.size()) continue;
    ColumnInfo& c = columns[cursor.first];
    std::string name = std::move(c.name);
    c = fixed(SQLT_RSET, sizeof(void*));
    c.name = std::move(name);
  }
}

}  // namespace ocistandin

using namespace ocistandin;

extern "C" {

sword OCIParamGet(const dvoid* hndlp, ub4 htype, OCIError* errhp, dvoid** parmdpp, ub4 pos) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  if (err == nullptr || parmdpp == nullptr) return OCI_INVALID_HANDLE;
  if (htype == OCI_DTYPE_PARAM) return typeListParam(hndlp, err, parmdpp, pos);
  if (htype != OCI_HTYPE_STMT) return fail(err, kUnimplemented);
  auto* stmt = findAs<StmtHandle>(hndlp, OCI_HTYPE_STMT);
  if (stmt == nullptr) return OCI_INVALID_HANDLE;
  if (!stmt->described) return fail(err, kNotExecuted);
  if (pos == 0 || pos > stmt->columns.size())
    return fail(err, OraError{24334, "no descriptor for this position"});
  auto* param = registerHandle(std::make_unique<ParamDescriptor>(stmt, stmt->columns[pos - 1]));
  *parmdpp = param;
  return OCI_SUCCESS;
}

}  // extern "C"
