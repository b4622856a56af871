// The ROWID pseudo-column in the SQL the system sends, carried over to
// SQLite's rowid:
// - in the select list of the statement or of an inline view it becomes the
//   18-character ROWID text of the row (ora_rowid_text), named ROWID unless
//   it has an alias; a subquery's ROWID stays the SQLite rowid, to be
//   compared with another ("rowid in (select rowid ...)");
// - a bind variable or literal compared with it (=, <>, !=, <, >, <=, >=,
//   [NOT] IN (...)) is read back as ROWID text (ora_rowid_value), so that
//   "where rowid = :x" finds the row; a ROWID of another table finds none;
// - a single-table select FOR UPDATE without DISTINCT, grouping, aggregates
//   or set operators gets the table's rowid as a hidden last column, so that
//   the statement can name the row it fetched last; a join does too when
//   `lockedQualifier` (the q of "FOR UPDATE OF q.column") names one of its
//   tables, whose rows are then the ones locked.
// The table is found in the FROM clause (or after UPDATE, INTO, DELETE) of
// the query block, by alias for a qualified reference.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sql_tokens.h"

namespace ocistandin {

struct RowidRewrite {
  std::vector<std::size_t> columns;  // 0-based select-list positions that are the ROWID
  std::string hiddenTable;           // table of the hidden rowid column; empty when none
  std::string targetTable;           // table an INSERT, UPDATE or DELETE changes
};

RowidRewrite rewriteRowidReferences(std::vector<sqltokens::Token>& t, bool addHiddenRowid,
                                    const std::string& lockedQualifier = {});

}  // namespace ocistandin
