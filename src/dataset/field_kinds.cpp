#include "dataset/field_kinds.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "dataset/database_error.h"
#include "dataset/dataset.h"
#include "dataset/time_stamp.h"
#include "platform/com/bstr.h"
#include "platform/com/safearray.h"
#include "platform/text.h"

namespace dataset {
namespace {

[[noreturn]] void InvalidValue(const TField& f, const std::string& text) {
  DatabaseError("'" + text + "' is not a valid value for field '" + f.FieldName() + "'");
}

[[noreturn]] void OutOfRange(const TField& f, const std::string& text) {
  DatabaseError("Value " + text + " is out of range for field '" + f.FieldName() + "'");
}

bool ParseInt64(const std::string& text, int64_t& value) {
  const std::string t(platform::Trim(text));
  const char* begin = t.data();
  if (!t.empty() && t[0] == '+') ++begin;
  auto [end, ec] = std::from_chars(begin, t.data() + t.size(), value);
  return ec == std::errc() && end == t.data() + t.size() && begin != end;
}

bool ParseDouble(const std::string& text, double& value) {
  const std::string t(platform::Trim(text));
  const char* begin = t.data();
  if (!t.empty() && t[0] == '+') ++begin;
  auto [end, ec] = std::from_chars(begin, t.data() + t.size(), value);
  return ec == std::errc() && end == t.data() + t.size() && begin != end && std::isfinite(value);
}

bool IsNullValue(const Variant& v) {
  return v.IsNull() || v.IsEmpty();
}

bool FitsInt32(int64_t v) {
  return v >= INT32_MIN && v <= INT32_MAX;
}

// Blank text clears a field that is not a text field; true when it did.
bool ClearedByBlank(TField& f, const std::string& value) {
  if (!std::string(platform::Trim(value)).empty()) return false;
  f.Clear();
  return true;
}

// Refuses a text of `length` characters longer than the field's Size.
void CheckLength(const TField& f, std::size_t length) {
  if (length > static_cast<std::size_t>(f.Size())) {
    DatabaseError("Value of " + std::to_string(length) + " characters is too long for field '" +
                  f.FieldName() + "' (at most " + std::to_string(f.Size()) + ")");
  }
}

// The value in the field's record buffer as `T`; zero when the field is null.
template <typename T>
T StoredValue(const TField& f) {
  T v = 0;
  return f.GetData(&v) ? v : 0;
}

// Stores a variant in a field: null or empty clears the field, text goes
// through the field's text parsing and any other value through `assign`.
template <typename Assign>
void SetFromVariant(TField& f, const Variant& value, Assign assign) {
  if (IsNullValue(value)) {
    f.Clear();
  } else if (value.vt() == VT_BSTR) {
    f.SetAsString(value.ToString());
  } else {
    assign();
  }
}

}  // namespace

// Bytes of a byte-array variant; false when it is not one.
bool VariantBytes(const Variant& v, std::string& bytes) {
  if (v.vt() != (VT_ARRAY | VT_UI1)) return false;
  SAFEARRAY* array = v.Array();
  LONG low = 0;
  LONG high = -1;
  SafeArrayGetLBound(array, 1, &low);
  SafeArrayGetUBound(array, 1, &high);
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  bytes.assign(static_cast<const char*>(data), static_cast<std::size_t>(high - low + 1));
  SafeArrayUnaccessData(array);
  return true;
}

Variant BytesVariant(const std::string& bytes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(array);
  return Variant::FromArray(array);
}

std::string FloatText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

// ---- string

std::string TStringField::AsString() const {
  std::string text;
  GetText(text);
  return text;
}

bool TStringField::GetText(std::string& text) const {
  // A record's slot may hold more room than its text needs (line ends the
  // dataset widened): a short slot is read on the stack, so that the result
  // is the only allocation, and none for a short text.
  const auto size = static_cast<std::size_t>(DataSize());
  std::array<char, 256> local;
  std::string large;
  char* buffer = local.data();
  if (size > local.size()) {
    large.assign(size, '\0');
    buffer = large.data();
  } else {
    std::memset(buffer, 0, size);
  }
  if (!GetData(buffer)) {
    text.clear();
    return false;
  }
  text.assign(buffer, strnlen(buffer, size));
  return true;
}

void TStringField::SetAsString(const std::string& value) {
  CheckLength(*this, value.size());
  if (value.find('\0') != std::string::npos) InvalidValue(*this, "(text with a NUL character)");
  std::string buffer(value);
  buffer.resize(static_cast<std::size_t>(DataSize()), '\0');
  SetData(buffer.data());
}

int32_t TStringField::AsInteger() const {
  int64_t v = 0;
  const std::string text = AsString();
  if (!ParseInt64(text, v) || !FitsInt32(v)) InvalidValue(*this, text);
  return static_cast<int32_t>(v);
}

void TStringField::SetAsInteger(int32_t value) {
  SetAsString(std::to_string(value));
}

double TStringField::AsFloat() const {
  double v = 0;
  const std::string text = AsString();
  if (!ParseDouble(text, v)) InvalidValue(*this, text);
  return v;
}

void TStringField::SetAsFloat(double value) {
  SetAsString(FloatText(value));
}

TDateTime TStringField::AsDateTime() const {
  TDateTime v = 0;
  const std::string text = AsString();
  if (!TryTextToDateTime(text, v)) InvalidValue(*this, text);
  return v;
}

void TStringField::SetAsDateTime(TDateTime value) {
  SetAsString(DateTimeToText(value, TFieldType::ftDateTime));
}

bool TStringField::AsBoolean() const {
  const std::string text = AsString();
  if (text.empty()) return false;
  const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return c == 'T' || c == 'Y';
}

void TStringField::SetAsBoolean(bool value) {
  SetAsString(value ? "True" : "False");
}

Variant TStringField::Value() const {
  if (IsNull()) return Variant::Null();
  return Variant(AsString());
}

void TStringField::SetValue(const Variant& value) {
  SetFromVariant(*this, value, [&] { SetAsString(value.ToString()); });
}

// ---- wide string

std::u16string TWideStringField::AsWideString() const {
  std::u16string buffer(static_cast<std::size_t>(StoredSize() + 1), u'\0');
  if (!GetData(buffer.data(), false)) return {};
  buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
  return buffer;
}

void TWideStringField::SetAsWideString(const std::u16string& value) {
  CheckLength(*this, value.size());
  std::u16string buffer(value);
  buffer.resize(static_cast<std::size_t>(StoredSize() + 1), u'\0');
  SetData(buffer.data(), false);
}

std::string TWideStringField::AsString() const {
  return Utf8FromUtf16(AsWideString());
}

void TWideStringField::SetAsString(const std::string& value) {
  SetAsWideString(Utf16FromUtf8(value));
}

Variant TWideStringField::Value() const {
  if (IsNull()) return Variant::Null();
  return Variant(AsString());
}

void TWideStringField::SetValue(const Variant& value) {
  SetFromVariant(*this, value, [&] { SetAsString(value.ToString()); });
}

// ---- integer kinds

std::string TIntegerField::AsString() const {
  return IsNull() ? "" : std::to_string(AsInteger());
}

void TIntegerField::SetAsString(const std::string& value) {
  if (ClearedByBlank(*this, value)) return;
  int64_t v = 0;
  if (!ParseInt64(value, v)) InvalidValue(*this, value);
  if (!FitsInt32(v)) OutOfRange(*this, std::string(platform::Trim(value)));
  SetAsInteger(static_cast<int32_t>(v));
}

int32_t TIntegerField::AsInteger() const {
  return StoredValue<int32_t>(*this);
}

void TIntegerField::SetAsInteger(int32_t value) {
  const bool inRange = DataType() == TFieldType::ftSmallint
                           ? value >= INT16_MIN && value <= INT16_MAX
                       : DataType() == TFieldType::ftWord ? value >= 0 && value <= UINT16_MAX
                                                          : true;
  if (!inRange) OutOfRange(*this, std::to_string(value));
  SetData(&value);
}

void TIntegerField::SetAsFloat(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) OutOfRange(*this, FloatText(value));
  SetAsInteger(static_cast<int32_t>(rounded));
}

