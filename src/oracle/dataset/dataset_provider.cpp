// The dataset's answers to a generic data provider: through its provider
// part when one is set, else the framework's.

#include "oracle/dataset/dataset.h"

namespace oracle {

void TOracleDataSet::PSExecute() {
  if (!ProviderPart) return dataset::TDataSet::PSExecute();
  ProviderPart->Execute(*this);
}

int TOracleDataSet::PSExecuteStatement(const std::string& sql, dataset::TParams& params,
                                       std::unique_ptr<dataset::TDataSet>* resultSet) {
  if (!ProviderPart) return dataset::TDataSet::PSExecuteStatement(sql, params, resultSet);
  return ProviderPart->ExecuteStatement(*this, sql, params, resultSet);
}

std::unique_ptr<dataset::TIndexDef> TOracleDataSet::PSGetDefaultOrder() {
  return ProviderPart ? ProviderPart->DefaultOrder(*this) : dataset::TDataSet::PSGetDefaultOrder();
}

std::string TOracleDataSet::PSGetKeyFields() {
  return ProviderPart ? ProviderPart->KeyFields(*this) : dataset::TDataSet::PSGetKeyFields();
}

dataset::TParams* TOracleDataSet::PSGetParams() {
  return ProviderPart ? ProviderPart->Params(*this) : dataset::TDataSet::PSGetParams();
}

std::string TOracleDataSet::PSGetTableName() {
  return ProviderPart ? ProviderPart->TableName(*this) : dataset::TDataSet::PSGetTableName();
}

dataset::TIndexDefs TOracleDataSet::PSGetIndexDefs(dataset::TIndexOptions indexTypes) {
  return ProviderPart ? ProviderPart->IndexDefs(*this, indexTypes)
                      : dataset::TDataSet::PSGetIndexDefs(indexTypes);
}

void TOracleDataSet::PSSetParams(const dataset::TParams& params) {
  if (!ProviderPart) return dataset::TDataSet::PSSetParams(params);
  ProviderPart->SetParams(*this, params);
}

void TOracleDataSet::PSStartTransaction() {
  if (!ProviderPart) return dataset::TDataSet::PSStartTransaction();
  ProviderPart->StartTransaction(*this);
}

void TOracleDataSet::PSEndTransaction(bool commit) {
  if (!ProviderPart) return dataset::TDataSet::PSEndTransaction(commit);
  ProviderPart->EndTransaction(*this, commit);
}

// Changes are logged only inside a provider transaction (or with cached
// updates, which are not the provider's).
bool TOracleDataSet::PSInTransaction() {
  return ProviderPart ? logging_ : dataset::TDataSet::PSInTransaction();
}

void TOracleDataSet::PSSetCommandText(const std::string& commandText) {
  mainQuery_->SetSQL(commandText);
  Close();
}

}  // namespace oracle
