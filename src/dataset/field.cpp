#include "dataset/field.h"

#include "dataset/database_error.h"
#include "dataset/dataset.h"

namespace dataset {

TField::TField(TFieldType dataType, int size) : dataType_(dataType), size_(size) {}

int TField::Index() const {
  return dataSet_ != nullptr ? dataSet_->Fields().IndexOf(*this) : -1;
}

bool TField::IsNull() const {
  return !GetData(nullptr);
}

bool TField::GetData(void* buffer, bool nativeFormat) const {
  if (dataSet_ == nullptr) DatabaseError("Field '" + fieldName_ + "' has no dataset");
  return dataSet_->GetFieldData(const_cast<TField&>(*this), buffer, nativeFormat);
}

void TField::CheckWritable() const {
  if (dataSet_ == nullptr) DatabaseError("Field '" + fieldName_ + "' has no dataset");
  const TDataSetState state = dataSet_->State();
  if (IsCalculated()) {
    if (state == TDataSetState::dsCalcFields) return;
  } else if (fieldKind_ == TFieldKind::fkInternalCalc && state == TDataSetState::dsCalcFields) {
    return;
  } else if (state == TDataSetState::dsNewValue) {
    return;  // the dataset stores a value it fetched (refresh)
  } else if (IsEditState(state)) {
    if (readOnly_) DatabaseError("Field '" + fieldName_ + "' cannot be modified");
    return;
  }
  if (IsCalculated() || fieldKind_ == TFieldKind::fkInternalCalc) {
    DatabaseError("Field '" + fieldName_ + "' cannot be modified");
  }
  DatabaseError("Dataset not in edit or insert mode", dataSet_->Name());
}

void TField::SetData(const void* buffer, bool nativeFormat) {
  CheckWritable();
  dataSet_->SetFieldData(*this, buffer, nativeFormat);
}

void TField::Validate(const void*) {
  if (OnValidate) OnValidate(*this);
}

void TField::Change() {
  if (OnChange) OnChange(*this);
}

std::string TField::Text() const {
  return OnGetText ? OnGetText(*this) : AsString();
}

void TField::SetText(const std::string& text) {
  if (OnSetText)
    OnSetText(*this, text);
  else
    SetAsString(text);
}

void TField::Clear() {
  SetData(nullptr);
}

Variant TField::OldValue() const {
  TTempState temp(*dataSet_, TDataSetState::dsOldValue);
  return Value();
}

Variant TField::NewValue() const {
  TTempState temp(*dataSet_, TDataSetState::dsNewValue);
  return Value();
}

Variant TField::CurValue() const {
  TTempState temp(*dataSet_, TDataSetState::dsCurValue);
  return Value();
}

void TField::ConversionError(const char* typeName) const {
  DatabaseError("Field '" + fieldName_ + "' cannot be read or written as " + typeName);
}

int32_t TField::AsInteger() const {
  ConversionError("Integer");
}
void TField::SetAsInteger(int32_t) {
  ConversionError("Integer");
}
int64_t TField::AsLargeInt() const {
  return AsInteger();
}
void TField::SetAsLargeInt(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) ConversionError("Integer");
  SetAsInteger(static_cast<int32_t>(value));
}
double TField::AsFloat() const {
  ConversionError("Float");
}
void TField::SetAsFloat(double) {
  ConversionError("Float");
}
TDateTime TField::AsDateTime() const {
  ConversionError("DateTime");
}
void TField::SetAsDateTime(TDateTime) {
  ConversionError("DateTime");
}
bool TField::AsBoolean() const {
  ConversionError("Boolean");
}
void TField::SetAsBoolean(bool) {
  ConversionError("Boolean");
}

}  // namespace dataset
