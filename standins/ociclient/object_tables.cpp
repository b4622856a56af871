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

// The table the first FROM of the statement names.
std::string firstTable(const std::vector<Token>& t) {
  for (std::size_t k = 0; k < t.size(); ++k) {
    const std::size_t name = nextSig(t, k);
    if (isWord(t, k, "FROM") && name < t.size() &&
        (t[name].kind == Tok::kWord || t[name].kind == Tok::kQuoted))
      return identifierOf(t[name]);
  }
  return {};
}

// deref(column) or deref(alias.column) at token i: the object the REF names,
// read by ociclient_deref; an item of the select list is noted to be
// described with the type the REF column's declaration names.
void rewriteDeref(std::vector<Token>& t, std::size_t i, ObjectColumns& columns) {
  const std::size_t open = nextSig(t, i), close = closingParen(t, open);
  if (close >= t.size()) return;
  std::string written;
  for (std::size_t k = i; k <= close; ++k)
    if (significant(t[k])) written += platform::UpperAscii(t[k].text);
  const std::size_t first = nextSig(t, open), dot = nextSig(t, first);
  std::string table, column;
  if (isPunct(t, dot, ".") && nextSig(t, nextSig(t, dot)) == close) {
    table = tableOfAlias(t, identifierOf(t[first]));
    column = identifierOf(t[nextSig(t, dot)]);
  } else if (dot == close && t[first].kind == Tok::kWord) {
    table = firstTable(t);
    column = identifierOf(t[first]);
  }
  const std::size_t position = selectPosition(t, i);
  t[i].text = "ociclient_deref";
  if (position >= t.size()) return;
  if (!table.empty()) columns.derefs.push_back({position, table, column});
  const std::size_t after = nextSig(t, close);
  if (after >= t.size() || isPunct(t, after, ",") || isWord(t, after, "FROM"))
    t[close].text += " AS \"" + written + "\"";
}

// ociclient_deref(ref): the stored object of the row a REF names; null for
// a null or dangling REF.
void derefFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  std::string table;
  sqlite3_int64 rowid = 0;
  if (raw == nullptr || !refTarget(raw, table, rowid)) return sqlite3_result_null(ctx);
  sqlite3_stmt* stmt = nullptr;
  const std::string sql =
      "SELECT " + std::string(kRowInfoColumn) + " FROM \"" + table + "\" WHERE rowid = ?1";
  sqlite3_result_null(ctx);
  if (sqlite3_prepare_v2(sqlite3_context_db_handle(ctx), sql.c_str(), -1, &stmt, nullptr) ==
      SQLITE_OK) {
    sqlite3_bind_int64(stmt, 1, rowid);
    if (sqlite3_step(stmt) == SQLITE_ROW) sqlite3_result_value(ctx, sqlite3_column_value(stmt, 0));
  }
  sqlite3_finalize(stmt);
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
    if (isWord(t, i, "DEREF") && isPunct(t, nextSig(t, i), "(")) {
      rewriteDeref(t, i, columns);
      continue;
    }
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

