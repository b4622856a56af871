#include "oracle/values/ora_variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "oracle/values/text_convert.h"
#include "platform/text.h"

namespace oracle {
namespace {

std::string_view TypeName(VarType t) {
  switch (t) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::SmallInt:
      return "SmallInt";
    case VarType::Integer:
      return "Integer";
    case VarType::Single:
      return "Single";
    case VarType::Double:
      return "Double";
    case VarType::Currency:
      return "Currency";
    case VarType::Date:
      return "Date";
    case VarType::OleStr:
      return "OleStr";
    case VarType::Boolean:
      return "Boolean";
    case VarType::Byte:
      return "Byte";
    case VarType::Int64:
      return "Int64";
    case VarType::String:
      return "String";
    case VarType::Object:
      return "Object";
    case VarType::Array:
      return "Array";
  }
  return "Unknown";
}

[[noreturn]] void Fail(VarType from, std::string_view to) {
  throw EVariantError("Could not convert variant of type (" + std::string(TypeName(from)) +
                      ") into type (" + std::string(to) + ")");
}

bool ParseDouble(std::string_view s, double& out) {
  s = platform::Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(out);
}

// Rounds half to even and checks the 64-bit range.
bool RoundToInt64(double v, int64_t& out) {
  if (!std::isfinite(v)) return false;
  const double r = std::nearbyint(v);
  if (r < -9.2233720368547758e18 || r >= 9.2233720368547758e18) return false;
  out = static_cast<int64_t>(r);
  return true;
}

}  // namespace

std::size_t VarArray::ElementCount() const {
  std::size_t n = bounds.empty() ? 0 : 1;
  for (const VarBound& b : bounds) n *= static_cast<std::size_t>(b.count < 0 ? 0 : b.count);
  return n;
}

Variant Variant::Null() {
  return Variant(VarType::Null, std::monostate{});
}
Variant Variant::SmallInt(int16_t v) {
  return Variant(VarType::SmallInt, int64_t{v});
}
Variant Variant::Integer(int32_t v) {
  return Variant(VarType::Integer, int64_t{v});
}
Variant Variant::Int64(int64_t v) {
  return Variant(VarType::Int64, v);
}
Variant Variant::Byte(uint8_t v) {
  return Variant(VarType::Byte, int64_t{v});
}
Variant Variant::Boolean(bool v) {
  return Variant(VarType::Boolean, int64_t{v ? -1 : 0});
}
Variant Variant::Single(float v) {
  return Variant(VarType::Single, double{v});
}
Variant Variant::Double(double v) {
  return Variant(VarType::Double, v);
}
Variant Variant::Currency(int64_t v) {
  return Variant(VarType::Currency, v);
}
Variant Variant::Date(TDateTime v) {
  return Variant(VarType::Date, v);
}
Variant Variant::String(std::string v) {
  return Variant(VarType::String, std::move(v));
}
Variant Variant::OleStr(std::u16string v) {
  return Variant(VarType::OleStr, std::move(v));
}
Variant Variant::Object(TComplexObject* object) {
  return Variant(VarType::Object, object);
}

Variant Variant::ByteArray(std::vector<uint8_t> bytes) {
  const auto count = static_cast<int32_t>(bytes.size());
  return ByteArray({VarBound{0, count}}, std::move(bytes));
}

Variant Variant::ByteArray(std::vector<VarBound> bounds, std::vector<uint8_t> bytes) {
  auto array = std::make_shared<VarArray>();
  array->elementType = VarType::Byte;
  array->bounds = std::move(bounds);
  if (bytes.size() != array->ElementCount()) {
    throw EVariantError("Byte array size does not match its bounds");
  }
  array->bytes = std::move(bytes);
  return Variant(VarType::Array, std::shared_ptr<const VarArray>(std::move(array)));
}

Variant Variant::VariantArray(std::vector<Variant> items) {
  auto array = std::make_shared<VarArray>();
  array->elementType = VarType::Empty;  // elements are variants of any type
  array->bounds = {VarBound{0, static_cast<int32_t>(items.size())}};
  array->items = std::move(items);
  return Variant(VarType::Array, std::shared_ptr<const VarArray>(std::move(array)));
}

bool Variant::IsIntegral() const {
  return type_ == VarType::SmallInt || type_ == VarType::Integer || type_ == VarType::Int64 ||
         type_ == VarType::Byte || type_ == VarType::Boolean;
}

bool Variant::IsFloat() const {
  return type_ == VarType::Single || type_ == VarType::Double || type_ == VarType::Currency;
}

const VarArray& Variant::Array() const {
  if (type_ != VarType::Array) Fail(type_, "Array");
  return *std::get<std::shared_ptr<const VarArray>>(storage_);
}

