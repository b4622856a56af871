// Object tables: CREATE TABLE t OF T makes a table of one column,
// SYS_NC_ROWINFO$, declared with the type and holding each row's object as
// JSON text; the row's SQLite rowid is its hidden object id. A REF to a row
// is the hexadecimal form of "TABLE:rowid". In SQL, value(alias) stands for
// the row's object and ref(alias) for its REF.
#pragma once

#include <sqlite3.h>

#include <string>
#include <utility>
#include <vector>

#include "errors.h"
#include "handles.h"
#include "sql_tokens.h"

namespace ocistandin {

struct Connection;
struct ObjectInstance;

inline constexpr const char* kRowInfoColumn = "SYS_NC_ROWINFO$";

// Runs CREATE TABLE t OF T: false when `sql` is none; otherwise true with
// `error` set (code 0 when it succeeded; ORA-04043 for an unknown type).
bool runObjectTableStatement(Connection& connection, const std::string& sql, OraError& error);

// The object type of object table `table` (upper case); empty for any other.
std::string objectTableType(sqlite3* db, const std::string& table);

// A row's REF, and back (false for a REF that names no object table row).
std::string refHex(const std::string& table, sqlite3_int64 rowid);
bool refTarget(const std::string& hex, std::string& table, sqlite3_int64& rowid);

// Registers ociclient_deref(ref), which deref(x) becomes.
bool registerDerefFunction(sqlite3* db);

// Rewrites value(alias), ref(alias) and deref(x) among the tokens of a statement;
// notes the positions in the main select list that hold a REF, with the
// object table it names.
struct ObjectColumns {
  std::vector<std::pair<std::size_t, std::string>> refs;  // position, object table
  struct Deref {
    std::size_t position;
    std::string table, column;  // the REF column dereferenced
  };
  std::vector<Deref> derefs;
};
void rewriteObjectFunctions(std::vector<sqltokens::Token>& t, ObjectColumns& columns);

// Rewrites the object forms of generated DML: [sys.]xmltype.createxml(x)
// becomes xmltype(x); an INSERT's or UPDATE's table alias and its qualifiers
// go; an UPDATE's "column.attribute = value" assignments set the attribute
// in the column's stored object.
void rewriteObjectDml(std::vector<sqltokens::Token>& t);

// Describes the REF columns the rewrite noted as REFs to their table's
// type, and the dereferenced ones as objects of their REF column's type.
void applyObjectColumns(sqlite3* db, std::vector<ColumnInfo>& columns, const ObjectColumns& noted);

// Loads the row an instance of an object table stands for (ORA-21700 when
// it is gone), and writes the instance to its row (inserting a new one).
bool loadObjectRow(Connection& connection, ObjectInstance& instance, OraError& error);
bool writeObjectRow(Connection& connection, ObjectInstance& instance, OraError& error);

}  // namespace ocistandin
