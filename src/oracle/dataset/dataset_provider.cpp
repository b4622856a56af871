// The dataset's answers to a generic data provider: through its provider
// part when the library has one, else the framework's.

#include "oracle/dataset/dataset.h"

namespace oracle {
namespace {

TProviderPartMaker providerPartMaker = nullptr;

}  // namespace

void SetProviderPartMaker(TProviderPartMaker maker) {
  providerPartMaker = maker;
}

TProviderPartMaker ProviderPartMaker() {
  return providerPartMaker;
}

TDataSetProvider* TOracleDataSet::Provider() {
  if (!ProviderPart && providerPartMaker != nullptr) ProviderPart = providerPartMaker();
  return ProviderPart.get();
}

void TOracleDataSet::PSExecute() {
  TDataSetProvider* part = Provider();
  if (part == nullptr) return dataset::TDataSet::PSExecute();
  part->Execute(*this);
}

int TOracleDataSet::PSExecuteStatement(const std::string& sql, dataset::TParams& params,
                                       std::unique_ptr<dataset::TDataSet>* resultSet) {
  TDataSetProvider* part = Provider();
  if (part == nullptr) return dataset::TDataSet::PSExecuteStatement(sql, params, resultSet);
  return part->ExecuteStatement(*this, sql, params, resultSet);
}

std::unique_ptr<dataset::TIndexDef> TOracleDataSet::PSGetDefaultOrder() {
  TDataSetProvider* part = Provider();
  return part != nullptr ? part->DefaultOrder(*this) : dataset::TDataSet::PSGetDefaultOrder();
}

std::string TOracleDataSet::PSGetKeyFields() {
  TDataSetProvider* part = Provider();
  return part != nullptr ? part->KeyFields(*this) : dataset::TDataSet::PSGetKeyFields();
}

dataset::TParams* TOracleDataSet::PSGetParams() {
  TDataSetProvider* part = Provider();
  return part != nullptr ? part->Params(*this) : dataset::TDataSet::PSGetParams();
}

std::string TOracleDataSet::PSGetTableName() {
  TDataSetProvider* part = Provider();
  return part != nullptr ? part->TableName(*this) : dataset::TDataSet::PSGetTableName();
}

dataset::TIndexDefs TOracleDataSet::PSGetIndexDefs(dataset::TIndexOptions indexTypes) {
  TDataSetProvider* part = Provider();
  return part != nullptr ? part->IndexDefs(*this, indexTypes)
                         : dataset::TDataSet::PSGetIndexDefs(indexTypes);
}

void TOracleDataSet::PSSetParams(const dataset::TParams& params) {
  TDataSetProvider* part = Provider();
  if (part == nullptr) return dataset::TDataSet::PSSetParams(params);
  part->SetParams(*this, params);
}

void TOracleDataSet::PSStartTransaction() {
  TDataSetProvider* part = Provider();
  if (part == nullptr) return dataset::TDataSet::PSStartTransaction();
  part->StartTransaction(*this);
}

void TOracleDataSet::PSEndTransaction(bool commit) {
  TDataSetProvider* part = Provider();
  if (part == nullptr) return dataset::TDataSet::PSEndTransaction(commit);
  part->EndTransaction(*this, commit);
}

// Changes are logged only inside a provider transaction (or with cached
// updates, which are not the provider's).
bool TOracleDataSet::PSInTransaction() {
  return Provider() != nullptr ? logging_ : dataset::TDataSet::PSInTransaction();
}

void TOracleDataSet::PSSetCommandText(const std::string& commandText) {
  mainQuery_->SetSQL(commandText);
  Close();
}

}  // namespace oracle
