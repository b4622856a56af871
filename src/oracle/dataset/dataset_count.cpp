// Counting the rows a dataset's statement would return: a "select count(*)"
// around the statement, with the main query's session and variables.

#include "dataset/database_error.h"
#include "oracle/dataset/dataset.h"

namespace oracle {

std::string CountStatementText(const std::string& statement) {
  // The statement stands on lines of its own, so that a "--" comment at
  // its end cannot swallow the closing parenthesis.
  return "select count(*) from (\n" + statement + "\n)";
}

int TOracleDataSet::CountQueryHits() {
  if (IsCursorDataSet()) dataset::DatabaseError("Cannot count query hits for cursor dataset");
  if (!countQuery_) countQuery_ = std::make_unique<TOracleQuery>(this);
  TOracleQuery& count = *countQuery_;
  count.SetSession(Session());
  mainQuery_->Variables().AssignTo(count.Variables());
  count.SetSQL(CountStatementText(mainQuery_->SQL()));
  count.Execute();
  return count.Eof() ? 0 : count.FieldAsInteger(0);
}

}  // namespace oracle
