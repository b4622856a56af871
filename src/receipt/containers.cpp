#include "receipt/containers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "foundation/helpers_text.h"
#include "platform/calendar.h"

namespace receipt {

namespace {

// Days from 1 January 1970 to 30 December 1899, the origin of date-time values.
constexpr int64_t kOriginToUnixEpochDays = 25569;
constexpr int64_t kMillisecondsPerDay = 86'400'000;

std::string_view Trim(std::string_view text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

using platform::CivilDate;
using platform::CivilFromDays;
using platform::DaysFromCivil;
using platform::DaysInMonth;

// A run of exactly `count` digits at `pos`.
std::optional<unsigned> Digits(std::string_view text, size_t pos, size_t count) {
  if (pos + count > text.size()) return std::nullopt;
  unsigned value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

// "yyyy-mm-dd", optionally followed by " hh:nn:ss" or "Thh:nn:ss".
std::optional<double> ParseDateTimeText(std::string_view text) {
  text = Trim(text);
  if (text.size() != 10 && text.size() != 19) return std::nullopt;
  auto year = Digits(text, 0, 4);
  auto month = Digits(text, 5, 2);
  auto day = Digits(text, 8, 2);
  if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month)) {
    return std::nullopt;
  }
  double days = static_cast<double>(DaysFromCivil(*year, *month, *day) + kOriginToUnixEpochDays);
  if (text.size() == 10) return days;

  auto hour = Digits(text, 11, 2);
  auto minute = Digits(text, 14, 2);
  auto second = Digits(text, 17, 2);
  if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':' || !hour ||
      !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  return days + (*hour * 3600.0 + *minute * 60.0 + *second) / 86400.0;
}

std::string DateTimeText(double days) {
  if (!std::isfinite(days) || std::fabs(days) > 1e9) return "(invalid date)";
  int64_t whole = static_cast<int64_t>(std::trunc(days));
  int64_t ms = std::llround(std::fabs(days - static_cast<double>(whole)) * kMillisecondsPerDay);
  if (ms >= kMillisecondsPerDay) {
    ms -= kMillisecondsPerDay;
    whole += days < 0 ? -1 : 1;
  }
  const CivilDate date = CivilFromDays(whole - kOriginToUnixEpochDays);
  char buffer[128];
  const int64_t seconds = ms / 1000;
  if (seconds == 0) {
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", static_cast<long long>(date.year),
                  date.month, date.day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  static_cast<long long>(date.year), date.month, date.day,
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
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
  text = Trim(text);
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
  std::string_view t = Trim(text);
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
