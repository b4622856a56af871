// Statement, bind and define handles and the statement engine: prepare,
// execute (queries, array DML, transactions), describe and batch fetch.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "connection.h"
#include "handles.h"
#include "sql_rewriter.h"

namespace ocistandin {

// The caller's buffers of a bind or a define: values, indicators, lengths
// and return codes, each an array with its own stride.
struct ValueBuffers {
  ub4 position = 0;  // 1-based; for a bind, only when bound by position
  void* value = nullptr;
  sb4 valueSize = 0;
  ub2 dataType = SQLT_CHR;
  void* indicators = nullptr;
  ub2* lengths = nullptr;
  ub2* returnCodes = nullptr;
  ub4 valueSkip = 0, indicatorSkip = 0, lengthSkip = 0, returnCodeSkip = 0;  // 0: packed
  ub1 charsetForm = SQLCS_IMPLICIT;
  ub2 charsetId = 0;
  // A PL/SQL table: its size and the caller's count of elements in use
  // (null for a plain bind).
  ub4 maxElements = 0;
  ub4* currentElements = nullptr;
};

// Points a bind or define at the buffers of another (a PL/SQL table's
// elements, or a block's out bind), with the character set their bytes are
// in.
template <class To>
void pointAtElements(To& to, const ValueBuffers& from) {
  to.value = from.value;
  to.valueSize = from.valueSize;
  to.dataType = from.dataType;
  to.indicators = from.indicators;
  to.lengths = from.lengths;
  to.valueSkip = from.valueSkip;
  to.indicatorSkip = from.indicatorSkip;
  to.lengthSkip = from.lengthSkip;
  to.charsetForm = from.charsetForm;
  to.charsetId = from.charsetId;
}

struct BindHandle : Handle, ValueBuffers {
  using Handle::Handle;
  std::string name;  // upper case without colon; empty for a bind by position
  // Object and REF binds (OCIBindObject): the instance pointer of each element.
  void** objects = nullptr;
};

struct DefineHandle : Handle, ValueBuffers {
  using Handle::Handle;
  // A dynamic define (OCI_DYNAMIC_FETCH): each fetched value is handed to
  // the callback's buffers piece by piece (OCIDefineDynamic).
  bool dynamic = false;
  void* callbackContext = nullptr;
  OCICallbackDefine callback = nullptr;
  // LONG and LONG RAW defines: the whole value of the row written last, read
  // in pieces by oflng.
  mutable std::string longValue;
  // Object and REF columns (OCIDefineObject): the instance pointer of each
  // row, and each row's pointer to its indicator structure.
  void** objects = nullptr;
  void** objectIndicators = nullptr;
};

// OCIBindArrayOfStruct and OCIDefineArrayOfStruct: the strides of the
// buffers of the handle `h` of type `type` (H: BindHandle or DefineHandle).
template <class H>
sword setArrayOfStruct(void* h, ub4 type, OCIError* errhp, ub4 valueSkip, ub4 indicatorSkip,
                       ub4 lengthSkip, ub4 returnCodeSkip);

struct StmtHandle : Handle {
  using Handle::Handle;
  ~StmtHandle() override;

  std::string text;  // as received
  RewrittenSql rewritten;
  StatementClass cls;
  bool prepared = false;

  std::shared_ptr<Connection> connection;  // of the last execute
  sqlite3_stmt* sqlite = nullptr;
  std::vector<ColumnInfo> columns;
  bool described = false;
  bool executed = false;
  bool rowPending = false;   // a stepped row not yet handed out
  bool exhausted = false;    // SQLite has no more rows
  bool endReported = false;  // OCI_NO_DATA was answered; a further fetch is out of sequence

  ub4 rowCount = 0;
  ub4 rowsFetched = 0;
  ub4 dmlRowOffset = 0;
  ub2 parseErrorOffset = 0;
  // The row OCI_ATTR_ROWID names: the last row changed by a DML statement or
  // fetched by a single-table select FOR UPDATE.
  bool hasRowid = false;
  std::string rowidTable;
  sqlite3_int64 rowid = 0;

  // Table LOB columns the SQLite text selects as typeof(column) (lob.h):
  // their description, table and column, read by rowid when needed.
  struct LazyLob {
    std::size_t position;
    ColumnInfo info;
    std::string table, column;
  };
  std::vector<LazyLob> lazyLobs;

  // "returning ... into": the select of the returned values, compiled once
  // per statement, and the rowid it selects (bound to it as an integer).
  std::unique_ptr<StmtHandle> returningSelect;
  std::unique_ptr<BindHandle> returningRowidBind;
  sqlite3_int64 returningRowid = 0;

  std::vector<BindHandle*> binds;      // children, newest last
  std::vector<DefineHandle*> defines;  // children, newest last

  void resetCursor();
};

// A value read from a bind buffer or produced by SQLite.
struct BindValue {
  enum class Kind { kNull, kInteger, kReal, kText, kBlob } kind = Kind::kNull;
  sqlite3_int64 integer = 0;
  double real = 0;
  std::string bytes;  // text or blob
};

// Reads element `iteration` of a bind buffer (binds.cpp).
bool readBindValue(const BindHandle& bind, ub4 iteration, BindValue& out, OraError& error);
// "NAME=value" text of a bind value for the statement journal (binds.cpp).
std::string journalText(const BindValue& value);

// Describes the select list of a prepared SQLite statement (describe.cpp).
// `firstRow` tells whether the statement holds a stepped row whose values
// decide the type of expression columns.
std::vector<ColumnInfo> describeColumns(sqlite3* db, sqlite3_stmt* stmt, bool firstRow);
// Drops the hidden rowid column of `sql` from `columns` and gives the ROWID
// pseudo-columns their type (describe.cpp).
void applyRowidColumns(std::vector<ColumnInfo>& columns, const RewrittenSql& sql);
// Oracle type, size, precision and scale of a declared SQLite column type.
ColumnInfo columnTypeFromDeclaration(const std::string& declared);

// The statement engine (statement.cpp).
sword prepareStatement(StmtHandle& stmt, ErrorHandle* err, const std::string& text);
sword executeStatement(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, ub4 iters, ub4 rowoff,
                       ub4 mode);
sword fetchRows(StmtHandle& stmt, ErrorHandle* err, ub4 nrows, ub2 orientation);
// Opens the cursor of a cursor expression on `cursor` (a statement handle
// of the caller): prepares and executes `select` on `connection`. A select
// that does not run on its own (one naming the outer query's columns) gives
// ORA-03001.
bool openCursor(StmtHandle& cursor, const std::string& select,
                const std::shared_ptr<Connection>& connection, OraError& error);
// Runs the PL/SQL block shapes the stand-in knows (plsql_blocks.cpp): false
// when the text is none of them, else true with the call's status.
bool executePlsqlBlock(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, ub4 mode,
                       sword& status);
// Runs a block of the few statements plsql_statements.cpp knows: false when
// the text is not one, else true with the call's status.
bool executePlsqlStatements(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, sword& status);

// The logged-on connection behind a service context, or null.
std::shared_ptr<Connection> connectionOf(SvcCtxHandle& svc);

}  // namespace ocistandin
