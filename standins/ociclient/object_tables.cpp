#include "object_tables.h"

#include "catalogue.h"
#include "connection.h"
#include "object_columns.h"
#include "object_instances.h"
#include "object_types.h"
#include "platform/text.h"
#include "row_locks.h"

namespace ocistandin {

using namespace sqltokens;

namespace {

constexpr sb4 kObjectGone = 21700;

std::string columnText(sqlite3_stmt* stmt, int c) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
  return text != nullptr ? text : "";
}

// The index of the ")" closing the "(" at `open`, or t.size().
std::size_t closingParen(const std::vector<Token>& t, std::size_t open) {
  int depth = 0;
  for (std::size_t k = open; k < t.size(); ++k) {
    if (isPunct(t, k, "(")) ++depth;
    if (isPunct(t, k, ")") && --depth == 0) return k;
  }
  return t.size();
}

// The table an alias (or a table named without one) of the statement means.
std::string tableOfAlias(const std::vector<Token>& t, const std::string& alias) {
  for (std::size_t k = 0; k < t.size(); ++k) {
    if (t[k].kind != Tok::kWord && t[k].kind != Tok::kQuoted) continue;
    const std::size_t before = prevSig(t, k);
    if (!isWord(t, before, "FROM") && !isWord(t, before, "JOIN") && !isPunct(t, before, ","))
      continue;
    const std::string table = identifierOf(t[k]);
    std::size_t next = nextSig(t, k);
    if (isWord(t, next, "AS")) next = nextSig(t, next);
    if (table == alias) return table;
    if (next < t.size() && t[next].kind == Tok::kWord && identifierOf(t[next]) == alias)
      return table;
  }
  return {};
}

// The position in the main select list of token i; t.size() when the token
// is not an item of its own there.
std::size_t selectPosition(const std::vector<Token>& t, std::size_t i) {
  std::size_t select = nextSig(t, static_cast<std::size_t>(-1));
  if (!isWord(t, select, "SELECT")) return t.size();
  int depth = 0;
  std::size_t position = 0;
  for (std::size_t k = select; k < i; ++k) {
    if (isPunct(t, k, "(")) ++depth;
    if (isPunct(t, k, ")")) --depth;
    if (depth == 0 && isWord(t, k, "FROM")) return t.size();
    if (depth == 0 && isPunct(t, k, ",")) ++position;
  }
  if (depth != 0) return t.size();
  const std::size_t before = prevSig(t, i);
  return before == select || isPunct(t, before, ",") ? position : t.size();
}

}  // namespace