TComplexObject* Variant::AsObject() const {
  if (type_ != VarType::Object) Fail(type_, "Object");
  return std::get<TComplexObject*>(storage_);
}

int64_t Variant::ToInt64() const {
  if (IsIntegral()) return std::get<int64_t>(storage_);
  int64_t out = 0;
  switch (type_) {
    case VarType::Currency: {
      if (RoundToInt64(static_cast<double>(std::get<int64_t>(storage_)) / 10000.0, out)) {
        return out;
      }
      break;
    }
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      if (RoundToInt64(std::get<double>(storage_), out)) return out;
      break;
    case VarType::String:
    case VarType::OleStr: {
      const std::string text = ToText();
      std::string_view s = platform::Trim(text);
      if (!s.empty() && s.front() == '+') s.remove_prefix(1);
      const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
      if (!s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size()) return out;
      double d;
      if (ParseDouble(text, d) && RoundToInt64(d, out)) return out;
      break;
    }
    default:
      break;
  }
  Fail(type_, "Int64");
}

int32_t Variant::ToInt32() const {
  int64_t v;
  try {
    v = ToInt64();
  } catch (const EVariantError&) {
    Fail(type_, "Integer");
  }
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    throw EVariantError("Integer overflow converting " + std::to_string(v));
  }
  return static_cast<int32_t>(v);
}

double Variant::ToDouble() const {
  if (IsIntegral()) return static_cast<double>(std::get<int64_t>(storage_));
  switch (type_) {
    case VarType::Currency:
      return static_cast<double>(std::get<int64_t>(storage_)) / 10000.0;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      return std::get<double>(storage_);
    case VarType::String:
    case VarType::OleStr: {
      double d;
      if (ParseDouble(ToText(), d)) return d;
      break;
    }
    default:
      break;
  }
  Fail(type_, "Double");
}

TDateTime Variant::ToDateTime() const {
  if (type_ == VarType::String || type_ == VarType::OleStr) {
    TDateTime d;
    if (TryTextToDateTime(ToText(), d)) return d;
    Fail(type_, "Date");
  }
  if (type_ == VarType::Boolean) Fail(type_, "Date");
  try {
    return ToDouble();
  } catch (const EVariantError&) {
    Fail(type_, "Date");
  }
}

bool Variant::ToBool() const {
  if (IsIntegral()) return std::get<int64_t>(storage_) != 0;
  if (type_ == VarType::String || type_ == VarType::OleStr) {
    std::string t(platform::Trim(ToText()));
    for (char& c : t) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (t == "TRUE") return true;
    if (t == "FALSE") return false;
  }
  try {
    return ToDouble() != 0.0;
  } catch (const EVariantError&) {
    Fail(type_, "Boolean");
  }
}

std::string Variant::ToText() const {
  switch (type_) {
    case VarType::Empty:
    case VarType::Null:
      return {};
    case VarType::Boolean:
      return std::get<int64_t>(storage_) != 0 ? "True" : "False";
    case VarType::SmallInt:
    case VarType::Integer:
    case VarType::Int64:
    case VarType::Byte:
      return std::to_string(std::get<int64_t>(storage_));
    case VarType::Currency:
      return FloatToText(static_cast<double>(std::get<int64_t>(storage_)) / 10000.0);
    case VarType::Single: {
      // A single holds about 7 significant digits; more would show its binary noise.
      char text[32];
      std::snprintf(text, sizeof text, "%.7g", std::get<double>(storage_));
      return text;
    }
    case VarType::Double:
      return FloatToText(std::get<double>(storage_));
    case VarType::Date:
      try {
        return DateTimeToText(std::get<double>(storage_));
      } catch (const EDateError&) {
        Fail(type_, "String");
      }
    case VarType::String:
      return std::get<std::string>(storage_);
    case VarType::OleStr: {
      auto utf8 = Utf16ToUtf8(std::get<std::u16string>(storage_));
      if (!utf8) Fail(type_, "String");
      return *utf8;
    }
    default:
      Fail(type_, "String");
  }
}

bool Variant::operator==(const Variant& other) const {
  if (type_ != other.type_) return false;
  if (type_ == VarType::Array) {
    const VarArray& a = Array();
    const VarArray& b = other.Array();
    if (a.elementType != b.elementType || a.bytes != b.bytes || a.items != b.items ||
        a.bounds.size() != b.bounds.size()) {
      return false;
    }
    for (std::size_t i = 0; i < a.bounds.size(); ++i) {
      if (a.bounds[i].low != b.bounds[i].low || a.bounds[i].count != b.bounds[i].count) {
        return false;
      }
    }
    return true;
  }
  return storage_ == other.storage_;
}

std::string FloatToText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

}  // namespace oracle
