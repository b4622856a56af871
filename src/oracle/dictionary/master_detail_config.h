#pragma once
// The automatic master/detail configuration: the detail's MasterFields and
// DetailFields from the one foreign key between the detail's and the
// master's updating tables, and, when the user agrees, the detail's WHERE
// clause and variables built from them. Messages and the question go
// through the library's message dialog. The Oracle library's start makes
// setting a master at design time run it.

#include <string>

namespace oracle {

class TOracleDataSet;

// `sql` with its top-level WHERE clause replaced by `where` (GROUP BY,
// HAVING, ORDER BY and FOR UPDATE kept); without one, `where` goes before
// the first of those clauses, else on a new line at the end.
std::string ReplaceWhereClause(const std::string& sql, const std::string& where);

// Configures `detail` from its master; False (with a message shown and the
// properties unchanged) when it cannot.
bool ConfigureMasterDetail(TOracleDataSet& detail);

}  // namespace oracle
