// Nested tables and varrays of a table's collection column as a row source
// and as the target of changes:
//
//   select t.*, rowid from table(select m.c from T m where ...) t
//   insert into table(select m.c from T m where ...) (a, b) values (...)
//   update table(select m.c from T m where ...) t set a = ... where rowid = :r
//   delete from table(select m.c from T m where ...) t where rowid = :r
//
// (THE(...) is the same). Each element is one row: the attributes of an
// object element as columns, a scalar element as COLUMN_VALUE. An element's
// ROWID is in the shared layout (rowid_mapping.h) of the table "T.C": block
// the master row's rowid, row the element's position. A change rewrites the
// master row's collection value in the session's transaction; a varray
// target gives ORA-22906, an insert into a null collection ORA-22908.
//
// Also the block that gives master rows an empty collection:
//   begin update T set c = TYPE() where c is null and (...); end;
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "errors.h"
#include "statement.h"

namespace ocistandin {

struct Connection;

struct CollectionStatement {
  bool active = false;     // the statement reads or changes a collection
  bool change = false;     // an INSERT, UPDATE or DELETE of its elements
  std::string rowidTable;  // "T.C", the table of the elements' ROWIDs
  // The binds of "returning rowid into :v, ...", upper case.
  std::vector<std::string> returningInto;
};

// At execute: when the statement's row source or target is TABLE(...) or
// THE(...), replaces stmt.rewritten with its SQLite form and sets
// `collection`. False with `error` set when the expression names no
// collection column or a change targets a varray.
bool translateCollectionStatement(Connection& connection, StmtHandle& stmt,
                                  CollectionStatement& collection, OraError& error);

// Around the change of a collection: forgets the elements the last one
// touched; afterwards sets the rows processed to the elements touched and
// writes "returning rowid into :v" with the element's ROWID.
void beginCollectionChange();
sword finishCollectionChange(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err,
                             const CollectionStatement& collection);

// Runs the empty-collection block (see above): false when the text is not
// that block, else true with the call's status.
bool executeEmptyCollectionBlock(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, ub4 mode,
                                 sword& status);

// The SQL functions the translated statements use (at connection open).
bool registerCollectionFunctions(sqlite3* db, OraError& error);

}  // namespace ocistandin
