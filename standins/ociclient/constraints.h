// Constraint violations named as Oracle names them: a failed change's
// unique, check or foreign key error carries "(OWNER.NAME)" of the violated
// constraint from the schema's catalogue; a foreign key tells a missing
// parent (ORA-02291) from existing children (ORA-02292).
#pragma once

#include "errors.h"

namespace ocistandin {

struct Connection;
struct StmtHandle;

// The Oracle error of a change that failed with the SQLite code `rc`.
OraError changeError(Connection& connection, StmtHandle& stmt, int rc);

}  // namespace ocistandin