void rewriteObjectDml(std::vector<Token>& t) {
  const auto blank = [&t](std::size_t k) { t[k] = Token{Tok::kSpace, "", t[k].offset}; };
  // [sys.]xmltype.createxml(text) builds the document, which is its text.
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!isWord(t, i, "CREATEXML") || !isPunct(t, prevSig(t, i), ".") ||
        !isWord(t, prevSig(t, prevSig(t, i)), "XMLTYPE"))
      continue;
    std::size_t start = prevSig(t, prevSig(t, i));
    if (isPunct(t, prevSig(t, start), ".") && isWord(t, prevSig(t, prevSig(t, start)), "SYS"))
      start = prevSig(t, prevSig(t, start));
    for (std::size_t k = start; k < i; ++k) blank(k);
    t[i].text = "xmltype";
  }
  const std::size_t first = nextSig(t, static_cast<std::size_t>(-1));
  const bool update = isWord(t, first, "UPDATE");
  if (!update && !isWord(t, first, "INSERT")) return;
  std::size_t name = nextSig(t, first);
  if (!update) {
    if (!isWord(t, name, "INTO")) return;
    name = nextSig(t, name);
  }
  if (isPunct(t, nextSig(t, name), ".")) name = nextSig(t, nextSig(t, name));
  const std::size_t alias = nextSig(t, name);
  if (alias >= t.size() || t[alias].kind != Tok::kWord) return;
  for (const char* word : {"SET", "VALUES", "SELECT", "AS", "WITH"})
    if (isWord(t, alias, word)) return;
  // The table alias goes (SQLite takes none without AS), and with it every
  // "alias." qualifier.
  const std::string aliasName = identifierOf(t[alias]);
  blank(alias);
  for (std::size_t k = alias; k < t.size(); ++k) {
    const std::size_t dot = nextSig(t, k);
    if (t[k].kind == Tok::kWord && identifierOf(t[k]) == aliasName && isPunct(t, dot, ".") &&
        !isPunct(t, prevSig(t, k), ".")) {
      blank(k);
      blank(dot);
    }
  }
  if (!update) return;
  // Each run of "column.attribute = value" assignments of one column
  // becomes column = ociclient_set_attributes(column, table, column,
  // 'ATTRIBUTE', value, ...). The tokens keep their order: binds are
  // numbered in it.
  const std::string table = identifierOf(t[name]);
  std::size_t i = nextSig(t, alias);
  if (!isWord(t, i, "SET")) return;
  std::string openColumn;
  std::size_t lastEnd = t.size();
  for (std::size_t target = nextSig(t, i); target < t.size();) {
    const std::size_t dot = nextSig(t, target), attribute = nextSig(t, dot),
                      equals = nextSig(t, attribute);
    // The end of the value: a comma, WHERE or the end at depth 0.
    std::size_t end = isPunct(t, dot, ".") ? nextSig(t, equals) : target;
    for (int depth = 0; end < t.size(); end = nextSig(t, end)) {
      if (isPunct(t, end, "(")) ++depth;
      if (isPunct(t, end, ")")) --depth;
      if (depth == 0 && (isPunct(t, end, ",") || isWord(t, end, "WHERE") || isPunct(t, end, ";")))
        break;
    }
    const bool attributeSet = isPunct(t, dot, ".") && isPunct(t, equals, "=") &&
                              t[target].kind != Tok::kPunct && t[attribute].kind != Tok::kPunct;
    const std::string column = attributeSet ? identifierOf(t[target]) : std::string();
    if (!openColumn.empty() && column != openColumn) t[lastEnd].text = ")" + t[lastEnd].text;
    if (attributeSet) {
      const std::string argument = "'" + identifierOf(t[attribute]) + "', ";
      if (column != openColumn) {
        t[target].text = "\"" + column + "\"";
        t[equals].text = "= ociclient_set_attributes(\"" + column + "\", '" + table + "', '" +
                         column + "', " + argument;
      } else {
        blank(target);
        t[equals].text = argument;
      }
      blank(dot);
      blank(attribute);
    }
    openColumn = column;
    lastEnd = end;
    if (end >= t.size() || !isPunct(t, end, ",")) break;
    target = nextSig(t, end);
  }
  if (!openColumn.empty()) {
    if (lastEnd < t.size())
      t[lastEnd].text = ")" + t[lastEnd].text;
    else
      t.push_back(Token{Tok::kPunct, ")", t.empty() ? 0 : t.back().offset});
  }
}

bool registerDerefFunction(sqlite3* db) {
  return sqlite3_create_function_v2(db, "ociclient_deref", 1, SQLITE_UTF8, nullptr, derefFn,
                                    nullptr, nullptr, nullptr) == SQLITE_OK;
}

void applyObjectColumns(sqlite3* db, std::vector<ColumnInfo>& columns, const ObjectColumns& noted) {
  for (const auto& [position, table, column] : noted.derefs) {
    const char* declared = nullptr;
    if (position >= columns.size() ||
        sqlite3_table_column_metadata(db, nullptr, table.c_str(), column.c_str(), &declared,
                                      nullptr, nullptr, nullptr, nullptr) != SQLITE_OK ||
        declared == nullptr)
      continue;
    const std::string type = platform::UpperAscii(std::string(declared));
    if (!type.starts_with("REF ")) continue;
    ColumnInfo& c = columns[position];
    std::string name = std::move(c.name);
    c = ColumnInfo{};
    c.name = std::move(name);
    describeObjectColumn(db, type.substr(4), c);
  }
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
