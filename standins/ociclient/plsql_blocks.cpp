// The two PL/SQL block shapes the stand-in runs, both over a PL/SQL table
// bind (OCIBindByName with a table size and a count of elements in use):
//
//   begin forall i in 1 .. :n insert into T (c) values (:t(i)); end;
//     inserts the first :n elements of :t, as array DML of :n rows;
//   begin select c bulk collect into :t from T ...; end;
//     runs the select and writes its rows into :t, setting the count in
//     use; more rows than the table holds give ORA-06513;
//
// and one over a cursor bind (type 116, the value the address of a
// statement handle the caller allocated):
//
//   begin open :c for <select>; end;
//     prepares and executes the select on that handle, which the caller
//     then fetches from.
//
// Names are case-insensitive and blanks free. Any other block goes to the
// small statement interpreter (plsql_statements.cpp); what it does not take
// is refused by the caller.
#include <regex>
#include <string>
#include <vector>

#include "journal.h"
#include "object_columns.h"
#include "platform/text.h"
#include "statement.h"
#include "table_collections.h"

namespace ocistandin {
namespace {

constexpr sb4 kSubscriptBeyondCount = 6533;
constexpr sb4 kTableOutOfRange = 6513;

const std::regex& forallInsert() {
  static const std::regex shape(
      R"(^\s*begin\s+forall\s+(\w+)\s+in\s+1\s*\.\.\s*:(\w+)\s+insert\s+into\s+(\w+)\s*)"
      R"(\(\s*(\w+)\s*\)\s*values\s*\(\s*:(\w+)\s*\(\s*(\w+)\s*\)\s*\)\s*;\s*end\s*;\s*$)",
      std::regex::icase);
  return shape;
}

const std::regex& openFor() {
  static const std::regex shape(R"(^\s*begin\s+open\s+:(\w+)\s+for\s+([\s\S]+?)\s*;\s*end\s*;\s*$)",
                                std::regex::icase);
  return shape;
}

const std::regex& bulkCollect() {
  static const std::regex shape(
      R"(^\s*begin\s+select\s+([\s\S]+?)\s+bulk\s+collect\s+into\s+:(\w+)\s+from\s+([\s\S]+?)\s*;)"
      R"(\s*end\s*;\s*$)",
      std::regex::icase);
  return shape;
}

// The newest bind of that placeholder name.
const BindHandle* bindNamed(const StmtHandle& stmt, const std::string& name) {
  const std::string wanted = platform::UpperAscii(name);
  for (auto it = stmt.binds.rbegin(); it != stmt.binds.rend(); ++it)
    if ((*it)->name == wanted) return *it;
  return nullptr;
}

// Inserts the first :n elements of the table bind, one row each.
sword runForall(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, ub4 mode,
                const std::smatch& m) {
  if (platform::UpperAscii(m[1].str()) != platform::UpperAscii(m[6].str()))
    return fail(err,
                OraError{kPlsqlError, "PLS-00201: identifier '" + platform::UpperAscii(m[6].str()) +
                                          "' must be declared"});
  const BindHandle* count = bindNamed(stmt, m[2].str());
  const BindHandle* table = bindNamed(stmt, m[5].str());
  if (count == nullptr || table == nullptr) return fail(err, kVariablesNotBound);
  BindValue n;
  OraError error;
  if (!readBindValue(*count, 0, n, error)) return fail(err, error);
  const sqlite3_int64 rows = n.kind == BindValue::Kind::kInteger ? n.integer
                             : n.kind == BindValue::Kind::kReal ? static_cast<sqlite3_int64>(n.real)
                                                                : 0;
  const ub4 inUse = table->currentElements != nullptr ? *table->currentElements : 1;
  if (rows < 0 || static_cast<ub4>(rows) > inUse)
    return fail(err, OraError{kSubscriptBeyondCount, "Subscript beyond count"});
  stmt.rowCount = 0;
  if (rows == 0) return OCI_SUCCESS;
  StmtHandle insert(OCI_HTYPE_STMT, nullptr);
  prepareStatement(insert, err, "insert into " + m[3].str() + " (" + m[4].str() + ") values (:V)");
  BindHandle element(OCI_HTYPE_BIND, nullptr);
  element.name = "V";
  pointAtElements(element, *table);
  insert.binds.push_back(&element);
  const sword status = executeStatement(svc, insert, err, static_cast<ub4>(rows), 0, mode);
  insert.binds.clear();
  stmt.rowCount = 1;
  return status;
}

// Runs the select and writes its rows into the table bind.
sword runBulkCollect(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, const std::smatch& m) {
  const BindHandle* table = bindNamed(stmt, m[2].str());
  if (table == nullptr) return fail(err, kVariablesNotBound);
  if (table->maxElements == 0 || table->currentElements == nullptr)
    return fail(err, OraError{kPlsqlError,
                              "PLS-00497: cannot mix between single row and "
                              "multi-row (BULK) in INTO list"});
  StmtHandle select(OCI_HTYPE_STMT, nullptr);
  prepareStatement(select, err, "select " + m[1].str() + " from " + m[3].str());
  sword status = executeStatement(svc, select, err, 0, 0, OCI_DEFAULT);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) return status;
  DefineHandle into(OCI_HTYPE_DEFINE, nullptr);
  into.position = 1;
  pointAtElements(into, *table);
  select.defines.push_back(&into);
  status = fetchRows(select, err, table->maxElements, OCI_FETCH_NEXT);
  const ub4 fetched = select.rowsFetched;
  if (status == OCI_SUCCESS && fetched == table->maxElements) {
    // A further row would not fit: fetch it into a scratch element.
    std::vector<char> scratch(table->valueSize > 0 ? static_cast<size_t>(table->valueSize) : 1);
    sb2 indicator = 0;
    ub2 length = 0;
    into.value = scratch.data();
    into.indicators = &indicator;
    into.lengths = &length;
    const sword more = fetchRows(select, err, 1, OCI_FETCH_NEXT);
    if (more == OCI_SUCCESS && select.rowsFetched == 1) {
      select.defines.clear();
      return fail(err, OraError{kTableOutOfRange,
                                "PL/SQL: index for PL/SQL table out of range "
                                "for host language array"});
    }
  } else if (status != OCI_SUCCESS && status != OCI_NO_DATA) {
    select.defines.clear();
    return status;
  }
  select.defines.clear();
  *table->currentElements = fetched;
  stmt.rowCount = 1;
  return OCI_SUCCESS;
}

// Opens the cursor of the cursor bind: its statement handle runs the select.
sword runOpenFor(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, const std::smatch& m) {
  const BindHandle* cursor = bindNamed(stmt, m[1].str());
  if (cursor == nullptr) return fail(err, kVariablesNotBound);
  StmtHandle* target = nullptr;
  if (cursor->dataType == SQLT_RSET && cursor->value != nullptr) {
    target = findAs<StmtHandle>(*static_cast<OCIStmt**>(cursor->value), OCI_HTYPE_STMT);
  }
  if (target == nullptr) return fail(err, kInvalidCursor);
  prepareStatement(*target, err, m[2].str());
  if (target->cls.kind != StatementKind::kSelect) {
    target->prepared = false;
    return fail(err, OraError{kPlsqlError, "PLS-00382: expression is of wrong type"});
  }
  const sword status = executeStatement(svc, *target, err, 0, 0, OCI_DEFAULT);
  stmt.rowCount = 1;
  return status;
}

}  // namespace

bool executePlsqlBlock(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, ub4 mode,
                       sword& status) {
  std::smatch m;
  if (std::regex_match(stmt.text, m, forallInsert())) {
    recordStatement({stmt.text, {}});
    status = runForall(svc, stmt, err, mode, m);
    return true;
  }
  if (std::regex_match(stmt.text, m, openFor())) {
    recordStatement({stmt.text, {}});
    status = runOpenFor(svc, stmt, err, m);
    return true;
  }
  if (std::regex_match(stmt.text, m, bulkCollect())) {
    recordStatement({stmt.text, {}});
    status = runBulkCollect(svc, stmt, err, m);
    return true;
  }
  if (executeXmlLoadBlock(svc, stmt, err, status)) return true;
  if (executeEmptyCollectionBlock(svc, stmt, err, mode, status)) return true;
  return executePlsqlStatements(svc, stmt, err, status);
}

}  // namespace ocistandin
