#include "catalogue.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

#include "connection.h"
#include "handles.h"
#include "object_types.h"
#include "statement.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

using sqltokens::Tok;
using sqltokens::Token;

std::string nameOf(const Token& t) {
  return identifierOf(t);
}

bool isName(const Token& t) {
  return t.kind == Tok::kWord || t.kind == Tok::kQuoted;
}

bool is(const Token& t, const char* word) {
  return t.kind == Tok::kWord && platform::UpperAscii(t.text) == word;
}

bool punct(const Token& t, const char* p) {
  return t.kind == Tok::kPunct && t.text == p;
}

std::vector<Token> significantTokens(const std::string& sql) {
  std::vector<Token> out;
  for (Token& t : sqltokens::tokenize(sql))
    if (sqltokens::significant(t)) out.push_back(std::move(t));
  return out;
}

// The text of tokens [b, e) as written.
std::string textOf(const std::string& sql, const std::vector<Token>& s, std::size_t b,
                   std::size_t e) {
  if (b >= e) return {};
  return sql.substr(s[b].offset, s[e - 1].offset + s[e - 1].text.size() - s[b].offset);
}

// Index of the ")" closing the "(" at `open`, or s.size().
std::size_t closing(const std::vector<Token>& s, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < s.size(); ++i) {
    if (punct(s[i], "(")) ++depth;
    if (punct(s[i], ")") && --depth == 0) return i;
  }
  return s.size();
}

// "(a, "B")" at `open` -> {A, B}; `next` gets the index after ")".
std::vector<std::string> nameList(const std::vector<Token>& s, std::size_t open,
                                  std::size_t& next) {
  std::vector<std::string> names;
  const std::size_t close = closing(s, open);
  for (std::size_t i = open + 1; i < close; ++i)
    if (isName(s[i])) names.push_back(nameOf(s[i]));
  next = close + 1;
  return names;
}

bool startsConstraintClause(const Token& t) {
  for (const char* w : {"CONSTRAINT", "NOT", "NULL", "PRIMARY", "UNIQUE", "CHECK", "REFERENCES",
                        "FOREIGN", "ENABLE", "DISABLE"})
    if (is(t, w)) return true;
  return false;
}

// Reads one constraint clause at `i` (after any CONSTRAINT name) into `c`;
// `column` is the column a column constraint belongs to. Returns the index
// after the clause, or `i` when none starts there.
std::size_t constraintClause(const std::string& sql, const std::vector<Token>& s, std::size_t i,
                             std::size_t end, const std::string& column, CatalogueConstraint& c) {
  std::size_t next = i;
  if (is(s[i], "PRIMARY") || is(s[i], "UNIQUE")) {
    c.type = is(s[i], "PRIMARY") ? 'P' : 'U';
    next = i + (c.type == 'P' ? 2 : 1);
    if (next < end && punct(s[next], "("))
      c.columns = nameList(s, next, next);
    else
      c.columns = {column};
  } else if (is(s[i], "CHECK") && i + 1 < end && punct(s[i + 1], "(")) {
    c.type = 'C';
    const std::size_t close = closing(s, i + 1);
    c.condition = textOf(sql, s, i + 2, close);
    if (!column.empty()) c.columns = {column};
    next = close + 1;
  } else if (is(s[i], "FOREIGN") || is(s[i], "REFERENCES")) {
    c.type = 'R';
    next = i;
    if (is(s[i], "FOREIGN")) {
      next = i + 2;
      if (next < end && punct(s[next], "(")) c.columns = nameList(s, next, next);
    } else {
      c.columns = {column};
    }
    if (next < end && is(s[next], "REFERENCES")) ++next;
    if (next < end && isName(s[next])) c.refTable = nameOf(s[next++]);
    if (next + 1 < end && punct(s[next], ".") && isName(s[next + 1])) {
      c.refTable = nameOf(s[next + 1]);  // an owner qualifier names this schema
      next += 2;
    }
    if (next < end && punct(s[next], "(")) c.refColumns = nameList(s, next, next);
    if (next + 2 < end && is(s[next], "ON") && is(s[next + 1], "DELETE")) {
      c.deleteRule = is(s[next + 2], "CASCADE") ? "CASCADE" : "SET NULL";
      next += is(s[next + 2], "CASCADE") ? 3 : 4;
    }
  }
  return std::min(next, end);
}

