// The Oracle SQL functions the system's statements use, registered on each
// SQLite connection: nvl, decode, to_char, to_date, to_number, chr, nchr,
// lengthb, soundex, userenv, the values behind sysdate, systimestamp and user, and
// the ROWID text of a row and back (ora_rowid_text, ora_rowid_value).
#pragma once

#include <sqlite3.h>

#include "errors.h"

namespace ocistandin {

struct Connection;

bool registerOracleFunctions(sqlite3* db, Connection* connection, OraError& error);

}  // namespace ocistandin
