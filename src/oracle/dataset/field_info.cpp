#include "oracle/dataset/field_info.h"

#include "dataset/field_defs.h"
#include "dataset/field_kinds.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

using dataset::TFieldType;

bool IsTextType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftMemo ||
         type == TFieldType::ftWideString || type == TFieldType::ftOraClob;
}

bool IsLob(int type) {
  return type == otype::CLOB || type == otype::BLOB;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += ", ";
    text += part;
  }
  return text;
}

}  // namespace

// ---- item

TFieldInfoOwner* TOracleFieldInfo::DataSet() const {
  return collection_.DataSet();
}

void TOracleFieldInfo::SetUniqueName(const std::string& base) {
  const auto taken = [this](const std::string& name) {
    for (int i = 0; i < collection_.Count(); ++i) {
      const TOracleFieldInfo& other = collection_.Items(i);
      if (&other != this && dataset::SameText(other.Name, name)) return true;
    }
    return false;
  };
  std::string name = base;
  for (int n = 1; taken(name); ++n) name = base + "_" + std::to_string(n);
  Name = name;
}

int TOracleFieldInfo::BufferSize() const {
  if (Field == nullptr) return 0;
  switch (Field->DataType()) {
    case TFieldType::ftWideString: {
      const auto* wide = dynamic_cast<const dataset::TWideStringField*>(Field);
      const int units = wide != nullptr ? wide->StoredSize() : Field->Size();
      return National ? units * 2 + 2 : units + 1;
    }
    case TFieldType::ftString:
      return Field->DataSize();
    default:
      return Field->DataSize();
  }
}

bool TOracleFieldInfo::IsEmpty(bool oldValue) const {
  if (Kind == fiObjectColumn) {
    for (const TOracleFieldInfo* attribute : Attributes) {
      if (!attribute->IsEmpty(oldValue)) return false;
    }
    return true;
  }
  if (Field == nullptr) return true;
  const ::Variant value = oldValue ? Field->OldValue() : Field->Value();
  if (value.IsNull() || value.IsEmpty()) return true;
  if (!IsTextType(Field->DataType())) return false;
  const std::string text = value.ToString();
  return DataSet() != nullptr ? DataSet()->ConvertString(text).empty() : text.empty();
}

bool TOracleFieldInfo::ValueIsEmpty() const {
  return IsEmpty(false);
}
bool TOracleFieldInfo::OldValueIsEmpty() const {
  return IsEmpty(true);
}

bool TOracleFieldInfo::IsModified() const {
  if (Kind == fiObjectColumn) {
    for (const TOracleFieldInfo* attribute : Attributes) {
      if (attribute->IsModified()) return true;
    }
    return false;
  }
  if (Field == nullptr || DataSet() == nullptr) return false;
  return DataSet()->FieldChanged(*Field);
}

std::string TOracleFieldInfo::ValueExpression() const {
  const TFieldInfoOwner* owner = DataSet();
  std::string result;
  if (Kind == fiObjectColumn) {
    // A constructor when at least one attribute has an expression of its
    // own; otherwise the object is bound like any other column.
    std::vector<std::string> parts;
    bool own = false;
    for (const TOracleFieldInfo* attribute : Attributes) {
      std::string part = attribute->ValueExpression();
      if (part.empty()) {
        part = attribute->EmptyValueExpression(false);
      } else {
        own = true;
      }
      parts.push_back(std::move(part));
    }
    if (own) return TypeName + "(" + Join(parts) + ")";
  } else if (Field != nullptr) {
    result = Field->DefaultExpression();
    if (result.empty() && owner != nullptr) {
      const std::string sequence = owner->ServerSequenceFor(Field->FieldName());
      if (!sequence.empty()) result = sequence + ".nextval";
    }
  }
  if (result.empty() && owner != nullptr &&
      ((owner->NullLOBIsEmpty() && IsLob(OracleType)) ||
       (owner->NullObjectIsEmpty() && OracleType == otype::Object))) {
    result = EmptyValueExpression(false);
  }
  return result;
}

std::string TOracleFieldInfo::EmptyValueExpression(bool includeValueExpression) const {
  const TFieldInfoOwner* owner = DataSet();
  std::string result = includeValueExpression ? ValueExpression() : std::string();
  if (result.empty() && owner != nullptr && owner->NullLOBIsEmpty() && IsLob(OracleType) &&
      !IsXML) {
    result = OracleType == otype::CLOB ? "empty_clob()" : "empty_blob()";
  }
  if (result.empty() && owner != nullptr && owner->NullObjectIsEmpty() &&
      OracleType == otype::Object && !IsXML) {
    std::vector<std::string> parts;
    for (const TOracleFieldInfo* attribute : Attributes) {
      parts.push_back(attribute->EmptyValueExpression(false));
    }
    result = TypeName + "(" + Join(parts) + ")";
  }
  return result.empty() ? "null" : result;
}

void TOracleFieldInfo::ReadQueryValue(TFieldInfoQuery& query, Variant& value) const {
  if (Kind == fiAttribute) {
    const int column = Parent != nullptr ? Parent->ColumnIndex : ColumnIndex;
    value = query.ObjectAttribute(column, AttributeName);
  } else {
    value = query.Field(ColumnIndex);
  }
  if (value.Type() == VarType::OleStr && !StoredWide) value = Variant::String(value.ToText());
}

int TOracleFieldInfo::QueryIndex(TFieldInfoQuery& query, int index) const {
  if (index < 0 || index >= query.FieldCount()) return -1;
  if (Kind == fiAttribute) {
    return query.FieldType(index) == otype::Object &&
                   query.ObjectAttributeType(index, AttributeIndex) == OracleType
               ? index
               : -1;
  }
  return query.FieldType(index) == OracleType ? index : -1;
}

// ---- list

TOracleFieldInfo& TOracleFieldInfoList::Add() {
  items_.push_back(std::make_unique<TOracleFieldInfo>(*this));
  return *items_.back();
}

void TOracleFieldInfoList::Reset() {
  items_.clear();
  TOracleFieldInfo& rowId = Add();
  rowId.Kind = fiRowId;
  rowId.Name = "ROWID";
  rowId.ColumnName = "ROWID";
}

TOracleFieldInfo* TOracleFieldInfoList::FindByName(const std::string& name) const {
  for (const auto& item : items_) {
    if (dataset::SameText(item->Name, name)) return item.get();
  }
  return nullptr;
}

TOracleFieldInfo* TOracleFieldInfoList::FindByField(const dataset::TField& field) const {
  for (const auto& item : items_) {
    if (item->Field == &field) return item.get();
  }
  return FindByName(field.FieldName());
}

Variant FieldOracleValue(const dataset::TField& field) {
  if (field.IsNull()) return Variant::Null();
  switch (field.DataType()) {
    case dataset::TFieldType::ftSmallint:
    case dataset::TFieldType::ftInteger:
    case dataset::TFieldType::ftWord:
    case dataset::TFieldType::ftLargeint:
      return Variant::Int64(field.AsLargeInt());
    case dataset::TFieldType::ftFloat:
    case dataset::TFieldType::ftCurrency:
    case dataset::TFieldType::ftBCD:
      return Variant::Double(field.AsFloat());
    case dataset::TFieldType::ftDate:
    case dataset::TFieldType::ftTime:
    case dataset::TFieldType::ftDateTime:
      return Variant::Date(field.AsDateTime());
    default:
      return Variant::String(field.AsString());
  }
}

}  // namespace oracle