// SYS_C<n>: n from the table's name and the constraint's place in it.
std::string generatedName(const std::string& table, std::size_t ordinal) {
  std::uint32_t h = 2166136261u;
  for (char c : table + "#" + std::to_string(ordinal)) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  char buf[24];
  std::snprintf(buf, sizeof buf, "SYS_C00%06u", 100000u + h % 900000u);
  return buf;
}

bool userTable(const std::string& name) {
  const std::string upper = platform::UpperAscii(name);
  return upper.rfind("SQLITE_", 0) != 0 && upper.rfind("OCICLIENT_", 0) != 0;
}

std::string columnText(sqlite3_stmt* stmt, int column) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  return p != nullptr ? p : "";
}

// Runs `sql` and calls `row` for each row.
template <class F>
void eachRow(sqlite3* db, const std::string& sql, F row) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return;
  while (sqlite3_step(stmt) == SQLITE_ROW) row(stmt);
  sqlite3_finalize(stmt);
}

bool tableExists(sqlite3* db, const char* name) {
  bool found = false;
  eachRow(db, std::string("SELECT 1 FROM sqlite_master WHERE name = '") + name + "'",
          [&](sqlite3_stmt*) { found = true; });
  return found;
}

// The dictionary views, each over a temporary table of the connection.
struct ViewSpec {
  const char* name;
  const char* columns;
};
const ViewSpec kViews[] = {
    {"ALL_CONSTRAINTS",
     "OWNER VARCHAR2(128), CONSTRAINT_NAME VARCHAR2(128), CONSTRAINT_TYPE VARCHAR2(1), "
     "TABLE_NAME VARCHAR2(128), SEARCH_CONDITION VARCHAR2(4000), R_OWNER VARCHAR2(128), "
     "R_CONSTRAINT_NAME VARCHAR2(128), DELETE_RULE VARCHAR2(9), STATUS VARCHAR2(8), "
     "DEFERRED VARCHAR2(9), VALIDATED VARCHAR2(13), "
     "GENERATED VARCHAR2(14)"},
    {"ALL_CONS_COLUMNS",
     "OWNER VARCHAR2(128), CONSTRAINT_NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128), "
     "COLUMN_NAME VARCHAR2(4000), POSITION NUMBER"},
    {"ALL_TAB_COLUMNS",
     "OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), "
     "DATA_TYPE VARCHAR2(128), DATA_TYPE_OWNER VARCHAR2(128), DATA_LENGTH NUMBER, "
     "DATA_PRECISION NUMBER, DATA_SCALE NUMBER, NULLABLE VARCHAR2(1), COLUMN_ID NUMBER, "
     "DATA_DEFAULT VARCHAR2(4000), CHAR_LENGTH NUMBER, CHAR_USED VARCHAR2(1), "
     "DATA_TYPE_MOD VARCHAR2(3)"},
    {"USER_TABLES",
     "TABLE_NAME VARCHAR2(128), TABLESPACE_NAME VARCHAR2(30), STATUS VARCHAR2(8), "
     "TEMPORARY VARCHAR2(1)"},
    {"USER_VIEWS", "VIEW_NAME VARCHAR2(128), TEXT_LENGTH NUMBER, TEXT VARCHAR2(4000)"},
    {"USER_SYNONYMS",
     "SYNONYM_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), "
     "DB_LINK VARCHAR2(128)"},
    {"ALL_SYNONYMS",
     "OWNER VARCHAR2(128), SYNONYM_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128), "
     "TABLE_NAME VARCHAR2(128), DB_LINK VARCHAR2(128)"},
    {"ALL_TYPES",
     "OWNER VARCHAR2(128), TYPE_NAME VARCHAR2(128), TYPE_OID RAW(16), TYPECODE VARCHAR2(128), "
     "ATTRIBUTES NUMBER, METHODS NUMBER, PREDEFINED VARCHAR2(3), INCOMPLETE VARCHAR2(3), "
     "FINAL VARCHAR2(3), INSTANTIABLE VARCHAR2(3), SUPERTYPE_OWNER VARCHAR2(128), "
     "SUPERTYPE_NAME VARCHAR2(128)"},
};

