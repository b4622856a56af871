#include "receipt/containers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "foundation/helpers_text.h"
#include "platform/calendar.h"
#include "platform/text.h"

namespace receipt {

namespace {

constexpr std::string_view kBlanksAndLineEnds = " \t\r\n";

// "yyyy-mm-dd", optionally followed by " hh:nn:ss" or "Thh:nn:ss".
std::optional<double> ParseDateTimeText(std::string_view text) {
  text = platform::Trim(text, kBlanksAndLineEnds);
  if (text.size() != 10 && text.size() != 19) return std::nullopt;
  platform::DateTimeParts parts;
  size_t pos = 0;
  using platform::ReadChar;
  using platform::ReadDigits;
  if (!ReadDigits(text, pos, 4, parts.year) || !ReadChar(text, pos, '-') ||
      !ReadDigits(text, pos, 2, parts.month) || !ReadChar(text, pos, '-') ||
      !ReadDigits(text, pos, 2, parts.day)) {
    return std::nullopt;
  }
  if (text.size() == 19) {
    ++pos;
    if ((text[10] != ' ' && text[10] != 'T') || !ReadDigits(text, pos, 2, parts.hour) ||
        !ReadChar(text, pos, ':') || !ReadDigits(text, pos, 2, parts.minute) ||
        !ReadChar(text, pos, ':') || !ReadDigits(text, pos, 2, parts.second)) {
      return std::nullopt;
    }
  }
  if (!platform::IsValidDateTime(parts)) return std::nullopt;
  return platform::JoinDateTime(parts);
}

std::string DateTimeText(double days) {
  const auto p = platform::SplitDateTime(days);
  if (!p) return "(invalid date)";
  char buffer[128];
  if (p->hour == 0 && p->minute == 0 && p->second == 0) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", p->year, p->month, p->day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", p->year, p->month, p->day,
                  p->hour, p->minute, p->second);
  }
  return buffer;
}

// Up to 15 significant digits; an exponent is written as in "1E20", "1E-5".
std::string FloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  std::string exponent = text.substr(e + 1);
  std::string sign;
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
    if (exponent[0] == '-') sign = "-";
    exponent.erase(0, 1);
  }
  size_t nonZero = exponent.find_first_not_of('0');
  exponent = nonZero == std::string::npos ? "0" : exponent.substr(nonZero);
  return mantissa + "E" + sign + exponent;
}

std::optional<double> ParseFloatText(std::string_view text) {
  text = platform::Trim(text, kBlanksAndLineEnds);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed | std::chars_format::scientific);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int32_t> RoundToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  double rounded = std::nearbyint(value);  // half to even in the default rounding mode
  if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(rounded);
}

std::optional<int32_t> ParseIntegerText(std::string_view text) {
  std::string_view t = platform::Trim(text, kBlanksAndLineEnds);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  int64_t whole = 0;
  auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), whole);
  if (!t.empty() && error == std::errc() && end == t.data() + t.size()) {
    if (whole < std::numeric_limits<int32_t>::min() ||
        whole > std::numeric_limits<int32_t>::max()) {
      return std::nullopt;
    }
    return static_cast<int32_t>(whole);
  }
  std::optional<double> number = ParseFloatText(text);
  return number ? RoundToInt32(*number) : std::nullopt;
}

// Visitors that convert one stored value; nullopt when it cannot be.
struct ToInteger {
  std::optional<int32_t> operator()(std::monostate) const { return 0; }
  std::optional<int32_t> operator()(const std::string& s) const { return ParseIntegerText(s); }
  std::optional<int32_t> operator()(int64_t i) const {
    if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max()) {
      return std::nullopt;
    }
    return static_cast<int32_t>(i);
  }
  std::optional<int32_t> operator()(double d) const { return RoundToInt32(d); }
  std::optional<int32_t> operator()(TFieldDateTime t) const { return RoundToInt32(t.Days); }
};

struct ToFloat {
  std::optional<double> operator()(std::monostate) const { return 0.0; }
  std::optional<double> operator()(const std::string& s) const { return ParseFloatText(s); }
  std::optional<double> operator()(int64_t i) const { return static_cast<double>(i); }
  std::optional<double> operator()(double d) const { return d; }
  std::optional<double> operator()(TFieldDateTime t) const { return t.Days; }
};

struct ToDateTime {
  std::optional<double> operator()(std::monostate) const { return 0.0; }
  std::optional<double> operator()(const std::string& s) const { return ParseDateTimeText(s); }
  std::optional<double> operator()(int64_t i) const { return static_cast<double>(i); }
  std::optional<double> operator()(double d) const { return d; }
  std::optional<double> operator()(TFieldDateTime t) const { return t.Days; }
};

struct ToText {
  std::string operator()(std::monostate) const { return {}; }
  std::string operator()(const std::string& s) const { return s; }
  std::string operator()(int64_t i) const { return std::to_string(i); }
  std::string operator()(double d) const { return FloatText(d); }
  std::string operator()(TFieldDateTime t) const { return DateTimeText(t.Days); }
};

}  // namespace

EInvalidFieldCast::EInvalidFieldCast(const std::string& typeName)
    : std::runtime_error("Invalid cast of field value to " + typeName) {}

TFieldValue::TFieldValue(std::string name, TFieldVariant value)
    : FName(std::move(name)), FValue(std::move(value)) {}

TFieldValue& TContainer::AddField(std::string name, TFieldVariant value) {
  fields_.push_back(std::make_unique<TFieldValue>(std::move(name), std::move(value)));
  return *fields_.back();
}

const TFieldValue* TContainer::FindField(const std::string& name) const {
  const std::string wanted = foundation::helpers::LowerAscii(name);
  for (const auto& field : fields_) {
    if (foundation::helpers::LowerAscii(field->Name()) == wanted) return field.get();
  }
  return nullptr;
}

std::string TContainer::AsString(const std::string& name) const {
  const TFieldValue* field = FindField(name);
  return field ? std::visit(ToText{}, field->Value()) : std::string();
}

int32_t TContainer::AsInteger(const std::string& name) const {
  const TFieldValue* field = FindField(name);
  if (!field) return 0;
  std::optional<int32_t> value = std::visit(ToInteger{}, field->Value());
  if (!value) throw EInvalidFieldCast("Integer");
  return *value;
}

double TContainer::AsFloat(const std::string& name) const {
  const TFieldValue* field = FindField(name);
  if (!field) return 0;
  std::optional<double> value = std::visit(ToFloat{}, field->Value());
  if (!value) throw EInvalidFieldCast("Double");
  return *value;
}

double TContainer::AsDateTime(const std::string& name) const {
  const TFieldValue* field = FindField(name);
  if (!field) return 0;
  std::optional<double> value = std::visit(ToDateTime{}, field->Value());
  if (!value) throw EInvalidFieldCast("TDatetime");
  return *value;
}

TContainer& TContainerList::Add(std::unique_ptr<TContainer> container) {
  if (!container) throw std::invalid_argument("TContainerList.Add: no container given");
  items_.push_back(std::move(container));
  return *items_.back();
}

TContainer& TContainerList::NewContainer() {
  return Add(std::make_unique<TContainer>());
}

TContainer* TContainerList::GetItem(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

}  // namespace receipt
