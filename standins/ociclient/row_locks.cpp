#include "row_locks.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

#include "platform/text.h"

namespace ocistandin {
namespace {

using RowKey = std::tuple<std::string, std::string, sqlite3_int64>;  // file, table, rowid

struct Holder {
  long long sessionId;
  unsigned long long mark;
};

struct LockTable {
  std::mutex mutex;
  std::map<RowKey, Holder> rows;
  unsigned long long nextMark = 1;
};

LockTable& locks() {
  static LockTable table;
  return table;
}

RowKey keyOf(const Connection& connection, const std::string& table, sqlite3_int64 rowid) {
  const char* file = sqlite3_db_filename(connection.db, "main");
  std::string upper = table;
  return {file != nullptr ? file : "", platform::UpperAscii(upper), rowid};
}

// Whether another session holds `key`; takes the lock for `connection` when
// `take` and the row is free.
bool heldByOther(const Connection& connection, const RowKey& key, bool take) {
  LockTable& table = locks();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto it = table.rows.find(key);
  if (it != table.rows.end()) return it->second.sessionId != connection.sessionId;
  if (take) table.rows.emplace(key, Holder{connection.sessionId, table.nextMark++});
  return false;
}

bool waitFor(const Connection& connection, const RowKey& key, bool take, bool noWait,
             OraError& error) {
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(noWait ? 0 : connection.busyTimeoutMs);
  while (heldByOther(connection, key, take)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      error = {kResourceBusy, standardText(kResourceBusy)};
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A savepoint name as SQLite takes it.
std::string quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

bool lockRow(Connection& connection, const std::string& table, sqlite3_int64 rowid, bool noWait,
             OraError& error) {
  if (!waitFor(connection, keyOf(connection, table, rowid), true, noWait, error)) return false;
  // A locked row may be written through its LOB locators, as a changed one.
  connection.transactionRows.emplace(platform::UpperAscii(table), rowid);
  return true;
}

bool rowHeldByOther(Connection& connection, const std::string& table, sqlite3_int64 rowid,
                    bool noWait, OraError& error) {
  return !waitFor(connection, keyOf(connection, table, rowid), false, noWait, error);
}

void releaseRowLocks(const Connection& connection, unsigned long long mark) {
  LockTable& table = locks();
  std::lock_guard<std::mutex> guard(table.mutex);
  for (auto it = table.rows.begin(); it != table.rows.end();) {
    if (it->second.sessionId == connection.sessionId && it->second.mark > mark)
      it = table.rows.erase(it);
    else
      ++it;
  }
}

unsigned long long rowLockMark() {
  LockTable& table = locks();
  std::lock_guard<std::mutex> guard(table.mutex);
  return table.nextMark - 1;
}

bool setSavepoint(Connection& connection, const std::string& name, OraError& error) {
  std::string upper = name;
  upper = platform::UpperAscii(upper);
  // A name set again moves the savepoint: SQLite's earlier one (and those
  // after it, which SQLite merges into the transaction) is released first,
  // so that repeated savepoints do not pile up.
  auto earlier = std::find_if(connection.savepoints.begin(), connection.savepoints.end(),
                              [&](const Savepoint& s) { return s.name == upper; });
  if (earlier != connection.savepoints.end()) {
    if (earlier->inSqlite) {
      const std::string release = "RELEASE " + quoted(upper);
      connection.execKept(release);
    }
    connection.savepoints.erase(earlier, connection.savepoints.end());
  }
  Savepoint point{upper, rowLockMark(), false};
  if (connection.inTransaction) {
    const std::string sql = "SAVEPOINT " + quoted(upper);
    const int rc = connection.execKept(sql);
    if (rc != SQLITE_OK) {
      error = mapSqliteError(connection.db, rc, connection.user);
      return false;
    }
    point.inSqlite = true;
  }
  connection.savepoints.push_back(point);
  return true;
}

bool rollbackToSavepoint(Connection& connection, const std::string& name, OraError& error) {
  std::string upper = name;
  upper = platform::UpperAscii(upper);
  auto it = std::find_if(connection.savepoints.begin(), connection.savepoints.end(),
                         [&](const Savepoint& s) { return s.name == upper; });
  if (it == connection.savepoints.end()) {
    error = {1086, "savepoint '" + upper + "' never established in this session or is invalid"};
    return false;
  }
  releaseRowLocks(connection, it->mark);
  if (it->inSqlite) {
    const std::string sql = "ROLLBACK TO " + quoted(upper);
    const int rc = connection.execKept(sql);
    if (rc != SQLITE_OK) {
      error = mapSqliteError(connection.db, rc, connection.user);
      return false;
    }
  }
  connection.savepoints.erase(it + 1, connection.savepoints.end());
  return true;
}

bool setPendingSavepoints(Connection& connection, OraError& error) {
  for (Savepoint& point : connection.savepoints) {
    if (point.inSqlite) continue;
    const std::string sql = "SAVEPOINT " + quoted(point.name);
    const int rc = connection.execKept(sql);
    if (rc != SQLITE_OK) {
      error = mapSqliteError(connection.db, rc, connection.user);
      return false;
    }
    point.inSqlite = true;
  }
  return true;
}

}  // namespace ocistandin
