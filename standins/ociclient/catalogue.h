// The data dictionary of the one schema a database file holds, owned by the
// logged-on user: tables, columns and constraints read from each table's
// CREATE TABLE text as the client received it (else as SQLite keeps it),
// synonyms, and the read-only dictionary views built from them.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "errors.h"
#include "sql_rewriter.h"
#include "sql_tokens.h"

namespace ocistandin {

struct Connection;

struct CatalogueColumn {
  std::string name;
  std::string type;         // as declared
  std::string defaultText;  // as written, empty when none
  bool notNull = false;
};

struct CatalogueConstraint {
  std::string name;  // declared, or SYS_C<n> stable for the file
  char type = 'C';   // P, U, R or C
  bool generated = false;
  std::vector<std::string> columns;
  std::string condition;  // C: as written
  std::string refTable;   // R: the parent table and its columns (empty: its key)
  std::vector<std::string> refColumns;
  std::string deleteRule = "NO ACTION";
};

struct CatalogueTable {
  std::string name;
  std::vector<CatalogueColumn> columns;
  std::vector<CatalogueConstraint> constraints;
};

// A name token's identifier: a quoted name as written, else upper case.
std::string identifierOf(const sqltokens::Token& token);
// Whether two column lists hold the same names in any order, without regard to case.
bool sameNames(std::vector<std::string> a, std::vector<std::string> b);

// Parses a CREATE TABLE text; false when it is none.
bool parseCreateTable(const std::string& sql, CatalogueTable& table);

// Every table of the schema (the client's own tables left out).
std::vector<CatalogueTable> readCatalogue(sqlite3* db);

// The name of the parent's P or U constraint an R constraint refers to.
std::string referencedConstraint(const std::vector<CatalogueTable>& tables,
                                 const CatalogueConstraint& foreignKey);

// After a data definition statement ran: keeps the text of CREATE TABLE and
// CREATE VIEW, forgets it at DROP.
void noteDefinition(Connection& connection, const std::string& sql);

// Runs CREATE [PUBLIC] SYNONYM and DROP [PUBLIC] SYNONYM. False when `sql`
// is neither; otherwise true with `error` set (code 0 when it succeeded).
bool runSynonymStatement(Connection& connection, const std::string& sql, OraError& error);

// Fills the dictionary views `sql` names with the schema as it now stands.
void refreshDictionaryViews(Connection& connection, const std::string& sql);

// Drops "SYS." and the qualifier naming the session's user from names; any
// other owner stays and names no table.
void dropOwnQualifiers(RewrittenSql& sql, const std::string& user);

// Puts a column default that is no literal in parentheses, the form SQLite
// takes ("DEFAULT sysdate", "DEFAULT s.nextval").
void wrapColumnDefaults(std::vector<sqltokens::Token>& tokens);

}  // namespace ocistandin
