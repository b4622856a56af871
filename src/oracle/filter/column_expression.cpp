#include "oracle/filter/column_expression.h"

#include "oracle/filter/expression_errors.h"

namespace oracle::filter {
namespace {

bool IsDateKind(dataset::TFieldType type) {
  using enum dataset::TFieldType;
  return type == ftDate || type == ftTime || type == ftDateTime;
}

}  // namespace

TColumnExpression::TColumnExpression(dataset::TDataSet& dataSet, std::string fieldName,
                                     TExprFlags flags)
    : TExpression(flags),
      dataSet_(dataSet),
      fieldName_(std::move(fieldName)),
      isNullWord_(fieldName_ == "NULL") {}

dataset::TField& TColumnExpression::Field() {
  const uint64_t generation = dataSet_.Fields().Generation();
  if (field_ == nullptr || generation != generation_) {
    field_ = &dataSet_.FieldByName(fieldName_);
    generation_ = generation;
  }
  return *field_;
}

double TColumnExpression::AsDate() {
  return CheckedFloat(Field().AsDateTime());
}

std::string TColumnExpression::AsString() {
  return Field().AsString();
}

double TColumnExpression::AsFloat() {
  dataset::TField& field = Field();
  return CheckedFloat(IsDateKind(field.DataType()) ? field.AsDateTime() : field.AsFloat());
}

int32_t TColumnExpression::AsInteger() {
  return Field().AsInteger();
}

bool TColumnExpression::AsBoolean() {
  return Field().AsBoolean();
}

bool TColumnExpression::IsNull() {
  return isNullWord_ || Field().IsNull();
}

TExprType TColumnExpression::ExprType() {
  if (isNullWord_) return TExprType::String;
  using enum dataset::TFieldType;
  switch (Field().DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
      return TExprType::Integer;
    case ftBoolean:
      return TExprType::Boolean;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return TExprType::Float;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return TExprType::Date;
    default:
      return TExprType::String;
  }
}

TFieldResolver ColumnResolver(dataset::TDataSet& dataSet) {
  return [&dataSet](const std::string& name, TParameterList*, TExprFlags flags) {
    return std::make_unique<TColumnExpression>(dataSet, name, flags);
  };
}

}  // namespace oracle::filter
