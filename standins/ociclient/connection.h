// One database session over one SQLite connection, with Oracle's transaction
// rules: a transaction begins at the first change and lasts until commit or
// rollback; data definition commits what is pending.
#pragma once

#include <sqlite3.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "write_checks.h"

#include "error_mapping.h"
#include "errors.h"
#include "temporary_lobs.h"

namespace ocistandin {

// A savepoint of the open (or next) transaction: the row-lock mark when it
// was set, and whether SQLite has it yet (it gets it when the first change
// begins the transaction).
struct Savepoint {
  std::string name;  // upper case
  unsigned long long mark = 0;
  bool inSqlite = false;
};

struct Connection {
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* db = nullptr;
  std::string user;  // upper case, as Oracle reports it
  long long sessionId = 0;
  bool inTransaction = false;
  bool ended = false;
  // Rows changed since clearChanges(): the last rowid per table (upper
  // case), and the table changed last. Kept by an update hook.
  std::map<std::string, sqlite3_int64> changedRows;
  std::string lastChangedTable;
  // While `collectWrites` is on: every row of a main-database table that an
  // INSERT or UPDATE wrote (table upper case, rowid), for WriteChecks.
  bool collectWrites = false;
  std::vector<std::pair<std::string, sqlite3_int64>> writtenRows;
  WriteChecks writeChecks;
  // Sequences (sequences.h): the sidecar database, opened at first use, and
  // the value each sequence gave this session last (its CURRVAL).
  sqlite3* sequences = nullptr;
  std::map<std::string, long long> currentValues;
  // Every row (table upper case, rowid) the open transaction inserted or
  // updated: the rows whose LOBs may be written (lob.h).
  std::set<std::pair<std::string, sqlite3_int64>> transactionRows;
  TemporaryLobs temporaryLobs;

  int busyTimeoutMs = 0;
  std::vector<Savepoint> savepoints;
  // While `trackTouched` is on: every row of a main-database table that a
  // change inserted, updated or deleted (table upper case, rowid).
  bool trackTouched = false;
  std::vector<std::pair<std::string, sqlite3_int64>> touchedRows;
  // The statements of execKept, by text.
  std::map<std::string, sqlite3_stmt*> keptStatements;

  void clearChanges();

  // Runs one statement of the stand-in's own (savepoints and the like)
  // through a prepared statement kept per text, so that a statement run for
  // every row is compiled once. Returns SQLite's result code.
  int execKept(const std::string& sql);

  // Begins the transaction if none is open (before a change).
  bool beginIfNeeded(OraError& error);
  bool commit(OraError& error);
  bool rollback(OraError& error);
};

// Outcome of a logon check.
enum class LogonResult { kOk, kExpiring, kDenied, kLocked };

// Opens the database file (which must exist) for one session and prepares it:
// WAL journal, lock time-out, case-sensitive LIKE, the DUAL table, and the
// Oracle functions. Returns null with `error` set on failure.
Connection* openConnection(const std::string& path, int busyTimeoutMs, OraError& error);

// Checks user name and password against the accounts table of the database.
// `graceDays` receives the days left for an expiring password.
LogonResult checkAccount(Connection& connection, const std::string& user,
                         const std::string& password, int& graceDays, OraError& error);

// Whether the accounts table marks `user` as privileged (column `privileged`
// not 0), the condition for a logon as SYSDBA or SYSOPER. False when the
// table has no such column.
bool accountPrivileged(Connection& connection, const std::string& user);

}  // namespace ocistandin
