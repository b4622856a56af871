// Oracle sequences over a sidecar SQLite file beside the database
// ("<database>-sequences"): CREATE and DROP SEQUENCE, and seq.nextval /
// seq.currval in statements. A value is taken in the sidecar's own
// autocommit transaction, so it is never handed out twice, a rollback of
// the session does not give it back, and taking it locks nothing the
// session's tables need.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "errors.h"
#include "sql_tokens.h"

namespace ocistandin {

struct Connection;

// Turns "[owner.]seq.NEXTVAL" and ".CURRVAL" into calls of ora_nextval and
// ora_currval with the qualified name as a literal.
void rewriteSequenceReferences(std::vector<sqltokens::Token>& tokens);

// Registers ora_nextval and ora_currval on the connection's database.
bool registerSequenceFunctions(sqlite3* db, Connection* connection, OraError& error);

// Runs CREATE SEQUENCE or DROP SEQUENCE. False when `sql` is neither;
// otherwise true with `error` set (code 0 when it succeeded).
bool runSequenceStatement(Connection& connection, const std::string& sql, OraError& error);

}  // namespace ocistandin
