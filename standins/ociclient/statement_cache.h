// The statement cache of a session begun with OCI_STMT_CACHE: statements
// released with OCIStmtRelease stay compiled, keyed by their text, and
// OCIStmtPrepare2 hands one back instead of compiling the text again. The
// cache holds at most the service context's OCI_ATTR_STMTCACHESIZE
// statements; the least recently used one leaves first.
#pragma once

#include <list>

#include "handles.h"

namespace ocistandin {

struct StmtHandle;

struct StatementCache {
  // Released statements, most recently used first. Each is a child of the
  // service context it was prepared on and is checked through the registry
  // before use.
  std::list<StmtHandle*> idle;
};

// Frees the statements a session keeps (when it ends).
void clearStatementCache(SessionHandle& session);

// Counts one compile of a statement by SQLite (ociStandin_PrepareCount).
void countSqlitePrepare();

}  // namespace ocistandin