Variant TIntegerField::Value() const {
  if (IsNull()) return Variant::Null();
  return Variant(AsInteger());
}

void TIntegerField::SetValue(const Variant& value) {
  SetFromVariant(*this, value, [&] { SetAsLargeInt(value.ToInt64()); });
}

// ---- large integer

std::string TLargeintField::AsString() const {
  return IsNull() ? "" : std::to_string(AsLargeInt());
}

void TLargeintField::SetAsString(const std::string& value) {
  if (ClearedByBlank(*this, value)) return;
  int64_t v = 0;
  if (!ParseInt64(value, v)) InvalidValue(*this, value);
  SetAsLargeInt(v);
}

int64_t TLargeintField::AsLargeInt() const {
  return StoredValue<int64_t>(*this);
}

int32_t TLargeintField::AsInteger() const {
  const int64_t v = AsLargeInt();
  if (!FitsInt32(v)) OutOfRange(*this, std::to_string(v));
  return static_cast<int32_t>(v);
}

void TLargeintField::SetAsLargeInt(int64_t value) {
  SetData(&value);
}

Variant TLargeintField::Value() const {
  if (IsNull()) return Variant::Null();
  return Variant(AsLargeInt());
}

void TLargeintField::SetValue(const Variant& value) {
  SetFromVariant(*this, value, [&] { SetAsLargeInt(value.ToInt64()); });
}

// ---- boolean

std::string TBooleanField::AsString() const {
  if (IsNull()) return {};
  return AsBoolean() ? "True" : "False";
}

void TBooleanField::SetAsString(const std::string& value) {
  const std::string t(platform::Trim(value));
  if (t.empty()) {
    Clear();
    return;
  }
  const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
  if (c == 'T' || c == 'Y' || t == "1") {
    SetAsBoolean(true);
  } else if (c == 'F' || c == 'N' || t == "0") {
    SetAsBoolean(false);
  } else {
    InvalidValue(*this, value);
  }
}

bool TBooleanField::AsBoolean() const {
  return StoredValue<int16_t>(*this) != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
  const int16_t v = value ? -1 : 0;
  SetData(&v);
}

