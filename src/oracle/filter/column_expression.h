#pragma once
// The leaf that reads a field of a dataset's current record, and the
// resolver that makes one for every name a filter text uses. The bare word
// NULL is the leaf named "NULL": the null value, of type String.

#include <cstdint>
#include <string>

#include "dataset/dataset.h"
#include "dataset/field_kinds.h"
#include "oracle/filter/expression.h"
#include "oracle/filter/parser.h"

namespace oracle::filter {

class TColumnExpression : public TExpression {
 public:
  TColumnExpression(dataset::TDataSet& dataSet, std::string fieldName, TExprFlags flags = {});
  double AsDate() override;
  std::string AsString() override;
  double AsFloat() override;
  int32_t AsInteger() override;
  bool AsBoolean() override;
  bool IsNull() override;
  TExprType ExprType() override;
  bool TryRead(TExprType type, TValue& value) override;

 private:
  // The field of that name and its type; looked up again only when the
  // dataset's field list has changed since. A missing field raises the
  // dataset's error.
  dataset::TField& Field() {
    if (field_ == nullptr || dataSet_.Fields().Generation() != generation_) LookUpField();
    return *field_;
  }
  void LookUpField();

  dataset::TDataSet& dataSet_;
  std::string fieldName_;
  bool isNullWord_;
  dataset::TField* field_ = nullptr;
  const dataset::TStringField* stringField_ = nullptr;  // the same, when it is one
  TExprType type_ = TExprType::String;
  uint64_t generation_ = 0;
};

// A resolver that makes a TColumnExpression of `dataSet` for each name,
// whatever the parameters.
TFieldResolver ColumnResolver(dataset::TDataSet& dataSet);

}  // namespace oracle::filter
