#include "statement.h"

#include <algorithm>
#include <cctype>

#include "api_support.h"
#include "catalogue.h"
#include "constraints.h"
#include "error_mapping.h"
#include "fetch_plan.h"
#include "journal.h"
#include "lob.h"
#include "object_types.h"
#include "row_locks.h"
#include "sequences.h"
#include "statement_cache.h"
#include "table_collections.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

// Finds the bind serving placeholder `index` (0-based): by name first (the
// newest bind of that name), else by position.
const BindHandle* bindFor(const StmtHandle& stmt, std::size_t index) {
  const std::string& name = stmt.rewritten.placeholders[index].name;
  for (auto it = stmt.binds.rbegin(); it != stmt.binds.rend(); ++it)
    if (!(*it)->name.empty() && (*it)->name == name) return *it;
  for (auto it = stmt.binds.rbegin(); it != stmt.binds.rend(); ++it)
    if ((*it)->name.empty() && (*it)->position == index + 1) return *it;
  return nullptr;
}

bool bindIteration(StmtHandle& stmt, ub4 iteration, std::vector<std::string>* journal,
                   bool arrayDml, OraError& error) {
  sqlite3_clear_bindings(stmt.sqlite);
  for (std::size_t k = 0; k < stmt.rewritten.placeholders.size(); ++k) {
    const BindHandle* bind = bindFor(stmt, k);
    if (bind == nullptr) {
      error = {kVariablesNotBound, standardText(kVariablesNotBound)};
      return false;
    }
    BindValue value;
    if (!readBindValue(*bind, iteration, value, error)) return false;
    const int param = static_cast<int>(k + 1);
    switch (value.kind) {
      case BindValue::Kind::kNull:
        sqlite3_bind_null(stmt.sqlite, param);
        break;
      case BindValue::Kind::kInteger:
        sqlite3_bind_int64(stmt.sqlite, param, value.integer);
        break;
      case BindValue::Kind::kReal:
        sqlite3_bind_double(stmt.sqlite, param, value.real);
        break;
      case BindValue::Kind::kText:
        sqlite3_bind_text(stmt.sqlite, param, value.bytes.data(),
                          static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
        break;
      case BindValue::Kind::kBlob:
        sqlite3_bind_blob(stmt.sqlite, param, value.bytes.data(),
                          static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    if (journal != nullptr) {
      const std::string& name = stmt.rewritten.placeholders[k].name;
      const std::string label = arrayDml ? name + "[" + std::to_string(iteration) + "]" : name;
      journal->push_back(label + "=" + journalText(value));
    }
  }
  return true;
}

// The words of a short statement ("rollback to savepoint X"), upper case.
std::vector<std::string> leadingWords(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#') {
      word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  return words;
}

bool onlySpaceBefore(const std::string& text, std::size_t offset) {
  for (std::size_t i = 0; i < offset && i < text.size(); ++i)
    if (!std::isspace(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

// Compiles the rewritten text on the connection, reusing the compiled
// statement of an earlier execute on the same connection.
bool compileText(StmtHandle& stmt, const std::shared_ptr<Connection>& connection, OraError& error) {
  if (stmt.sqlite != nullptr && stmt.connection == connection) {
    sqlite3_reset(stmt.sqlite);
    return true;
  }
  if (stmt.sqlite != nullptr) sqlite3_finalize(stmt.sqlite);
  stmt.sqlite = nullptr;
  stmt.connection = connection;
  stmt.parseErrorOffset = 0;
  dropOwnQualifiers(stmt.rewritten, connection->user);
  const char* tail = nullptr;
  countSqlitePrepare();
  const int rc =
      sqlite3_prepare_v2(connection->db, stmt.rewritten.sql.c_str(),
                         static_cast<int>(stmt.rewritten.sql.size()), &stmt.sqlite, &tail);
  if (rc == SQLITE_OK && stmt.sqlite != nullptr) {
    // One statement per call, as in Oracle: a terminating semicolon is an
    // invalid character and anything after the statement is refused.
    const std::string rest = tail != nullptr ? tail : "";
    const std::size_t end = stmt.rewritten.sql.size() - rest.size();
    std::size_t last = end;
    while (last > 0 && std::isspace(static_cast<unsigned char>(stmt.rewritten.sql[last - 1])))
      --last;
    const bool semicolon = last > 0 && stmt.rewritten.sql[last - 1] == ';';
    const auto used = rest.find_first_not_of(" \t\r\n");
    if (!semicolon && used == std::string::npos) return true;
    sqlite3_finalize(stmt.sqlite);
    stmt.sqlite = nullptr;
    const std::size_t at = semicolon ? last - 1 : end + used;
    const std::size_t original = stmt.rewritten.originalOffset(at);
    stmt.parseErrorOffset = static_cast<ub2>(original > 65535 ? 65535 : original);
    error = semicolon ? OraError{911, "invalid character"}
                      : OraError{kNotProperlyEnded, standardText(kNotProperlyEnded)};
    return false;
  }
  const int offset = sqlite3_error_offset(connection->db);
  const std::size_t original =
      offset >= 0 ? stmt.rewritten.originalOffset(static_cast<std::size_t>(offset)) : 0;
  stmt.parseErrorOffset = static_cast<ub2>(original > 65535 ? 65535 : original);
  if (rc == SQLITE_OK) {  // empty text
    error = {kInvalidSqlStatement, standardText(kInvalidSqlStatement)};
  } else {
    error = mapSqliteMessage(rc, sqlite3_errmsg(connection->db),
                             offset >= 0 && onlySpaceBefore(stmt.text, original), connection->user);
  }
  return false;
}

// As compileText; a select whose hidden rowid column SQLite refuses (a view,
// a common table expression) runs without it.
// A select of a table's LOB column gets the hidden rowid column too.
bool compile(StmtHandle& stmt, const std::shared_ptr<Connection>& connection, OraError& error) {
  if (compileText(stmt, connection, error)) {
    if (!stmt.rewritten.hiddenRowidTable.empty() || !selectsTableLob(stmt.sqlite)) return true;
    const RewrittenSql plain = stmt.rewritten;
    stmt.rewritten = rewriteSql(stmt.text, true, true);
    if (stmt.rewritten.hiddenRowidTable.empty()) {
      stmt.rewritten = plain;
      return true;
    }
    std::vector<StmtHandle::LazyLob> lazy =
        tableLobColumns(connection->db, stmt.sqlite, stmt.rewritten.hiddenRowidTable);
    std::vector<std::size_t> positions;
    for (const auto& column : lazy) positions.push_back(column.position);
    const RewrittenSql withRowid = stmt.rewritten;
    stmt.rewritten = rewriteSql(stmt.text, true, true, positions);
    sqlite3_finalize(stmt.sqlite);
    stmt.sqlite = nullptr;
    if (compileText(stmt, connection, error)) {
      std::erase_if(lazy, [&](const StmtHandle::LazyLob& column) {
        const auto& done = stmt.rewritten.lazyColumns;
        return std::find(done.begin(), done.end(), column.position) == done.end();
      });
      stmt.lazyLobs = std::move(lazy);
      return true;
    }
    stmt.rewritten = withRowid;
    sqlite3_finalize(stmt.sqlite);
    stmt.sqlite = nullptr;
    if (compileText(stmt, connection, error)) return true;
    stmt.rewritten = plain;
    sqlite3_finalize(stmt.sqlite);
    stmt.sqlite = nullptr;
    return compileText(stmt, connection, error);
  }
  if (stmt.rewritten.hiddenRowidTable.empty()) return false;
  stmt.rewritten = rewriteSql(stmt.text, false);
  return compileText(stmt, connection, error);
}

// Remembers the rowid of the row a select FOR UPDATE just fetched, from the
// hidden last column (the table is set once per batch, in fetchRows).
void noteFetchedRowid(StmtHandle& stmt) {
  const int hidden = static_cast<int>(stmt.columns.size());
  stmt.hasRowid = sqlite3_column_type(stmt.sqlite, hidden) == SQLITE_INTEGER;
  stmt.rowid = sqlite3_column_int64(stmt.sqlite, hidden);
}

// Remembers the last row a change touched: of the table it names when that
// table changed, else of the table changed last (a view's base table).
void noteChangedRowid(StmtHandle& stmt, const Connection& connection) {
  auto it = connection.changedRows.find(stmt.rewritten.targetTable);
  if (it == connection.changedRows.end())
    it = connection.changedRows.find(connection.lastChangedTable);
  if (it == connection.changedRows.end()) return;
  stmt.hasRowid = true;
  stmt.rowidTable = it->first;
  stmt.rowid = it->second;
}

// One iteration of an INSERT or UPDATE under Oracle's write checks: the rows
// it writes are collected inside a savepoint, checked after the step, and
// undone when a value does not fit. Does nothing for other statements.
class WriteScope {
 public:
  // `checked`: the written values are checked (INSERT, UPDATE).
  WriteScope(Connection& connection, bool active, bool checked)
      : connection_(connection), active_(active), checked_(checked) {
    if (!active_) return;
    connection_.writtenRows.clear();
    connection_.collectWrites = true;
    connection_.execKept("SAVEPOINT ociclient_write");
  }
  ~WriteScope() {
    if (!active_) return;
    connection_.collectWrites = false;
    connection_.writtenRows.clear();
    connection_.execKept("RELEASE ociclient_write");
  }
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;

  bool valuesFit(OraError& error) {
    if (!active_ || !checked_) return true;
    connection_.collectWrites = false;
    return connection_.writeChecks.check(connection_.db, connection_.writtenRows, connection_.user,
                                         error);
  }
  // Takes back what the step wrote (SQLite has already done so after a
  // failing step; the values check needs it done here).
  void undo() {
    if (active_) connection_.execKept("ROLLBACK TO ociclient_write");
  }

 private:
  Connection& connection_;
  bool active_;
  bool checked_;
};

// Collects the rows one change statement touches, for the row locks.
class TouchScope {
 public:
  TouchScope(Connection& connection, bool active) : connection_(connection) {
    connection_.touchedRows.clear();
    connection_.trackTouched = active;
  }
  ~TouchScope() {
    connection_.trackTouched = false;
    connection_.touchedRows.clear();
  }
  TouchScope(const TouchScope&) = delete;
  TouchScope& operator=(const TouchScope&) = delete;

 private:
  Connection& connection_;
};

// A change that touched a row another session holds fails (after the busy
// time-out) and is undone by its caller; otherwise the session now holds
// every row it touched.
bool lockTouchedRows(Connection& connection, OraError& error) {
  for (const auto& [table, rowid] : connection.touchedRows)
    if (rowHeldByOther(connection, table, rowid, false, error)) return false;
  for (const auto& [table, rowid] : connection.touchedRows)
    if (!lockRow(connection, table, rowid, true, error)) return false;
  return true;
}

sword executeSelect(StmtHandle& stmt, ErrorHandle* err, ub4 iters, ub4 mode,
                    const std::shared_ptr<Connection>& connection);

// "returning ... into": the values of the row the change touched last are
// written into the variables' buffers, in the manner of a one-row fetch.
// A change that touched no row leaves them alone.
bool returnValues(StmtHandle& stmt, const std::shared_ptr<Connection>& connection,
                  OraError& error) {
  if (!stmt.hasRowid || stmt.rowCount == 0) return true;
  const std::string text = "select " + stmt.rewritten.returningColumns + " from " +
                           stmt.rowidTable + " where _rowid_ = :kel__returning_rowid";
  if (!stmt.returningSelect || stmt.returningSelect->text != text) {
    stmt.returningSelect = std::make_unique<StmtHandle>(OCI_HTYPE_STMT, nullptr);
    prepareStatement(*stmt.returningSelect, nullptr, text);
    stmt.returningRowidBind = std::make_unique<BindHandle>(OCI_HTYPE_BIND, nullptr);
    BindHandle& rowidBind = *stmt.returningRowidBind;
    rowidBind.name = "KEL__RETURNING_ROWID";
    rowidBind.value = &stmt.returningRowid;
    rowidBind.valueSize = sizeof stmt.returningRowid;
    rowidBind.dataType = SQLT_INT;
    stmt.returningSelect->binds.push_back(&rowidBind);
  }
  stmt.returningRowid = stmt.rowid;
  StmtHandle& select = *stmt.returningSelect;
  ErrorHandle scratch(OCI_HTYPE_ERROR, nullptr);
  std::vector<std::unique_ptr<DefineHandle>> defines;
  const std::size_t journalSize = journalEntries().size();
  sword status = executeSelect(select, &scratch, 0, OCI_DEFAULT, connection);
  // The statement is the stand-in's own: it leaves no journal line.
  journalEntries().resize(journalSize);
  if (status == OCI_SUCCESS) {
    for (std::size_t k = 0; k < stmt.rewritten.returningInto.size(); ++k) {
      const BindHandle* bind = nullptr;
      for (auto it = stmt.binds.rbegin(); it != stmt.binds.rend() && bind == nullptr; ++it)
        if ((*it)->name == stmt.rewritten.returningInto[k]) bind = *it;
      if (bind == nullptr) {
        error = {kVariablesNotBound, standardText(kVariablesNotBound)};
        return false;
      }
      auto define = std::make_unique<DefineHandle>(OCI_HTYPE_DEFINE, nullptr);
      static_cast<ValueBuffers&>(*define) = *bind;
      define->objects = bind->objects;  // an object or REF bind gets the row's value
      define->position = static_cast<ub4>(k + 1);
      select.defines.push_back(define.get());
      defines.push_back(std::move(define));
    }
    status = fetchRows(select, &scratch, 1, OCI_FETCH_NEXT);
  }
  select.defines.clear();
  // The kept select must hold no read snapshot past this call.
  if (select.sqlite != nullptr) sqlite3_reset(select.sqlite);
  if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) return true;
  const sb4 code = scratch.record ? scratch.record->code : kInternalError;
  error = {code, standardText(code)};
  return false;
}

// A DELETE returns the values of the last row it removed: inside the
// iteration's savepoint the removal is taken back, that row read, and the
// DELETE stepped again.
bool returnDeletedValues(StmtHandle& stmt, WriteScope& scope,
                         const std::shared_ptr<Connection>& connection, OraError& error) {
  if (sqlite3_changes(connection->db) == 0) return true;
  noteChangedRowid(stmt, *connection);
  scope.undo();
  const ub4 counted = stmt.rowCount;
  stmt.rowCount = 1;
  const bool read = returnValues(stmt, connection, error);
  stmt.rowCount = counted;
  if (!read) return false;
  sqlite3_reset(stmt.sqlite);
  int rc = sqlite3_step(stmt.sqlite);
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt.sqlite);
  if (rc == SQLITE_DONE) return true;
  error = changeError(*connection, stmt, rc);
  return false;
}

sword failWith(ErrorHandle* err, const OraError& error) {
  return fail(err, error);
}

sword executeSelect(StmtHandle& stmt, ErrorHandle* err, ub4 iters, ub4 mode,
                    const std::shared_ptr<Connection>& connection) {
  OraError error;
  JournalEntry entry{stmt.text, {}};
  stmt.executed = false;
  stmt.resetCursor();
  refreshDictionaryViews(*connection, stmt.text);
  if (!compile(stmt, connection, error)) {
    recordStatement(std::move(entry));
    return failWith(err, error);
  }
  if (!bindIteration(stmt, 0, &entry.binds, false, error)) {
    recordStatement(std::move(entry));
    return failWith(err, error);
  }
  recordStatement(std::move(entry));
  const int rc = sqlite3_step(stmt.sqlite);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    const OraError mapped = mapSqliteError(connection->db, rc, connection->user);
    sqlite3_reset(stmt.sqlite);
    return failWith(err, mapped);
  }
  // A locking select locks its first row at execute, the others as fetched.
  if (rc == SQLITE_ROW && stmt.rewritten.forUpdate && !stmt.rewritten.hiddenRowidTable.empty() &&
      (mode & OCI_DESCRIBE_ONLY) == 0 &&
      !lockRow(*connection, stmt.rewritten.hiddenRowidTable,
               sqlite3_column_int64(stmt.sqlite, sqlite3_column_count(stmt.sqlite) - 1),
               stmt.rewritten.noWait, error)) {
    sqlite3_reset(stmt.sqlite);
    return failWith(err, error);
  }
  stmt.columns = describeColumns(connection->db, stmt.sqlite, rc == SQLITE_ROW);
  applyRowidColumns(stmt.columns, stmt.rewritten);
  applyObjectColumns(connection->db, stmt.columns, stmt.rewritten.objectColumns);
  for (const auto& lazy : stmt.lazyLobs)
    if (lazy.position < stmt.columns.size()) stmt.columns[lazy.position] = lazy.info;
  stmt.described = true;
  freeChildrenOfType(&stmt, OCI_DTYPE_PARAM);
  if ((mode & OCI_DESCRIBE_ONLY) != 0) {
    sqlite3_reset(stmt.sqlite);
    return OCI_SUCCESS;
  }
  stmt.rowPending = rc == SQLITE_ROW;
  stmt.exhausted = rc == SQLITE_DONE;
  stmt.executed = true;
  if (iters == 0) return OCI_SUCCESS;
  return fetchRows(stmt, err, iters, OCI_FETCH_NEXT);
}

sword executeChange(StmtHandle& stmt, ErrorHandle* err, ub4 iters, ub4 rowoff, ub4 mode,
                    const std::shared_ptr<Connection>& connection, bool ddl) {
  OraError error;
  JournalEntry entry{stmt.text, {}};
  stmt.executed = false;
  stmt.resetCursor();
  if ((mode & OCI_DESCRIBE_ONLY) != 0) {
    // Describing a change parses it and nothing more: no row changes, no
    // transaction begins, data definition commits nothing.
    const bool parsed = compile(stmt, connection, error);
    recordStatement(std::move(entry));
    if (!parsed) return failWith(err, error);
    stmt.columns.clear();
    stmt.described = true;
    freeChildrenOfType(&stmt, OCI_DTYPE_PARAM);
    return OCI_SUCCESS;
  }
  if (iters == 0) {
    recordStatement(std::move(entry));
    return fail(err, kZeroIterations);
  }
  // Data definition commits the pending transaction and runs on its own.
  if (ddl && !connection->commit(error)) {
    recordStatement(std::move(entry));
    return failWith(err, error);
  }
  if (!compile(stmt, connection, error)) {
    recordStatement(std::move(entry));
    return failWith(err, error);
  }
  if (!ddl && !connection->beginIfNeeded(error)) {
    recordStatement(std::move(entry));
    return failWith(err, error);
  }
  const bool array = iters - rowoff > 1;
  const bool checked =
      stmt.cls.kind == StatementKind::kInsert || stmt.cls.kind == StatementKind::kUpdate;
  const bool rowChange = checked || stmt.cls.kind == StatementKind::kDelete;
  const bool returnsDeleted =
      stmt.cls.kind == StatementKind::kDelete && !stmt.rewritten.returningInto.empty();
  connection->clearChanges();
  TouchScope touched(*connection, rowChange);
  for (ub4 i = rowoff; i < iters; ++i) {
    sqlite3_reset(stmt.sqlite);
    if (!bindIteration(stmt, i, &entry.binds, array, error)) {
      stmt.dmlRowOffset = i;
      recordStatement(std::move(entry));
      return failWith(err, error);
    }
    WriteScope scope(*connection, rowChange, checked);
    connection->touchedRows.clear();
    int rc = sqlite3_step(stmt.sqlite);
    while (rc == SQLITE_ROW) rc = sqlite3_step(stmt.sqlite);
    OraError failure;
    bool failed = rc != SQLITE_DONE;
    if (failed) failure = changeError(*connection, stmt, rc);
    if (!failed && !scope.valuesFit(failure)) failed = true;
    if (!failed && !lockTouchedRows(*connection, failure)) failed = true;
    if (!failed && returnsDeleted && !returnDeletedValues(stmt, scope, connection, failure))
      failed = true;
    if (failed) {
      stmt.dmlRowOffset = i;
      sqlite3_reset(stmt.sqlite);
      scope.undo();
      recordStatement(std::move(entry));
      return failWith(err, failure);
    }
    stmt.rowCount += static_cast<ub4>(sqlite3_changes(connection->db));
  }
  sqlite3_reset(stmt.sqlite);
  if (ddl) noteDefinition(*connection, stmt.text);
  noteChangedRowid(stmt, *connection);
  recordStatement(std::move(entry));
  if (!stmt.rewritten.returningInto.empty() && !returnsDeleted &&
      !returnValues(stmt, connection, error))
    return failWith(err, error);
  if ((mode & OCI_COMMIT_ON_SUCCESS) != 0 && !connection->commit(error))
    return failWith(err, error);
  return OCI_SUCCESS;
}

}  // namespace

StmtHandle::~StmtHandle() {
  if (sqlite != nullptr) sqlite3_finalize(sqlite);
}

void StmtHandle::resetCursor() {
  rowPending = false;
  exhausted = false;
  endReported = false;
  rowCount = 0;
  rowsFetched = 0;
  dmlRowOffset = 0;
  hasRowid = false;
}

std::shared_ptr<Connection> connectionOf(SvcCtxHandle& svc) {
  auto* session = findAs<SessionHandle>(svc.session, OCI_HTYPE_SESSION);
  if (session == nullptr || !session->connection || session->connection->ended) return nullptr;
  return session->connection;
}

bool openCursor(StmtHandle& cursor, const std::string& select,
                const std::shared_ptr<Connection>& connection, OraError& error) {
  prepareStatement(cursor, nullptr, select);
  ErrorHandle scratch(OCI_HTYPE_ERROR, nullptr);
  if (executeSelect(cursor, &scratch, 0, OCI_DEFAULT, connection) == OCI_SUCCESS) return true;
  const sb4 code = scratch.record ? scratch.record->code : kInternalError;
  error = code == kInvalidIdentifier ? OraError{3001, "unimplemented feature"}
                                     : OraError{code, standardText(code)};
  return false;
}

sword prepareStatement(StmtHandle& stmt, ErrorHandle*, const std::string& text) {
  // A new text discards the binds, defines and cursor of the previous one.
  while (!stmt.children.empty()) freeHandle(stmt.children.back());
  stmt.binds.clear();
  stmt.defines.clear();
  if (stmt.sqlite != nullptr) sqlite3_finalize(stmt.sqlite);
  stmt.sqlite = nullptr;
  stmt.connection.reset();
  stmt.text = text;
  stmt.lazyLobs.clear();
  stmt.rewritten = rewriteSql(text);
  stmt.cls = classifyStatement(text);
  stmt.columns.clear();
  stmt.described = false;
  stmt.executed = false;
  stmt.parseErrorOffset = 0;
  stmt.resetCursor();
  stmt.prepared = true;
  return OCI_SUCCESS;
}

sword executeStatement(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, ub4 iters, ub4 rowoff,
                       ub4 mode) {
  if (!stmt.prepared) return fail(err, OraError{24337, "statement handle not prepared"});
  const std::shared_ptr<Connection> connection = connectionOf(svc);
  if (!connection) return fail(err, kNotConnected);
  closeLobReads(connection->db);
  OraError injected;
  if (takeInjectedError(injected) || takeStatementError(stmt.text, injected)) {
    recordStatement({stmt.text, {}});
    return fail(err, injected);
  }
  OraError error;
  CollectionStatement collection;
  if (!translateCollectionStatement(*connection, stmt, collection, error)) {
    recordStatement({stmt.text, {}});
    return fail(err, error);
  }
  switch (stmt.cls.kind) {
    case StatementKind::kSelect:
      return executeSelect(stmt, err, iters, mode, connection);
    case StatementKind::kAlterSession:
      // Session settings (date formats, optimizer goals, tracing) have no
      // counterpart here; the statement is accepted and has no effect.
      recordStatement({stmt.text, {}});
      stmt.resetCursor();
      return OCI_SUCCESS;
    case StatementKind::kPlsql: {
      sword status = OCI_SUCCESS;
      if (executePlsqlBlock(svc, stmt, err, mode, status)) return status;
      recordStatement({stmt.text, {}});
      return fail(err, OraError{kPlsqlError,
                                "line 1, column 1:\nPLS-00103: PL/SQL blocks are not supported "
                                "by this client"});
    }
    case StatementKind::kCommit:
      recordStatement({stmt.text, {}});
      stmt.resetCursor();
      if ((mode & OCI_DESCRIBE_ONLY) != 0) return OCI_SUCCESS;
      return connection->commit(error) ? OCI_SUCCESS : fail(err, error);
    case StatementKind::kRollback:
    case StatementKind::kSavepoint: {
      // "rollback" ends the transaction; "savepoint <name>" and "rollback to
      // [savepoint] <name>" are kept by the session (row_locks.h).
      recordStatement({stmt.text, {}});
      stmt.resetCursor();
      if ((mode & OCI_DESCRIBE_ONLY) != 0) return OCI_SUCCESS;
      const std::vector<std::string> words = leadingWords(stmt.text);
      bool done = false;
      if (stmt.cls.kind == StatementKind::kSavepoint)
        done = words.size() == 2 && setSavepoint(*connection, words[1], error);
      else if (words.size() >= 3 && words[1] == "TO")
        done = rollbackToSavepoint(*connection, words.back(), error);
      else
        done = connection->rollback(error);
      if (!done && error.code == 0)
        error = {kInvalidSqlStatement, standardText(kInvalidSqlStatement)};
      return done ? OCI_SUCCESS : fail(err, error);
    }
    case StatementKind::kDdl:
      if ((mode & OCI_DESCRIBE_ONLY) == 0 &&
          (runSequenceStatement(*connection, stmt.text, error) ||
           runSynonymStatement(*connection, stmt.text, error) ||
           runTypeStatement(*connection, stmt.text, error) ||
           runObjectTableStatement(*connection, stmt.text, error))) {
        recordStatement({stmt.text, {}});
        stmt.resetCursor();
        return error.code == 0 ? OCI_SUCCESS : fail(err, error);
      }
      return executeChange(stmt, err, iters == 0 ? 1 : iters, rowoff, mode, connection, true);
    default:
      break;
  }
  if (collection.change) {
    beginCollectionChange();
    const sword status = executeChange(stmt, err, iters, rowoff, mode, connection, false);
    return status == OCI_SUCCESS ? finishCollectionChange(svc, stmt, err, collection) : status;
  }
  return executeChange(stmt, err, iters, rowoff, mode, connection, false);
}

sword fetchRows(StmtHandle& stmt, ErrorHandle* err, ub4 nrows, ub2 orientation) {
  stmt.rowsFetched = 0;
  if (orientation != 0 && orientation != OCI_FETCH_NEXT) return fail(err, kUnimplemented);
  if (stmt.cls.kind != StatementKind::kSelect || !stmt.prepared) return fail(err, kInvalidCursor);
  if (!stmt.executed) return fail(err, kNotExecuted);
  if (!stmt.connection || stmt.connection->ended) return fail(err, kNotConnected);
  if (stmt.endReported) return fail(err, kFetchOutOfSequence);
  OraError injected;
  if (takeInjectedError(injected)) return fail(err, injected);
  if (nrows == 0) {  // cancels the cursor
    stmt.rowPending = false;
    stmt.exhausted = true;
    stmt.endReported = true;
    stmt.rowsFetched = 0;
    return OCI_SUCCESS;
  }
  ub4 rows = 0;
  bool truncated = false;
  OraError error;
  const bool hiddenRowid = !stmt.rewritten.hiddenRowidTable.empty();
  if (hiddenRowid && stmt.rowidTable != stmt.rewritten.hiddenRowidTable)
    stmt.rowidTable = stmt.rewritten.hiddenRowidTable;
  const FetchPlan plan = planFetch(stmt);
  while (rows < nrows) {
    if (!stmt.rowPending) {
      if (stmt.exhausted) break;
      const int rc = sqlite3_step(stmt.sqlite);
      if (rc == SQLITE_DONE) {
        stmt.exhausted = true;
        break;
      }
      if (rc != SQLITE_ROW) {
        stmt.rowCount += rows;
        stmt.rowsFetched = rows;
        return fail(err, mapSqliteError(stmt.connection->db, rc, stmt.connection->user));
      }
      stmt.rowPending = true;
    }
    bool rowTruncated = false;
    if (!writeRow(stmt, plan, rows, rowTruncated, error)) {
      stmt.rowCount += rows;
      stmt.rowsFetched = rows;
      return fail(err, error);
    }
    truncated = truncated || rowTruncated;
    if (hiddenRowid) noteFetchedRowid(stmt);
    // FOR UPDATE locks each row it fetches until the transaction ends.
    if (hiddenRowid && stmt.rewritten.forUpdate && stmt.hasRowid &&
        !lockRow(*stmt.connection, stmt.rowidTable, stmt.rowid, stmt.rewritten.noWait, error)) {
      stmt.rowCount += rows;
      stmt.rowsFetched = rows;
      return fail(err, error);
    }
    stmt.rowPending = false;
    ++rows;
  }
  stmt.rowCount += rows;
  stmt.rowsFetched = rows;
  if (rows < nrows) {
    stmt.endReported = true;
    setError(err, 1403, "no data found");
    return OCI_NO_DATA;
  }
  if (truncated) {
    setError(err, kTruncationOrNull);
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

template <class H>
sword setArrayOfStruct(void* h, ub4 type, OCIError* errhp, ub4 valueSkip, ub4 indicatorSkip,
                       ub4 lengthSkip, ub4 returnCodeSkip) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* buffers = findAs<H>(h, type);
  if (err == nullptr || buffers == nullptr) return OCI_INVALID_HANDLE;
  buffers->valueSkip = valueSkip;
  buffers->indicatorSkip = indicatorSkip;
  buffers->lengthSkip = lengthSkip;
  buffers->returnCodeSkip = returnCodeSkip;
  return OCI_SUCCESS;
}

template sword setArrayOfStruct<BindHandle>(void*, ub4, OCIError*, ub4, ub4, ub4, ub4);
template sword setArrayOfStruct<DefineHandle>(void*, ub4, OCIError*, ub4, ub4, ub4, ub4);

}  // namespace ocistandin
