// Row locks and savepoints of the stand-in's sessions. SQLite has one
// writer per database, so row locks live in a process-wide table keyed by
// database file, table and rowid: a select FOR UPDATE locks the rows it
// fetches and a change locks the rows it touched, until commit, rollback,
// a rollback to an earlier savepoint, or the session's end. Neither a
// savepoint nor a locking select takes SQLite's write lock; savepoints set
// before the first change are set in SQLite when the transaction begins.
#pragma once

#include <sqlite3.h>

#include <string>

#include "connection.h"

namespace ocistandin {

// Locks the row for `connection`. A row another session holds fails with
// ORA-00054 at once when `noWait`, else after the session's busy time-out.
bool lockRow(Connection& connection, const std::string& table, sqlite3_int64 rowid, bool noWait,
             OraError& error);
// Whether another session holds the row, after waiting for it (as lockRow).
bool rowHeldByOther(Connection& connection, const std::string& table, sqlite3_int64 rowid,
                    bool noWait, OraError& error);
// Releases the connection's locks taken after `mark` (0: all of them).
void releaseRowLocks(const Connection& connection, unsigned long long mark = 0);
// The mark of the connection's newest lock so far.
unsigned long long rowLockMark();

// "savepoint NAME": remembered, and set in SQLite when a transaction is open.
bool setSavepoint(Connection& connection, const std::string& name, OraError& error);
// "rollback to [savepoint] NAME": ORA-01086 for a name not set since the
// transaction began; releases the row locks taken after it.
bool rollbackToSavepoint(Connection& connection, const std::string& name, OraError& error);

// Sets in SQLite the savepoints set before the transaction began.
bool setPendingSavepoints(Connection& connection, OraError& error);

}  // namespace ocistandin
