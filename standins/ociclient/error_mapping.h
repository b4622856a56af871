// Translation of SQLite failures into Oracle error numbers and texts.
#pragma once

#include <sqlite3.h>

#include <string>

#include "errors.h"

namespace ocistandin {

// Maps a SQLite result code and message to an Oracle error. `syntaxAtStart`
// tells whether a syntax error lies in the first word of the statement;
// `owner` is the session's user, named in constraint errors.
OraError mapSqliteMessage(int rc, const std::string& message, bool syntaxAtStart,
                          const std::string& owner);

// The same for the last failure of `db`.
OraError mapSqliteError(sqlite3* db, int rc, const std::string& owner);

}  // namespace ocistandin