// Inserts one row of text values (nullptr: NULL) into a view's table.
class RowWriter {
 public:
  RowWriter(sqlite3* db, const std::string& view, int columns) {
    std::string sql = "INSERT INTO temp.ociclient_" + view + " VALUES (";
    for (int k = 1; k <= columns; ++k) sql += (k > 1 ? ",?" : "?") + std::to_string(k);
    sqlite3_prepare_v2(db, (sql + ")").c_str(), -1, &stmt_, nullptr);
  }
  ~RowWriter() { sqlite3_finalize(stmt_); }
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;
  void add(const std::vector<const char*>& values) {
    if (stmt_ == nullptr) return;
    sqlite3_reset(stmt_);
    for (std::size_t k = 0; k < values.size(); ++k) {
      if (values[k] == nullptr)
        sqlite3_bind_null(stmt_, static_cast<int>(k + 1));
      else
        sqlite3_bind_text(stmt_, static_cast<int>(k + 1), values[k], -1, SQLITE_TRANSIENT);
    }
    sqlite3_step(stmt_);
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

const char* orNull(const std::string& s) {
  return s.empty() ? nullptr : s.c_str();
}

// Oracle's type name and sizes of a declared column type.
void describeType(const std::string& declared, std::string& type, std::string& length,
                  std::string& precision, std::string& scale, std::string& charLength,
                  std::string& charUsed) {
  const ColumnInfo info = columnTypeFromDeclaration(declared);
  std::string upper = platform::UpperAscii(declared);
  type = upper.substr(0, upper.find('('));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  if (type.size() > 5 && type.substr(type.size() - 5) == " CHAR") type.resize(type.size() - 5);
  if (type.size() > 5 && type.substr(type.size() - 5) == " BYTE") type.resize(type.size() - 5);
  if (type == "INTEGER" || type == "INT" || type == "SMALLINT") type = "NUMBER";
  length = std::to_string(info.dataSize);
  precision = info.precision > 0 ? std::to_string(info.precision) : "";
  scale = info.precision > 0 || type == "NUMBER" ? std::to_string(info.scale) : "";
  if (type == "NUMBER" && info.precision == 0 && upper.find('(') == std::string::npos) scale = "";
  if (upper.rfind("INTEGER", 0) == 0) scale = "0";
  charLength = info.charSize > 0 ? std::to_string(info.charSize) : "0";
  charUsed = info.charSize > 0 ? (info.charUsed ? "C" : "B") : "";
}

void fillViews(Connection& connection) {
  sqlite3* db = connection.db;
  const std::string& owner = connection.user;
  for (const ViewSpec& v : kViews)
    sqlite3_exec(db, (std::string("DELETE FROM temp.ociclient_") + v.name).c_str(), nullptr,
                 nullptr, nullptr);
  const std::vector<CatalogueTable> tables = readCatalogue(db);
  {
    RowWriter cons(db, "ALL_CONSTRAINTS", 12), cols(db, "ALL_CONS_COLUMNS", 5);
    for (const CatalogueTable& t : tables)
      for (const CatalogueConstraint& c : t.constraints) {
        const std::string type(1, c.type),
            ref = c.type == 'R' ? referencedConstraint(tables, c) : "";
        cons.add({owner.c_str(), c.name.c_str(), type.c_str(), t.name.c_str(),
                  orNull(c.type == 'C' ? c.condition : ""), c.type == 'R' ? owner.c_str() : nullptr,
                  orNull(ref), c.type == 'R' ? c.deleteRule.c_str() : nullptr, "ENABLED",
                  "IMMEDIATE", "VALIDATED", c.generated ? "GENERATED NAME" : "USER NAME"});
        for (std::size_t k = 0; k < c.columns.size(); ++k) {
          const std::string position = c.type == 'C' ? "" : std::to_string(k + 1);
          cols.add({owner.c_str(), c.name.c_str(), t.name.c_str(), c.columns[k].c_str(),
                    orNull(position)});
        }
      }
  }
  RowWriter columns(db, "ALL_TAB_COLUMNS", 14), userTables(db, "USER_TABLES", 4);
  auto addColumn = [&](const std::string& table, const CatalogueColumn& c, int id) {
    std::string type, length, precision, scale, charLength, charUsed;
    describeType(c.type, type, length, precision, scale, charLength, charUsed);
    const std::string columnId = std::to_string(id);
    // A column of a catalogued object or collection type names its owner.
    ObjectType objectType;
    const bool typed = findType(db, type, objectType);
    columns.add({owner.c_str(), table.c_str(), c.name.c_str(), type.c_str(),
                 typed ? owner.c_str() : nullptr, length.c_str(), orNull(precision), orNull(scale),
                 c.notNull ? "N" : "Y", columnId.c_str(), orNull(c.defaultText), charLength.c_str(),
                 orNull(charUsed), nullptr});
  };
  for (const CatalogueTable& t : tables) {
    userTables.add({t.name.c_str(), "USERS", "VALID", "N"});
    for (std::size_t k = 0; k < t.columns.size(); ++k)
      addColumn(t.name, t.columns[k], static_cast<int>(k + 1));
  }
  RowWriter views(db, "USER_VIEWS", 3);
  eachRow(db, "SELECT name FROM main.sqlite_master WHERE type = 'view'", [&](sqlite3_stmt* row) {
    const std::string name = columnText(row, 0), upper = platform::UpperAscii(name);
    std::string text;
    eachRow(db, "SELECT text FROM ociclient_ddl WHERE name = '" + upper + "'",
            [&](sqlite3_stmt* r) { text = columnText(r, 0); });
    if (text.empty())
      eachRow(db, "SELECT sql FROM main.sqlite_master WHERE name = '" + name + "'",
              [&](sqlite3_stmt* r) { text = columnText(r, 0); });
    // The view's query: the text after the first top-level AS.
    const std::vector<Token> s = significantTokens(text);
    for (std::size_t i = 0; i < s.size(); ++i)
      if (is(s[i], "AS")) {
        text = text.substr(s[i].offset + 2);
        text.erase(0, text.find_first_not_of(" \t\r\n"));
        break;
      }
    const std::string length = std::to_string(text.size());
    views.add({upper.c_str(), length.c_str(), text.c_str()});
    int id = 0;
    eachRow(db, "SELECT name, type, \"notnull\" FROM pragma_table_info('" + name + "')",
            [&](sqlite3_stmt* r) {
              CatalogueColumn c{platform::UpperAscii(columnText(r, 0)), columnText(r, 1), "",
                                sqlite3_column_int(r, 2) != 0};
              addColumn(upper, c, ++id);
            });
  });
  if (tableExists(db, "ociclient_synonyms")) {
    RowWriter user(db, "USER_SYNONYMS", 4), all(db, "ALL_SYNONYMS", 5);
    eachRow(db, "SELECT owner, synonym_name, table_owner, table_name FROM ociclient_synonyms",
            [&](sqlite3_stmt* r) {
              const std::string o = columnText(r, 0), n = columnText(r, 1), to = columnText(r, 2),
                                tn = columnText(r, 3);
              all.add({o.c_str(), n.c_str(), to.c_str(), tn.c_str(), nullptr});
              if (o == owner) user.add({n.c_str(), to.c_str(), tn.c_str(), nullptr});
            });
  }
  if (tableExists(db, "ociclient_types")) {
    RowWriter types(db, "ALL_TYPES", 12);
    eachRow(db, "SELECT name FROM ociclient_types", [&](sqlite3_stmt* r) {
      ObjectType type;
      const std::string name = columnText(r, 0);
      if (!findType(db, name, type)) return;
      const std::string code = type.isCollection() ? "COLLECTION" : "OBJECT";
      const std::string count = std::to_string(type.attributes.size());
      types.add({owner.c_str(), name.c_str(), nullptr, code.c_str(), count.c_str(), "0", "NO", "NO",
                 "YES", "YES", nullptr, nullptr});
    });
  }
}

bool ensureViews(sqlite3* db) {
  for (const ViewSpec& v : kViews) {
    const std::string sql = std::string("CREATE TEMP TABLE IF NOT EXISTS ociclient_") + v.name +
                            "(" + v.columns + "); CREATE TEMP VIEW IF NOT EXISTS " + v.name +
                            " AS SELECT * FROM temp.ociclient_" + v.name;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  }
  return true;
}

// The first significant index and the words CREATE/DROP [PUBLIC] <kind> <name>.
struct Definition {
  bool create = false, drop = false, isPublic = false;
  std::string kind, name, owner;
  std::size_t after = 0;  // index after the name
};

Definition definitionOf(const std::vector<Token>& s) {
  Definition d;
  std::size_t i = 0;
  if (s.empty()) return d;
  d.create = is(s[0], "CREATE");
  d.drop = is(s[0], "DROP");
  ++i;
  while (i < s.size() && (is(s[i], "OR") || is(s[i], "REPLACE") || is(s[i], "FORCE") ||
                          is(s[i], "GLOBAL") || is(s[i], "TEMPORARY")))
    ++i;
  if (i < s.size() && is(s[i], "PUBLIC")) {
    d.isPublic = true;
    ++i;
  }
  if (i >= s.size()) return d;
  d.kind = platform::UpperAscii(s[i++].text);
  if (i < s.size() && isName(s[i])) d.name = nameOf(s[i++]);
  if (i + 1 < s.size() && punct(s[i], ".") && isName(s[i + 1])) {
    d.owner = d.name;
    d.name = nameOf(s[i + 1]);
    i += 2;
  }
  d.after = i;
  return d;
}

void execBound(sqlite3* db, const char* sql, const std::vector<std::string>& values) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) return;
  for (std::size_t k = 0; k < values.size(); ++k)
    sqlite3_bind_text(stmt, static_cast<int>(k + 1), values[k].c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_step(stmt);
  sqlite3_finalize(stmt);
}

}  // namespace

