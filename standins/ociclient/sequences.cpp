#include "sequences.h"

#include <cstdlib>

#include "catalogue.h"
#include "connection.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

using sqltokens::isPunct;
using sqltokens::isWord;
using sqltokens::nextSig;
using sqltokens::prevSig;
using sqltokens::Tok;
using sqltokens::Token;

const OraError kNoSequence{2289, "sequence does not exist"};

std::string nameOf(const Token& t) {
  return identifierOf(t);
}

bool isName(const std::vector<Token>& t, std::size_t i) {
  return i < t.size() && (t[i].kind == Tok::kWord || t[i].kind == Tok::kQuoted);
}

// The sidecar database of the connection, opened at first use.
sqlite3* sidecar(Connection& connection, OraError& error) {
  if (connection.sequences != nullptr) return connection.sequences;
  const char* file = sqlite3_db_filename(connection.db, "main");
  const std::string path = std::string(file != nullptr ? file : "") + "-sequences";
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    error = {kInternalError, "cannot open the sequence file " + path};
    return nullptr;
  }
  sqlite3_busy_timeout(db, 10000);
  if (sqlite3_exec(db,
                   "CREATE TABLE IF NOT EXISTS sequences(name TEXT PRIMARY KEY, "
                   "next INTEGER NOT NULL, increment INTEGER NOT NULL)",
                   nullptr, nullptr, nullptr) != SQLITE_OK) {
    error = mapSqliteError(db, sqlite3_errcode(db), connection.user);
    sqlite3_close_v2(db);
    return nullptr;
  }
  connection.sequences = db;
  return db;
}

// "OWNER.NAME" or "NAME" -> NAME, when the owner is the session's user.
bool ownName(const Connection& connection, const std::string& qualified, std::string& name) {
  const std::size_t dot = qualified.find('.');
  name = dot == std::string::npos ? qualified : qualified.substr(dot + 1);
  return dot == std::string::npos || qualified.substr(0, dot) == connection.user;
}

// Runs `sql` on the sidecar with the name (and up to two numbers) bound.
// Returns the SQLite code of the last step; `value` gets column 0 of a row.
int runOnSidecar(sqlite3* db, const char* sql, const std::string& name, long long a, long long b,
                 long long* value) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  if (rc != SQLITE_OK) return rc;
  sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_bind_parameter_count(stmt) >= 2) sqlite3_bind_int64(stmt, 2, a);
  if (sqlite3_bind_parameter_count(stmt) >= 3) sqlite3_bind_int64(stmt, 3, b);
  rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW && value != nullptr) *value = sqlite3_column_int64(stmt, 0);
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  return rc;
}

void resultError(sqlite3_context* ctx, const OraError& error) {
  char code[16];
  std::snprintf(code, sizeof code, "ORA-%05d: ", static_cast<int>(error.code));
  const std::string text = code + error.text;
  sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

std::string argText(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return p != nullptr ? p : "";
}

void nextvalFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto& connection = *static_cast<Connection*>(sqlite3_user_data(ctx));
  std::string name;
  if (!ownName(connection, argText(argv[0]), name)) return resultError(ctx, kNoSequence);
  OraError error;
  sqlite3* db = sidecar(connection, error);
  if (db == nullptr) return resultError(ctx, error);
  long long value = 0;
  const int rc = runOnSidecar(
      db, "UPDATE sequences SET next = next + increment WHERE name = ?1 RETURNING next - increment",
      name, 0, 0, &value);
  if (rc != SQLITE_DONE) return resultError(ctx, mapSqliteError(db, rc, connection.user));
  if (sqlite3_changes(db) == 0) return resultError(ctx, kNoSequence);
  connection.currentValues[name] = value;
  sqlite3_result_int64(ctx, value);
}

void currvalFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto& connection = *static_cast<Connection*>(sqlite3_user_data(ctx));
  std::string name;
  if (!ownName(connection, argText(argv[0]), name)) return resultError(ctx, kNoSequence);
  const auto it = connection.currentValues.find(name);
  if (it != connection.currentValues.end()) return sqlite3_result_int64(ctx, it->second);
  OraError error;
  sqlite3* db = sidecar(connection, error);
  if (db == nullptr) return resultError(ctx, error);
  long long found = 0;
  runOnSidecar(db, "SELECT count(*) FROM sequences WHERE name = ?1", name, 0, 0, &found);
  if (found == 0) return resultError(ctx, kNoSequence);
  resultError(ctx, {8002, "sequence " + name + ".CURRVAL is not yet defined in this session"});
}

