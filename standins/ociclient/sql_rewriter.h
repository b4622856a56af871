// A token-aware rewriter that turns the Oracle SQL the system sends into SQLite
// SQL. String literals, quoted names and comments pass untouched; bind
// variables become numbered parameters, one per occurrence.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "object_tables.h"
#include "platform/oci/oci_api.h"

namespace ocistandin {

struct Placeholder {
  std::string name;    // upper case, without the colon
  std::size_t offset;  // in the original text
};

struct RewrittenSql {
  std::string sql;  // SQLite text; placeholder k (0-based) is ?<k+1>
  std::vector<Placeholder> placeholders;
  // Offset in the original text of the token at a rewritten offset.
  std::size_t originalOffset(std::size_t rewrittenOffset) const;
  std::vector<std::pair<std::size_t, std::size_t>> offsets;  // (rewritten, original)
  // The ROWID pseudo-column (sql_rowid.h): select-list positions that hold
  // its text, the table of the hidden last rowid column (empty when the
  // statement has none), and the table a change applies to.
  std::vector<std::size_t> rowidColumns;
  std::string hiddenRowidTable;
  std::string targetTable;
  // A select that ends in FOR UPDATE (the clause is left out of `sql`): it
  // locks, and only such a select names the row it fetched last.
  bool forUpdate = false;
  // FOR UPDATE ... NOWAIT: a row locked by another session fails at once.
  bool noWait = false;
  // "returning <columns> into :v, ..." of a change (taken out of `sql`): the
  // column list as written and the variables, upper case without colon.
  std::string returningColumns;
  std::vector<std::string> returningInto;
  // Cursor expressions of the select list, "cursor(<select>)": each stands
  // as NULL in `sql`; its position in the list and its select's text.
  std::vector<std::pair<std::size_t, std::string>> cursorColumns;
  // Select-list positions whose column reference stands as typeof(column),
  // so that SQLite does not load a LOB value a locator will read.
  std::vector<std::size_t> lazyColumns;
  // REFs of object table rows in the select list (object_tables.h).
  ObjectColumns objectColumns;
};

// `hiddenRowid`: whether a single-table select FOR UPDATE gets the hidden
// rowid column.
// `lobRowid`: a single-table select gets it without FOR UPDATE too (its LOB
// locators name their row).
// `lazyColumns`: select-list positions of plain column references to stand
// as typeof(column) (RewrittenSql::lazyColumns tells which did).
RewrittenSql rewriteSql(const std::string& oracleSql, bool hiddenRowid = true,
                        bool lobRowid = false, const std::vector<std::size_t>& lazyColumns = {});

enum class StatementKind {
  kSelect,
  kInsert,
  kUpdate,
  kDelete,
  kDdl,
  kAlterSession,
  kPlsql,
  kCommit,
  kRollback,
  kSavepoint,
  kOther
};

struct StatementClass {
  StatementKind kind = StatementKind::kOther;
  ub2 statementType = OCI_STMT_UNKNOWN;  // OCI_ATTR_STMT_TYPE
  ub2 functionCode = 0;                  // OCI_ATTR_SQLFNCODE
};

// Classifies a statement by its leading words.
StatementClass classifyStatement(const std::string& oracleSql);

}  // namespace ocistandin