std::string identifierOf(const Token& t) {
  if (t.kind == Tok::kQuoted) return t.text.substr(1, t.text.size() - 2);
  return platform::UpperAscii(t.text);
}

bool sameNames(std::vector<std::string> a, std::vector<std::string> b) {
  for (auto& x : a) x = platform::UpperAscii(x);
  for (auto& x : b) x = platform::UpperAscii(x);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

bool parseCreateTable(const std::string& sql, CatalogueTable& table) {
  const std::vector<Token> s = significantTokens(sql);
  const Definition d = definitionOf(s);
  if (!d.create || d.kind != "TABLE" || d.name.empty() || d.after >= s.size() ||
      !punct(s[d.after], "("))
    return false;
  table = CatalogueTable{d.name, {}, {}};
  const std::size_t close = closing(s, d.after);
  std::size_t b = d.after + 1;
  while (b < close) {
    // One item: up to the next comma at this level.
    std::size_t e = b;
    for (int depth = 0; e < close; ++e) {
      if (punct(s[e], "(")) ++depth;
      if (punct(s[e], ")")) --depth;
      if (depth == 0 && punct(s[e], ",")) break;
    }
    std::string column;
    std::size_t i = b;
    const bool tableConstraint = is(s[b], "CONSTRAINT") || is(s[b], "PRIMARY") ||
                                 is(s[b], "UNIQUE") || is(s[b], "CHECK") || is(s[b], "FOREIGN");
    if (!tableConstraint) {
      CatalogueColumn c;
      c.name = nameOf(s[b]);
      i = b + 1;
      while (i < e && !is(s[i], "DEFAULT") && !startsConstraintClause(s[i])) {
        if (punct(s[i], "(")) i = closing(s, i);
        ++i;
      }
      c.type = textOf(sql, s, b + 1, std::min(i, e));
      table.columns.push_back(c);
      column = c.name;
    }
    std::string pendingName;
    while (i < e) {
      if (is(s[i], "DEFAULT")) {
        std::size_t j = i + 2;
        while (j < e && !startsConstraintClause(s[j])) {
          if (punct(s[j], "(")) j = closing(s, j);
          ++j;
        }
        table.columns.back().defaultText = textOf(sql, s, i + 1, std::min(j, e));
        i = j;
      } else if (is(s[i], "CONSTRAINT") && i + 1 < e) {
        pendingName = nameOf(s[i + 1]);
        i += 2;
      } else if (is(s[i], "NOT") && i + 1 < e && is(s[i + 1], "NULL")) {
        if (!table.columns.empty() && !tableConstraint) table.columns.back().notNull = true;
        pendingName.clear();
        i += 2;
      } else {
        CatalogueConstraint c;
        const std::size_t next = constraintClause(sql, s, i, e, column, c);
        if (next == i) {
          ++i;
          continue;
        }
        c.generated = pendingName.empty();
        c.name = c.generated ? generatedName(table.name, table.constraints.size()) : pendingName;
        pendingName.clear();
        table.constraints.push_back(std::move(c));
        i = next;
      }
    }
    b = e + 1;
  }
  // The columns of a primary key are NOT NULL.
  for (const CatalogueConstraint& c : table.constraints)
    if (c.type == 'P')
      for (CatalogueColumn& column : table.columns)
        for (const std::string& key : c.columns)
          column.notNull = column.notNull || column.name == key;
  return true;
}

std::vector<CatalogueTable> readCatalogue(sqlite3* db) {
  std::vector<CatalogueTable> tables;
  const bool kept = tableExists(db, "ociclient_ddl");
  eachRow(db, "SELECT name, sql FROM main.sqlite_master WHERE type = 'table' ORDER BY rowid",
          [&](sqlite3_stmt* row) {
            const std::string name = columnText(row, 0);
            if (!userTable(name)) return;
            std::string text;
            if (kept)
              eachRow(db,
                      "SELECT text FROM ociclient_ddl WHERE name = '" + platform::UpperAscii(name) +
                          "'",
                      [&](sqlite3_stmt* r) { text = columnText(r, 0); });
            CatalogueTable table;
            if ((!text.empty() && parseCreateTable(text, table)) ||
                parseCreateTable(columnText(row, 1), table))
              tables.push_back(std::move(table));
          });
  return tables;
}

std::string referencedConstraint(const std::vector<CatalogueTable>& tables,
                                 const CatalogueConstraint& foreignKey) {
  for (const CatalogueTable& t : tables) {
    if (platform::UpperAscii(t.name) != platform::UpperAscii(foreignKey.refTable)) continue;
    for (const CatalogueConstraint& c : t.constraints) {
      if (c.type == 'P' && foreignKey.refColumns.empty()) return c.name;
      if ((c.type == 'P' || c.type == 'U') && sameNames(c.columns, foreignKey.refColumns))
        return c.name;
    }
  }
  return {};
}

void noteDefinition(Connection& connection, const std::string& sql) {
  const Definition d = definitionOf(significantTokens(sql));
  if (d.kind != "TABLE" && d.kind != "VIEW") return;
  sqlite3* db = connection.db;
  sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS ociclient_ddl(name TEXT PRIMARY KEY, text TEXT)",
               nullptr, nullptr, nullptr);
  if (d.create)
    execBound(db, "INSERT OR REPLACE INTO ociclient_ddl(name, text) VALUES (?1, ?2)",
              {platform::UpperAscii(d.name), sql});
  else if (d.drop)
    execBound(db, "DELETE FROM ociclient_ddl WHERE name = ?1", {platform::UpperAscii(d.name)});
}

