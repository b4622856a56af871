#include "dataset/key_matcher.h"

#include <algorithm>
#include <climits>
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
        key.text = value.ToString();
        if (convert_) key.text = std::string(convert_(key.text));
        if (options.ignoreCase) key.text = platform::UpperAscii(key.text);
        key.kind = key.text.empty() ? Kind::kNull : Kind::kText;
        break;
    }
    keys_.push_back(std::move(key));
  }
}

std::string TKeyMatcher::FieldText(const TField& field) const {
  std::string text = field.AsString();
  if (convert_) text = std::string(convert_(text));
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
    else if (key.kind == Kind::kText && !options_.wildcards && type == TFieldType::ftString)
      key.slot = locate(*key.field, key.size = key.field->DataSize());
  }
}

bool TKeyMatcher::SlotMatches(const Key& key, const uint8_t* record) const {
  const uint8_t* flag = record + key.slot;
  if (*flag != 0) return false;
  if (key.kind == Kind::kText) {
    // As FieldText and KeyMatches compare, without copying the text.
    const auto* chars = reinterpret_cast<const char*>(flag + 1);
    std::string_view text(chars, strnlen(chars, static_cast<std::size_t>(key.size)));
    if (convert_) text = convert_(text);
    if (options_.partial && text.size() > key.text.size()) text = text.substr(0, key.text.size());
    return options_.ignoreCase ? platform::SameText(text, key.text) : text == key.text;
  }
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

bool TKeyMatcher::ReadsRecordsOnly() const {
  return std::all_of(keys_.begin(), keys_.end(), [](const Key& key) { return key.slot >= 0; });
}

namespace {

// The position of the first (or last) record image whose slot at `slot`
// holds `wanted`, or -1: one flag byte and one value per record, nothing
// else looked at. That is one cache line per record image, otherwise not
// looked at: asking for the line of the record well ahead keeps the walk
// from waiting on memory record by record.
template <typename T>
std::ptrdiff_t FindValue(std::span<uint8_t* const> records, int slot, T wanted, bool backward) {
  constexpr std::ptrdiff_t kAhead = 64;
  const auto n = static_cast<std::ptrdiff_t>(records.size());
  const auto at = [&](std::ptrdiff_t i) { return records[static_cast<std::size_t>(i)] + slot; };
  const auto matches = [&](std::ptrdiff_t i) {
    const uint8_t* flag = at(i);
    T value;
    std::memcpy(&value, flag + 1, sizeof value);
    return *flag == 0 && value == wanted;
  };
  if (backward) {
    for (std::ptrdiff_t i = n - 1; i >= 0; --i) {
      if (i >= kAhead) __builtin_prefetch(at(i - kAhead));
      if (matches(i)) return i;
    }
  } else {
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      if (i + kAhead < n) __builtin_prefetch(at(i + kAhead));
      if (matches(i)) return i;
    }
  }
  return -1;
}

}  // namespace

std::ptrdiff_t TKeyMatcher::FindIn(std::span<uint8_t* const> records, bool backward) const {
  // The common search by one number key, with the key hoisted out of the
  // loop.
  if (keys_.size() == 1 && keys_.front().kind == Kind::kFloat)
    return FindValue(records, keys_.front().slot, keys_.front().number, backward);
  if (keys_.size() == 1 && keys_.front().kind == Kind::kInteger) {
    const int64_t wanted = keys_.front().integer;
    if (wanted < INT32_MIN || wanted > INT32_MAX) return -1;
    return FindValue(records, keys_.front().slot, static_cast<int32_t>(wanted), backward);
  }
  const auto n = static_cast<std::ptrdiff_t>(records.size());
  for (std::ptrdiff_t j = 0; j < n; ++j) {
    const std::ptrdiff_t i = backward ? n - 1 - j : j;
    if (Matches(records[static_cast<std::size_t>(i)])) return i;
  }
  return -1;
}

bool TKeyMatcher::NeedsCalcFields() const {
  for (const Key& key : keys_)
    if (key.field->IsCalculated()) return true;
  return false;
}

}  // namespace dataset