Variant TBooleanField::Value() const {
  if (IsNull()) return Variant::Null();
  return Variant(AsBoolean());
}

void TBooleanField::SetValue(const Variant& value) {
  SetFromVariant(*this, value, [&] { SetAsBoolean(value.ToBool()); });
}

// ---- float, currency, BCD

std::string TFloatField::AsString() const {
  return IsNull() ? "" : FloatText(AsFloat());
}

void TFloatField::SetAsString(const std::string& value) {
  if (ClearedByBlank(*this, value)) return;
  double v = 0;
  if (!ParseDouble(value, v)) InvalidValue(*this, value);
  SetAsFloat(v);
}

double TFloatField::AsFloat() const {
  return StoredValue<double>(*this);
}

int32_t TFloatField::AsInteger() const {
  const double rounded = std::nearbyint(AsFloat());
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) OutOfRange(*this, FloatText(rounded));
  return static_cast<int32_t>(rounded);
}

void TFloatField::SetAsFloat(double value) {
  if (!std::isfinite(value)) InvalidValue(*this, FloatText(value));
  if (DataType() == TFieldType::ftCurrency) value = std::round(value * 10000.0) / 10000.0;
  SetData(&value);
}

Variant TFloatField::Value() const {
  if (IsNull()) return Variant::Null();
  if (DataType() == TFieldType::ftCurrency) {
    return Variant::Currency(std::llround(AsFloat() * 10000.0));
  }
  return Variant(AsFloat());
}

void TFloatField::SetValue(const Variant& value) {
  SetFromVariant(*this, value, [&] { SetAsFloat(value.ToDouble()); });
}

// ---- date and time

std::string TDateTimeField::AsString() const {
  return IsNull() ? "" : DateTimeToText(AsDateTime(), DataType());
}

void TDateTimeField::SetAsString(const std::string& value) {
  const std::string t(platform::Trim(value));
  if (t.empty()) {
    Clear();
    return;
  }
  TDateTime v = 0;
  if (!TryTextToDateTime(t, v)) InvalidValue(*this, value);
  SetAsDateTime(v);
}

TDateTime TDateTimeField::AsDateTime() const {
  double msecs = 0;
  return GetData(&msecs) ? MSecsToDateTime(msecs) : 0;
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
  if (!std::isfinite(value)) InvalidValue(*this, FloatText(value));
  double msecs = DateTimeToMSecs(value);
  if (DataType() == TFieldType::ftDate) {
    msecs = std::floor(msecs / kMSecsPerDay) * kMSecsPerDay;
  } else if (DataType() == TFieldType::ftTime) {
    msecs = kDateDelta * kMSecsPerDay + std::fmod(msecs, kMSecsPerDay);
  }
  SetData(&msecs);
}

Variant TDateTimeField::Value() const {
  if (IsNull()) return Variant::Null();
  return Variant::Date(AsDateTime());
}

void TDateTimeField::SetValue(const Variant& value) {
  SetFromVariant(*this, value, [&] {
    SetAsDateTime(value.vt() == VT_DATE ? value.Get().date : value.ToDouble());
  });
}

// ---- BLOB and memo kinds

std::string TBlobField::AsString() const {
  TDataSet* ds = DataSet();
  if (ds == nullptr || IsNull()) return {};
  std::unique_ptr<TStream> stream =
      ds->CreateBlobStream(const_cast<TBlobField&>(*this), TBlobStreamMode::bmRead);
  return stream->ReadAll();
}

void TBlobField::SetAsString(const std::string& value) {
  CheckWritable();
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(*this, TBlobStreamMode::bmWrite);
  if (!value.empty()) stream->Write(value.data(), static_cast<int64_t>(value.size()));
}

Variant TBlobField::Value() const {
  if (IsNull()) return Variant::Null();
  return IsText() ? Variant(AsString()) : BytesVariant(AsString());
}

void TBlobField::SetValue(const Variant& value) {
  std::string bytes;
  if (IsNullValue(value)) {
    Clear();
  } else if (VariantBytes(value, bytes)) {
    SetAsString(bytes);
  } else {
    SetAsString(value.ToString());
  }
}

std::unique_ptr<TField> CreateField(TFieldType type, int size) {
  switch (type) {
    case TFieldType::ftString:
      return std::make_unique<TStringField>(size);
    case TFieldType::ftWideString:
      return std::make_unique<TWideStringField>(size);
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
      return std::make_unique<TIntegerField>(type);
    case TFieldType::ftLargeint:
      return std::make_unique<TLargeintField>();
    case TFieldType::ftBoolean:
      return std::make_unique<TBooleanField>();
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
      return std::make_unique<TFloatField>(type);
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
      return std::make_unique<TDateTimeField>(type);
    case TFieldType::ftMemo:
    case TFieldType::ftBlob:
    case TFieldType::ftOraBlob:
    case TFieldType::ftOraClob:
      return std::make_unique<TBlobField>(type);
    case TFieldType::ftUnknown:
    case TFieldType::ftCursor:
      break;
  }
  return nullptr;
}

}  // namespace dataset