bool runSynonymStatement(Connection& connection, const std::string& sql, OraError& error) {
  const std::vector<Token> s = significantTokens(sql);
  const Definition d = definitionOf(s);
  if ((!d.create && !d.drop) || d.kind != "SYNONYM") return false;
  error = {};
  if (d.name.empty()) {
    error = {kInvalidIdentifier, standardText(kInvalidIdentifier)};
    return true;
  }
  const std::string owner = d.isPublic ? "PUBLIC" : connection.user;
  sqlite3* db = connection.db;
  if (!connection.commit(error)) return true;
  sqlite3_exec(db,
               "CREATE TABLE IF NOT EXISTS ociclient_synonyms(owner TEXT, synonym_name TEXT, "
               "table_owner TEXT, table_name TEXT, PRIMARY KEY(owner, synonym_name))",
               nullptr, nullptr, nullptr);
  if (d.drop) {
    execBound(db, "DELETE FROM ociclient_synonyms WHERE owner = ?1 AND synonym_name = ?2",
              {owner, d.name});
    if (sqlite3_changes(db) == 0) error = {1434, "private synonym to be dropped does not exist"};
    return true;
  }
  // CREATE ... SYNONYM name FOR [owner.]object
  std::size_t i = d.after;
  if (i + 1 >= s.size() || !is(s[i], "FOR") || !isName(s[i + 1])) {
    error = {kNotProperlyEnded, standardText(kNotProperlyEnded)};
    return true;
  }
  std::string tableOwner = connection.user, tableName = nameOf(s[i + 1]);
  if (i + 3 < s.size() && punct(s[i + 2], ".") && isName(s[i + 3])) {
    tableOwner = tableName;
    tableName = nameOf(s[i + 3]);
  }
  const bool replace = s.size() > 1 && is(s[1], "OR");
  execBound(db,
            replace ? "INSERT OR REPLACE INTO ociclient_synonyms VALUES (?1, ?2, ?3, ?4)"
                    : "INSERT OR IGNORE INTO ociclient_synonyms VALUES (?1, ?2, ?3, ?4)",
            {owner, d.name, tableOwner, tableName});
  if (sqlite3_changes(db) == 0) error = {955, "name is already used by an existing object"};
  return true;
}

