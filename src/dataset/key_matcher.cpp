#include "dataset/key_matcher.h"

#include <cmath>
#include <cstring>

#include "dataset/database_error.h"
#include "dataset/time_stamp.h"
#include "platform/text.h"

namespace dataset {
namespace {

bool IsTextType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftWideString ||
         type == TFieldType::ftMemo || type == TFieldType::ftOraClob;
}

TDateTime DatePart(TDateTime value, bool ignoreTime) {
  return ignoreTime ? std::trunc(value) : value;
}

}  // namespace

bool IsFieldNullOrEmpty(const TField& field) {
  return field.IsNull() || (IsTextType(field.DataType()) && field.AsString().empty());
}

TKeyMatcher::TKeyMatcher(std::vector<TField*> fields, const std::vector<Variant>& values,
                         TKeyMatchOptions options, TextConversion convert, PatternMatch pattern)
    : options_(options), convert_(std::move(convert)), pattern_(std::move(pattern)) {
  const bool allText = options.partial || options.wildcards;
  for (std::size_t i = 0; i < fields.size() && i < values.size(); ++i) {
    Key key;
    key.field = fields[i];
    const Variant& value = values[i];
    if (value.IsNull() || value.IsEmpty()) {
      keys_.push_back(std::move(key));
      continue;
    }
    switch (allText ? TFieldType::ftString : fields[i]->DataType()) {
      case TFieldType::ftSmallint:
      case TFieldType::ftInteger:
      case TFieldType::ftWord:
      case TFieldType::ftLargeint:
        key.kind = Kind::kInteger;
        key.integer = value.ToInt64();
        break;
      case TFieldType::ftFloat:
      case TFieldType::ftCurrency:
      case TFieldType::ftBCD:
        key.kind = Kind::kFloat;
        key.number = value.ToDouble();
        break;
      case TFieldType::ftDate:
      case TFieldType::ftTime:
      case TFieldType::ftDateTime:
        key.kind = Kind::kDate;
        if (value.vt() == VT_BSTR) {
          if (!TryTextToDateTime(value.ToString(), key.number))
            DatabaseError("'" + value.ToString() + "' is not a valid date and time");
        } else {
          key.number = value.ToDouble();
        }
        key.number = DatePart(key.number, options.ignoreTime);
        break;
      case TFieldType::ftBoolean:
        key.kind = Kind::kBoolean;
        key.integer = value.ToBool() ? 1 : 0;
        break;
      default:
        key.text = convert_ ? convert_(value.ToString()) : value.ToString();
        if (options.ignoreCase) key.text = platform::UpperAscii(key.text);
        key.kind = key.text.empty() ? Kind::kNull : Kind::kText;
        break;
    }
    keys_.push_back(std::move(key));
  }
}

std::string TKeyMatcher::FieldText(const TField& field) const {
  std::string text = convert_ ? convert_(field.AsString()) : field.AsString();
  if (options_.ignoreCase) text = platform::UpperAscii(text);
  return text;
}

bool TKeyMatcher::KeyMatches(const Key& key) const {
  const TField& field = *key.field;
  if (key.kind == Kind::kNull) return IsFieldNullOrEmpty(field);
  // Integer and float values are read from the record in one step, null
  // test included.
  if (key.kind == Kind::kInteger && field.DataType() != TFieldType::ftLargeint) {
    int32_t value = 0;
    return field.GetData(&value) && value == key.integer;
  }
  if (key.kind == Kind::kFloat && field.DataType() == TFieldType::ftFloat) {
    double value = 0;
    return field.GetData(&value) && value == key.number;
  }
  if (field.IsNull()) return false;
  switch (key.kind) {
    case Kind::kInteger:
      return field.AsLargeInt() == key.integer;
    case Kind::kFloat:
      return field.AsFloat() == key.number;
    case Kind::kDate:
      return DatePart(field.AsDateTime(), options_.ignoreTime) == key.number;
    case Kind::kBoolean:
      return field.AsBoolean() == (key.integer != 0);
    default: {
      std::string text = FieldText(field);
      if (options_.wildcards && pattern_) return pattern_(text, key.text);
      if (options_.partial && text.size() > key.text.size()) text.resize(key.text.size());
      return text == key.text;
    }
  }
}

bool TKeyMatcher::Matches() const {
  for (const Key& key : keys_)
    if (!KeyMatches(key)) return false;
  return true;
}

void TKeyMatcher::LocateSlots(const SlotLocator& locate) {
  for (Key& key : keys_) {
    const TFieldType type = key.field->DataType();
    if (key.kind == Kind::kInteger && type != TFieldType::ftLargeint)
      key.slot = locate(*key.field, static_cast<int>(sizeof(int32_t)));
    else if (key.kind == Kind::kFloat && type == TFieldType::ftFloat)
      key.slot = locate(*key.field, static_cast<int>(sizeof(double)));
  }
}

bool TKeyMatcher::SlotMatches(const Key& key, const uint8_t* record) const {
  const uint8_t* flag = record + key.slot;
  if (*flag != 0) return false;
  if (key.kind == Kind::kInteger) {
    int32_t value;
    std::memcpy(&value, flag + 1, sizeof value);
    return value == key.integer;
  }
  double value;
  std::memcpy(&value, flag + 1, sizeof value);
  return value == key.number;
}

bool TKeyMatcher::Matches(const uint8_t* record) const {
  for (const Key& key : keys_)
    if (!(key.slot >= 0 ? SlotMatches(key, record) : KeyMatches(key))) return false;
  return true;
}

bool TKeyMatcher::NeedsCalcFields() const {
  for (const Key& key : keys_)
    if (key.field->IsCalculated()) return true;
  return false;
}

}  // namespace dataset
