#include "oracle/dml/dml_query.h"

#include "oracle/dml/editing.h"
#include "oracle/session/session.h"
#include "oracle/values/sql_scanner.h"

namespace oracle {

TOracleQuery& PrepareDMLQuery(TOracleDataSet& dataSet, bool silent) {
  TDataSetEditing& editing = Editing(dataSet);
  if (!editing.dmlQuery_) editing.dmlQuery_ = std::make_unique<TOracleQuery>(&dataSet);
  TOracleQuery& query = *editing.dmlQuery_;
  query.SetDebug(!silent && dataSet.Debug());
  query.SetOptimize(dataSet.Optimize());
  if (query.Session() != dataSet.Session()) query.SetSession(dataSet.Session());
  query.SetCursor(dataSet.Cursor());
  query.SetReadBuffer(2);
  query.SetStringFieldsOnly(false);
  return query;
}

void ReleaseDMLQuery(TOracleDataSet& dataSet) {
  TDataSetEditing& editing = Editing(dataSet);
  if (!editing.dmlQuery_) return;
  TOracleSession* session = dataSet.Session();
  const bool keep =
      editing.dmlQuery_->Optimize() && session != nullptr && !session->StatementCache();
  if (!keep) editing.dmlQuery_->Close();
}

void CopyDataSetVariables(TOracleDataSet& dataSet, TOracleQuery& query) {
  const TOracleQuery& main = dataSet.MainQuery();
  for (const TBindOccurrence& bind : FindBindVariables(query.SQL())) {
    const int32_t index = main.VariableIndex(bind.name);
    if (index < 0) continue;
    query.DeclareVariable(bind.name, main.VariableType(index));
    query.SetVariable(bind.name, main.GetVariable(bind.name));
  }
}

int32_t RowIdFieldIndex(const TOracleQuery& query) {
  for (int32_t i = 0; i < query.FieldCount(); ++i)
    if (query.FieldOracleType(i) == 11 || query.FieldOracleType(i) == 104) return i;
  return -1;
}

}  // namespace oracle