void refreshDictionaryViews(Connection& connection, const std::string& sql) {
  // Most statements name no view: a plain search rules them out before the
  // tokenizer runs (a view named by a token occurs in the text as well).
  const std::string upper = platform::UpperAscii(sql);
  bool mentioned = false;
  for (const ViewSpec& v : kViews) mentioned = mentioned || upper.find(v.name) != std::string::npos;
  if (!mentioned) return;
  bool named = false;
  for (const Token& t : sqltokens::tokenize(sql)) {
    if (t.kind != Tok::kWord && t.kind != Tok::kQuoted) continue;
    const std::string word = nameOf(t);
    for (const ViewSpec& v : kViews) named = named || word == v.name;
  }
  if (named && ensureViews(connection.db)) fillViews(connection);
}

void dropOwnQualifiers(RewrittenSql& sql, const std::string& user) {
  const std::vector<Token> t = sqltokens::tokenize(sql.sql);
  std::string out;
  std::vector<std::pair<std::size_t, std::size_t>> removed;  // (offset, length)
  for (std::size_t i = 0; i < t.size(); ++i) {
    const std::size_t dot = sqltokens::nextSig(t, i);
    const bool qualifier =
        isName(t[i]) && (nameOf(t[i]) == "SYS" || nameOf(t[i]) == user) &&
        sqltokens::isPunct(t, dot, ".") && !sqltokens::isPunct(t, sqltokens::prevSig(t, i), ".") &&
        sqltokens::nextSig(t, dot) < t.size() && isName(t[sqltokens::nextSig(t, dot)]);
    if (!qualifier) {
      out += t[i].text;
      continue;
    }
    const std::size_t end = t[dot].offset + 1;
    removed.emplace_back(t[i].offset, end - t[i].offset);
    i = dot;
  }
  if (removed.empty()) return;
  for (auto& [rewritten, original] : sql.offsets) {
    std::size_t shift = 0;
    for (const auto& [at, length] : removed)
      if (at < rewritten) shift += std::min(length, rewritten - at);
    rewritten -= shift;
  }
  sql.sql = std::move(out);
}

void wrapColumnDefaults(std::vector<Token>& t) {
  using sqltokens::nextSig;
  const std::size_t first = !t.empty() && sqltokens::significant(t[0]) ? 0 : nextSig(t, 0);
  if (!sqltokens::isWord(t, first, "CREATE")) return;
  for (std::size_t i = first; i < t.size(); i = nextSig(t, i)) {
    if (!sqltokens::isWord(t, i, "DEFAULT")) continue;
    const std::size_t b = nextSig(t, i);
    std::size_t last = b, j = b;
    int depth = 0;
    for (; j < t.size(); j = nextSig(t, j)) {
      if (depth == 0 && j != b &&
          (punct(t[j], ",") || punct(t[j], ")") || startsConstraintClause(t[j])))
        break;
      if (punct(t[j], "(")) ++depth;
      if (punct(t[j], ")")) --depth;
      last = j;
    }
    if (b >= t.size()) return;
    const bool literal = last == b && (t[b].kind == Tok::kNumber || t[b].kind == Tok::kString ||
                                       is(t[b], "NULL") || punct(t[b], "("));
    if (!literal) {
      t[b].text = "(" + t[b].text;
      t[last].text += ")";
    }
    i = last;
  }
}

}  // namespace ocistandin
