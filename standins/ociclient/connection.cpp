#include "connection.h"

#include <atomic>
#include <cctype>
#include <string_view>

#include "object_types.h"
#include "row_locks.h"
#include "sequences.h"
#include "sql_functions.h"
#include "table_collections.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

std::atomic<long long> nextSessionId{1000};

bool exec(sqlite3* db, const char* sql, OraError& error, const std::string& owner) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return true;
  error = mapSqliteError(db, rc, owner);
  return false;
}

void rowChanged(void* self, int operation, const char* database, const char* table,
                sqlite3_int64 rowid) {
  auto* connection = static_cast<Connection*>(self);
  std::string name = table != nullptr ? table : "";
  name = platform::UpperAscii(name);
  if (connection->collectWrites && operation != SQLITE_DELETE && database != nullptr &&
      std::string_view(database) == "main")
    connection->writtenRows.emplace_back(name, rowid);
  if (operation != SQLITE_DELETE) connection->transactionRows.emplace(name, rowid);
  if (connection->trackTouched && database != nullptr && std::string_view(database) == "main")
    connection->touchedRows.emplace_back(name, rowid);
  connection->changedRows[name] = rowid;
  connection->lastChangedTable = std::move(name);
}

}  // namespace

void Connection::clearChanges() {
  changedRows.clear();
  lastChangedTable.clear();
}

Connection::~Connection() {
  releaseRowLocks(*this);
  writeChecks.clear();
  for (auto& kept : keptStatements) sqlite3_finalize(kept.second);
  if (db != nullptr) {
    if (inTransaction) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
  }
  if (sequences != nullptr) sqlite3_close_v2(sequences);
}

int Connection::execKept(const std::string& sql) {
  sqlite3_stmt*& stmt = keptStatements[sql];
  if (stmt == nullptr) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
      keptStatements.erase(sql);
      return rc;
    }
  }
  int rc = sqlite3_step(stmt);
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

bool Connection::beginIfNeeded(OraError& error) {
  if (inTransaction) return true;
  if (!exec(db, "BEGIN IMMEDIATE", error, user)) return false;
  inTransaction = true;
  if (setPendingSavepoints(*this, error)) return true;
  OraError ignored;
  rollback(ignored);
  return false;
}

// Commit and rollback end the transaction's savepoints and row locks, also
// those of a transaction that only locked rows.
bool Connection::commit(OraError& error) {
  if (inTransaction && !exec(db, "COMMIT", error, user)) return false;
  inTransaction = false;
  transactionRows.clear();
  savepoints.clear();
  releaseRowLocks(*this);
  return true;
}

bool Connection::rollback(OraError& error) {
  savepoints.clear();
  releaseRowLocks(*this);
  if (!inTransaction) return true;
  inTransaction = false;
  transactionRows.clear();
  return exec(db, "ROLLBACK", error, user);
}

Connection* openConnection(const std::string& path, int busyTimeoutMs, OraError& error) {
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (db != nullptr) sqlite3_close_v2(db);
    error = {kTnsNoListener, standardText(kTnsNoListener)};
    return nullptr;
  }
  auto* connection = new Connection;
  connection->db = db;
  connection->sessionId = nextSessionId++;
  connection->busyTimeoutMs = busyTimeoutMs;
  sqlite3_busy_timeout(db, busyTimeoutMs);
  sqlite3_update_hook(db, rowChanged, connection);
  const char* setup =
      "PRAGMA journal_mode=WAL;"
      "PRAGMA case_sensitive_like=ON;"
      "PRAGMA foreign_keys=ON;"
      "CREATE TEMP TABLE IF NOT EXISTS dual(dummy VARCHAR2(1));"
      "INSERT INTO temp.dual SELECT 'X' WHERE NOT EXISTS (SELECT 1 FROM temp.dual);";
  if (!exec(db, setup, error, "") || !registerOracleFunctions(db, connection, error) ||
      !registerSequenceFunctions(db, connection, error) || !registerTypeConstructors(db, error) ||
      !registerCollectionFunctions(db, error)) {
    delete connection;
    return nullptr;
  }
  return connection;
}

LogonResult checkAccount(Connection& connection, const std::string& user,
                         const std::string& password, int& graceDays, OraError& error) {
  std::string upperUser = user;
  upperUser = platform::UpperAscii(upperUser);
  sqlite3_stmt* stmt = nullptr;
  const char* sql =
      "SELECT password, status, grace_days FROM ociclient_accounts WHERE username = ?1";
  if (sqlite3_prepare_v2(connection.db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
    // A database without accounts admits nobody.
    error = {kInvalidLogon, standardText(kInvalidLogon)};
    return LogonResult::kDenied;
  }
  sqlite3_bind_text(stmt, 1, upperUser.c_str(), -1, SQLITE_TRANSIENT);
  LogonResult result = LogonResult::kDenied;
  if (sqlite3_step(stmt) == SQLITE_ROW) {
    const auto* stored = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    const auto* status = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    const std::string statusText = status != nullptr ? status : "OPEN";
    if (stored != nullptr && password == stored) {
      if (statusText == "LOCKED") {
        result = LogonResult::kLocked;
      } else if (statusText == "EXPIRING") {
        result = LogonResult::kExpiring;
        graceDays = sqlite3_column_int(stmt, 2);
      } else {
        result = LogonResult::kOk;
      }
    }
  }
  sqlite3_finalize(stmt);
  if (result == LogonResult::kDenied) error = {kInvalidLogon, standardText(kInvalidLogon)};
  if (result == LogonResult::kLocked) error = {kAccountLocked, standardText(kAccountLocked)};
  if (result == LogonResult::kOk || result == LogonResult::kExpiring) connection.user = upperUser;
  return result;
}

bool accountPrivileged(Connection& connection, const std::string& user) {
  sqlite3_stmt* stmt = nullptr;
  const char* sql = "SELECT privileged FROM ociclient_accounts WHERE username = ?1";
  if (sqlite3_prepare_v2(connection.db, sql, -1, &stmt, nullptr) != SQLITE_OK) return false;
  sqlite3_bind_text(stmt, 1, user.c_str(), -1, SQLITE_TRANSIENT);
  const bool privileged = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int(stmt, 0) != 0;
  sqlite3_finalize(stmt);
  return privileged;
}

}  // namespace ocistandin
