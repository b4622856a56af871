#include "constraints.h"

#include <algorithm>

#include "catalogue.h"
#include "connection.h"
#include "statement.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Upper case without blanks, to compare condition texts.
std::string squeezed(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out += c;
  return platform::UpperAscii(out);
}

const CatalogueTable* tableNamed(const std::vector<CatalogueTable>& tables,
                                 const std::string& name) {
  for (const CatalogueTable& t : tables)
    if (platform::UpperAscii(t.name) == platform::UpperAscii(name)) return &t;
  return nullptr;
}

// "t.a, t.b" -> table t, columns {a, b}.
void splitColumns(const std::string& list, std::string& table, std::vector<std::string>& columns) {
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = trimmed(list.substr(pos, comma - pos));
    const std::size_t dot = item.find('.');
    if (dot != std::string::npos) {
      table = item.substr(0, dot);
      columns.push_back(item.substr(dot + 1));
    }
    pos = comma + 1;
  }
}

std::string uniqueName(const std::vector<CatalogueTable>& tables, const std::string& list) {
  std::string table;
  std::vector<std::string> columns;
  splitColumns(list, table, columns);
  if (const CatalogueTable* t = tableNamed(tables, table))
    for (const CatalogueConstraint& c : t->constraints)
      if ((c.type == 'P' || c.type == 'U') && sameNames(c.columns, columns)) return c.name;
  return {};
}

std::string checkName(const std::vector<CatalogueTable>& tables, const std::string& target,
                      const std::string& reported) {
  // The target table first: an unnamed check is reported by its condition.
  std::vector<const CatalogueTable*> order;
  if (const CatalogueTable* t = tableNamed(tables, target)) order.push_back(t);
  for (const CatalogueTable& t : tables) order.push_back(&t);
  // SQLite reports a check by its name, by its condition, or (a column's
  // check) by the column's name.
  const std::string upper = platform::UpperAscii(reported);
  for (const CatalogueTable* t : order)
    for (const CatalogueConstraint& c : t->constraints)
      if (c.type == 'C' &&
          (platform::UpperAscii(c.name) == upper || squeezed(c.condition) == squeezed(reported) ||
           (c.columns.size() == 1 && platform::UpperAscii(c.columns[0]) == upper)))
        return c.name;
  return {};
}

struct Violation {
  std::string childTable, parentTable;
  std::vector<std::string> columns;
};

// Runs the failed statement again with foreign keys deferred inside a
// savepoint, lists the rows left without a parent, and takes it all back.
bool findViolation(Connection& connection, StmtHandle& stmt, Violation& violation) {
  sqlite3* db = connection.db;
  sqlite3_reset(stmt.sqlite);
  if (sqlite3_exec(db, "SAVEPOINT ociclient_fk; PRAGMA defer_foreign_keys=ON", nullptr, nullptr,
                   nullptr) != SQLITE_OK)
    return false;
  int rc = sqlite3_step(stmt.sqlite);
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt.sqlite);
  sqlite3_reset(stmt.sqlite);
  bool found = false;
  int fkid = -1;
  sqlite3_stmt* check = nullptr;
  if (rc == SQLITE_DONE &&
      sqlite3_prepare_v2(db, "PRAGMA foreign_key_check", -1, &check, nullptr) == SQLITE_OK &&
      sqlite3_step(check) == SQLITE_ROW) {
    const auto* child = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
    const auto* parent = reinterpret_cast<const char*>(sqlite3_column_text(check, 2));
    violation.childTable = child != nullptr ? child : "";
    violation.parentTable = parent != nullptr ? parent : "";
    fkid = sqlite3_column_int(check, 3);
    found = true;
  }
  sqlite3_finalize(check);
  if (found) {
    sqlite3_stmt* list = nullptr;
    const std::string sql = "SELECT \"from\" FROM pragma_foreign_key_list(?1) WHERE id = ?2";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &list, nullptr) == SQLITE_OK) {
      sqlite3_bind_text(list, 1, violation.childTable.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(list, 2, fkid);
      while (sqlite3_step(list) == SQLITE_ROW)
        violation.columns.push_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    }
    sqlite3_finalize(list);
  }
  sqlite3_exec(db, "ROLLBACK TO ociclient_fk; RELEASE ociclient_fk; PRAGMA defer_foreign_keys=OFF",
               nullptr, nullptr, nullptr);
  return found;
}

}  // namespace

OraError changeError(Connection& connection, StmtHandle& stmt, int rc) {
  const std::string message = sqlite3_errmsg(connection.db);
  const int extended = sqlite3_extended_errcode(connection.db);
  OraError error = mapSqliteError(connection.db, rc, connection.user);
  if ((rc & 0xff) != SQLITE_CONSTRAINT) return error;
  const std::vector<CatalogueTable> tables = readCatalogue(connection.db);
  const std::string owner = connection.user;
  auto named = [&](const std::string& name) { return "(" + owner + "." + name + ")"; };
  if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
    const std::string name = uniqueName(tables, message.substr(message.find(": ") + 2));
    if (!name.empty()) error = {kUniqueViolated, "unique constraint " + named(name) + " violated"};
  } else if (extended == SQLITE_CONSTRAINT_CHECK) {
    const std::string name =
        checkName(tables, stmt.rewritten.targetTable, message.substr(message.find(": ") + 2));
    if (!name.empty()) error = {2290, "check constraint " + named(name) + " violated"};
  } else if (extended == SQLITE_CONSTRAINT_FOREIGNKEY) {
    Violation v;
    if (!findViolation(connection, stmt, v)) return error;
    std::string name;
    if (const CatalogueTable* child = tableNamed(tables, v.childTable))
      for (const CatalogueConstraint& c : child->constraints)
        if (c.type == 'R' &&
            platform::UpperAscii(c.refTable) == platform::UpperAscii(v.parentTable) &&
            sameNames(c.columns, v.columns))
          name = c.name;
    const bool childSide =
        stmt.cls.kind != StatementKind::kDelete &&
        platform::UpperAscii(v.childTable) == platform::UpperAscii(stmt.rewritten.targetTable);
    const std::string which = name.empty() ? "" : " " + named(name);
    error =
        childSide
            ? OraError{2291, "integrity constraint" + which + " violated - parent key not found"}
            : OraError{2292, "integrity constraint" + which + " violated - child record found"};
  }
  return error;
}

}  // namespace ocistandin
