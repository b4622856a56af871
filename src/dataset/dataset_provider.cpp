// Provider support of the base: what a dataset without SQL answers to a
// generic data provider. SQL-based descendants override these.

#include "dataset/database_error.h"
#include "dataset/dataset.h"

namespace dataset {

void TDataSet::PSEndTransaction(bool) {}

void TDataSet::PSExecute() {
  DatabaseError("Operation not supported", name_);
}

int TDataSet::PSExecuteStatement(const std::string&, TParams&, std::unique_ptr<TDataSet>*) {
  DatabaseError("Operation not supported", name_);
}

std::unique_ptr<TIndexDef> TDataSet::PSGetDefaultOrder() {
  return nullptr;
}

std::string TDataSet::PSGetKeyFields() {
  std::string keys;
  for (int i = 0; i < fields_.Count(); ++i) {
    if (!fields_[i].InKey()) continue;
    if (!keys.empty()) keys += ';';
    keys += fields_[i].FieldName();
  }
  return keys;
}

TParams* TDataSet::PSGetParams() {
  return nullptr;
}
std::string TDataSet::PSGetQuoteChar() {
  return "\"";
}
std::string TDataSet::PSGetTableName() {
  return {};
}
TIndexDefs TDataSet::PSGetIndexDefs(TIndexOptions) {
  return {};
}
bool TDataSet::PSInTransaction() {
  return false;
}
bool TDataSet::PSIsSQLBased() {
  return false;
}
bool TDataSet::PSIsSQLSupported() {
  return false;
}

void TDataSet::PSReset() {
  if (Active()) First();
}

void TDataSet::PSSetParams(const TParams&) {}
void TDataSet::PSSetCommandText(const std::string&) {}
void TDataSet::PSStartTransaction() {}

}  // namespace dataset