bool runObjectTableStatement(Connection& connection, const std::string& sql, OraError& error) {
  const std::vector<Token> t = tokenize(sql);
  std::size_t i = nextSig(t, static_cast<std::size_t>(-1));
  if (!isWord(t, i, "CREATE") || !isWord(t, nextSig(t, i), "TABLE")) return false;
  const std::size_t name = nextSig(t, nextSig(t, i));
  const std::size_t of = nextSig(t, name);
  if (name >= t.size() || !isWord(t, of, "OF")) return false;
  const std::size_t typeToken = nextSig(t, of);
  error = {0, ""};
  if (typeToken >= t.size()) return error = {kInvalidSqlStatement, "missing type name"}, true;
  const std::string table = identifierOf(t[name]);
  const std::string typeName = platform::UpperAscii(identifierOf(t[typeToken]));
  ObjectType type;
  if (!findType(connection.db, typeName, type) || type.isCollection())
    return error = unknownTypeError(typeName), true;
  if (!connection.commit(error)) return true;
  const std::string create =
      "CREATE TABLE \"" + table + "\" (" + kRowInfoColumn + " \"" + typeName + "\")";
  char* message = nullptr;
  if (sqlite3_exec(connection.db, create.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
    error = {955, std::string("name is already used by an existing object: ") +
                      (message != nullptr ? message : "")};
  sqlite3_free(message);
  return true;
}

std::string objectTableType(sqlite3* db, const std::string& table) {
  const char* declared = nullptr;
  if (sqlite3_table_column_metadata(db, nullptr, table.c_str(), kRowInfoColumn, &declared, nullptr,
                                    nullptr, nullptr, nullptr) != SQLITE_OK ||
      declared == nullptr)
    return {};
  return platform::UpperAscii(declared);
}

std::string refHex(const std::string& table, sqlite3_int64 rowid) {
  return hexDigits(table + ":" + std::to_string(rowid));
}

bool refTarget(const std::string& hex, std::string& table, sqlite3_int64& rowid) {
  if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
    return false;
  const std::string target = hexBytes(hex);
  const auto colon = target.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == target.size()) return false;
  const std::string digits = target.substr(colon + 1);
  if (digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  table = target.substr(0, colon);
  rowid = std::stoll(digits);
  return true;
}

void rewriteObjectFunctions(std::vector<Token>& t, ObjectColumns& columns) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool value = isWord(t, i, "VALUE"), ref = isWord(t, i, "REF");
    const std::size_t open = nextSig(t, i);
    if ((!value && !ref) || !isPunct(t, open, "(")) continue;
    const std::size_t close = closingParen(t, open);
    if (close >= t.size()) continue;
    const std::size_t position = selectPosition(t, i);
    const std::size_t alias = nextSig(t, open);
    if (nextSig(t, alias) != close || t[alias].kind != Tok::kWord) continue;
    const std::string name = identifierOf(t[alias]);
    const std::string table = tableOfAlias(t, name);
    if (table.empty()) continue;
    for (std::size_t k = i; k <= close; ++k) t[k] = Token{Tok::kSpace, "", t[k].offset};
    if (value) {
      t[i].text = "\"" + name + "\"." + kRowInfoColumn;
    } else {
      // The hexadecimal digits of "TABLE:rowid".
      t[i].text = "upper(hex('" + table + ":' || \"" + name + "\"._rowid_))";
      if (position < t.size()) columns.refs.emplace_back(position, table);
    }
    // An unnamed item is named as Oracle names it.
    const std::size_t after = nextSig(t, close);
    if (position < t.size() &&
        (after >= t.size() || isPunct(t, after, ",") || isWord(t, after, "FROM")))
      t[i].text += std::string(" AS \"") + (value ? "VALUE(" : "REF(") + name + ")\"";
  }
}

void applyObjectColumns(sqlite3* db, std::vector<ColumnInfo>& columns, const ObjectColumns& noted) {
  for (const auto& [position, table] : noted.refs) {
    const std::string type = objectTableType(db, table);
    if (position >= columns.size() || type.empty()) continue;
    ColumnInfo& c = columns[position];
    std::string name = std::move(c.name);
    c = ColumnInfo{};
    c.name = std::move(name);
    describeObjectColumn(db, "REF " + type, c);
  }
}

bool loadObjectRow(Connection& connection, ObjectInstance& instance, OraError& error) {
  sqlite3_stmt* stmt = nullptr;
  const std::string sql =
      "SELECT " + std::string(kRowInfoColumn) + " FROM \"" + instance.table + "\" WHERE rowid = ?1";
  bool found = false;
  ObjectValue value;
  if (sqlite3_prepare_v2(connection.db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_bind_int64(stmt, 1, instance.rowid);
    found = sqlite3_step(stmt) == SQLITE_ROW && parseJson(columnText(stmt, 0), value);
  }
  sqlite3_finalize(stmt);
  if (!found) return error = {kObjectGone, "object does not exist or is marked for delete"}, false;
  loadInstance(instance, value, connection.db);
  return true;
}

bool writeObjectRow(Connection& connection, ObjectInstance& instance, OraError& error) {
  if (instance.rowid != 0 &&
      !lockRow(connection, platform::UpperAscii(instance.table), instance.rowid, false, error))
    return false;
  if (!connection.beginIfNeeded(error)) return false;
  const std::string sql =
      instance.rowid == 0
          ? "INSERT INTO \"" + instance.table + "\" (" + kRowInfoColumn + ") VALUES (?1)"
          : "UPDATE \"" + instance.table + "\" SET " + kRowInfoColumn + " = ?1 WHERE rowid = ?2";
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(connection.db, sql.c_str(), -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    const std::string json = toJson(storedValue(instance));
    sqlite3_bind_text(stmt, 1, json.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 2, instance.rowid);
    rc = sqlite3_step(stmt);
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE)
    return error = {kObjectGone, "object does not exist or is marked for delete"}, false;
  if (instance.rowid == 0) instance.rowid = sqlite3_last_insert_rowid(connection.db);
  return true;
}

}  // namespace ocistandin
