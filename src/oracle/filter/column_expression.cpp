#include "oracle/filter/column_expression.h"

#include "dataset/time_stamp.h"
#include "oracle/filter/expression_errors.h"

namespace oracle::filter {
namespace {

TExprType TypeOfField(dataset::TFieldType type) {
  using enum dataset::TFieldType;
  switch (type) {
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

}  // namespace

TColumnExpression::TColumnExpression(dataset::TDataSet& dataSet, std::string fieldName,
                                     TExprFlags flags)
    : TExpression(flags),
      dataSet_(dataSet),
      fieldName_(std::move(fieldName)),
      isNullWord_(fieldName_ == "NULL") {}

void TColumnExpression::LookUpField() {
  field_ = &dataSet_.FieldByName(fieldName_);
  stringField_ = dynamic_cast<const dataset::TStringField*>(field_);
  type_ = TypeOfField(field_->DataType());
  generation_ = dataSet_.Fields().Generation();
}

double TColumnExpression::AsDate() {
  return CheckedFloat(Field().AsDateTime());
}

std::string TColumnExpression::AsString() {
  return Field().AsString();
}

double TColumnExpression::AsFloat() {
  dataset::TField& field = Field();
  return CheckedFloat(type_ == TExprType::Date ? field.AsDateTime() : field.AsFloat());
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
  Field();
  return type_;
}

bool TColumnExpression::TryRead(TExprType type, TValue& value) {
  if (isNullWord_) return false;
  dataset::TField& field = Field();
  using enum dataset::TFieldType;
  const dataset::TFieldType kind = field.DataType();
  // The value forms in the record: text, a double for the float kinds,
  // milliseconds as a double for the date kinds, 32 bits for the integers
  // but the large one.
  if (type == TExprType::String && stringField_ != nullptr)
    return stringField_->GetText(value.text);
  if ((type == TExprType::Float && type_ == TExprType::Float) ||
      ((type == TExprType::Float || type == TExprType::Date) && type_ == TExprType::Date)) {
    double stored = 0;
    if (!field.GetData(&stored)) return false;
    value.number =
        CheckedFloat(type_ == TExprType::Date ? dataset::MSecsToDateTime(stored) : stored);
    return true;
  }
  if (type == TExprType::Integer && (kind == ftSmallint || kind == ftInteger || kind == ftWord)) {
    return field.GetData(&value.integer);
  }
  return TExpression::TryRead(type, value);
}

TFieldResolver ColumnResolver(dataset::TDataSet& dataSet) {
  return [&dataSet](const std::string& name, TParameterList*, TExprFlags flags) {
    return std::make_unique<TColumnExpression>(dataSet, name, flags);
  };
}

}  // namespace oracle::filter