// The number after token i ("START WITH -5"), or `fallback`.
long long numberAfter(const std::vector<Token>& t, std::size_t i, long long fallback) {
  bool negative = false;
  if (isPunct(t, i, "-")) {
    negative = true;
    i = nextSig(t, i);
  }
  if (i >= t.size() || t[i].kind != Tok::kNumber) return fallback;
  const long long n = std::atoll(t[i].text.c_str());
  return negative ? -n : n;
}

}  // namespace

void rewriteSequenceReferences(std::vector<Token>& t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!isWord(t, i, "NEXTVAL") && !isWord(t, i, "CURRVAL")) continue;
    const std::size_t dot = prevSig(t, i);
    const std::size_t seq = dot < t.size() ? prevSig(t, dot) : t.size();
    if (!isPunct(t, dot, ".") || !isName(t, seq)) continue;
    std::string name = nameOf(t[seq]);
    std::size_t first = seq;
    const std::size_t ownerDot = prevSig(t, seq);
    if (isPunct(t, ownerDot, ".") && isName(t, prevSig(t, ownerDot))) {
      first = prevSig(t, ownerDot);
      name = nameOf(t[first]) + "." + name;
    }
    const bool next = isWord(t, i, "NEXTVAL");
    for (std::size_t k = first; k < i; ++k) t[k].text.clear();
    std::string literal;
    for (char c : name) literal += c == '\'' ? std::string("''") : std::string(1, c);
    t[i].text = std::string(next ? "ora_nextval('" : "ora_currval('") + literal + "')";
  }
}

bool registerSequenceFunctions(sqlite3* db, Connection* connection, OraError& error) {
  if (sqlite3_create_function_v2(db, "ora_nextval", 1, SQLITE_UTF8, connection, nextvalFn, nullptr,
                                 nullptr, nullptr) != SQLITE_OK ||
      sqlite3_create_function_v2(db, "ora_currval", 1, SQLITE_UTF8, connection, currvalFn, nullptr,
                                 nullptr, nullptr) != SQLITE_OK) {
    error = {kInternalError, "cannot register the sequence functions"};
    return false;
  }
  return true;
}

bool runSequenceStatement(Connection& connection, const std::string& sql, OraError& error) {
  const std::vector<Token> t = sqltokens::tokenize(sql);
  const std::size_t verb = !t.empty() && sqltokens::significant(t[0]) ? 0 : nextSig(t, 0);
  const bool create = isWord(t, verb, "CREATE");
  if (!create && !isWord(t, verb, "DROP")) return false;
  const std::size_t kind = nextSig(t, verb);
  if (!isWord(t, kind, "SEQUENCE")) return false;
  std::size_t at = nextSig(t, kind);
  if (!isName(t, at)) {
    error = {kInvalidIdentifier, standardText(kInvalidIdentifier)};
    return true;
  }
  std::string qualified = nameOf(t[at]);
  if (isPunct(t, nextSig(t, at), ".") && isName(t, nextSig(t, nextSig(t, at)))) {
    at = nextSig(t, nextSig(t, at));
    qualified += "." + nameOf(t[at]);
  }
  std::string name;
  error = {};
  if (!connection.commit(error)) return true;  // data definition ends the transaction
  if (!ownName(connection, qualified, name)) {
    error = create ? OraError{kInsufficientPrivileges, standardText(kInsufficientPrivileges)}
                   : kNoSequence;
    return true;
  }
  sqlite3* db = sidecar(connection, error);
  if (db == nullptr) return true;
  if (!create) {
    const int rc = runOnSidecar(db, "DELETE FROM sequences WHERE name = ?1", name, 0, 0, nullptr);
    if (rc != SQLITE_DONE)
      error = mapSqliteError(db, rc, connection.user);
    else if (sqlite3_changes(db) == 0)
      error = kNoSequence;
    else
      connection.currentValues.erase(name);
    return true;
  }
  long long start = 1, increment = 1;
  for (std::size_t i = nextSig(t, at); i < t.size(); i = nextSig(t, i)) {
    if (isWord(t, i, "START") && isWord(t, nextSig(t, i), "WITH"))
      start = numberAfter(t, nextSig(t, nextSig(t, i)), start);
    if (isWord(t, i, "INCREMENT") && isWord(t, nextSig(t, i), "BY"))
      increment = numberAfter(t, nextSig(t, nextSig(t, i)), increment);
  }
  if (increment == 0) {
    error = {2191, "INCREMENT must be a non-zero integer"};
    return true;
  }
  const int rc =
      runOnSidecar(db, "INSERT INTO sequences(name, next, increment) VALUES (?1, ?2, ?3)", name,
                   start, increment, nullptr);
  if ((rc & 0xff) == SQLITE_CONSTRAINT)
    error = {955, "name is already used by an existing object"};
  else if (rc != SQLITE_DONE)
    error = mapSqliteError(db, rc, connection.user);
  return true;
}

}  // namespace ocistandin
