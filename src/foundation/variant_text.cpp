#include "foundation/variant_text.h"

#include <QLocale>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>

#include "foundation/log.h"
#include "platform/calendar.h"
#include "platform/com/bstr.h"
#include "platform/com/ole_date.h"

namespace foundation {
namespace {

constexpr const char* kFallbackDateFormat = "mm/dd/yyyy";
constexpr const char* kLogTag = "VariantToText";

std::mutex g_formatMutex;
std::optional<std::string> g_shortDateFormat;

// The locale's short date pattern in our notation ("M/d/yy" -> "mm/dd/yy").
std::string SystemShortDateFormat() {
  std::string qt = QLocale::system().dateFormat(QLocale::ShortFormat).toStdString();
  std::string out;
  for (char c : qt) out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return out;
}

struct DateOrder {
  char order[3];  // 'd', 'm', 'y' in the order they appear
  char separator;
};

std::optional<DateOrder> OrderOf(const std::string& format) {
  DateOrder result{{0, 0, 0}, 0};
  int found = 0;
  char last = 0;
  for (char raw : format) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(raw)));
    if (c == 'd' || c == 'm' || c == 'y') {
      if (c != last) {
        for (int i = 0; i < found; ++i) {
          if (result.order[i] == c) return std::nullopt;
        }
        if (found == 3) return std::nullopt;
        result.order[found++] = c;
      }
    } else if (result.separator == 0 && found > 0) {
      result.separator = raw;
    }
    last = c;
  }
  if (found != 3 || result.separator == 0) return std::nullopt;
  return result;
}

std::string CurrentFormat() {
  std::lock_guard lock(g_formatMutex);
  if (!g_shortDateFormat) {
    std::string system = SystemShortDateFormat();
    g_shortDateFormat = OrderOf(system) ? system : kFallbackDateFormat;
  }
  return *g_shortDateFormat;
}

// Two-digit years fall within fifty years of the current year.
int ExpandYear(int year, size_t digits) {
  if (digits > 2) return year;
  auto today = std::chrono::year_month_day(
      std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
  const int current = static_cast<int>(today.year());
  int result = current - current % 100 + year;
  if (result < current - 50) result += 100;
  if (result > current + 50) result -= 100;
  return result;
}

// Reads text with the short date format: three numbers in the format's order,
// separated by its separator.
std::optional<std::string> ReadShortDate(const std::string& text) {
  auto order = OrderOf(CurrentFormat());
  if (!order) return std::nullopt;
  int values[3] = {0, 0, 0};
  size_t digits[3] = {0, 0, 0};
  size_t pos = 0;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != order->separator) return std::nullopt;
      ++pos;
    }
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) &&
           digits[part] < 4) {
      values[part] = values[part] * 10 + (text[pos] - '0');
      ++digits[part];
      ++pos;
    }
    if (digits[part] == 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  int day = 0, month = 0, year = 0;
  size_t yearDigits = 0;
  for (int i = 0; i < 3; ++i) {
    if (order->order[i] == 'd') day = values[i];
    if (order->order[i] == 'm') month = values[i];
    if (order->order[i] == 'y') {
      year = values[i];
      yearDigits = digits[i];
    }
  }
  year = ExpandYear(year, yearDigits);
  if (year < 1 || month < 1 || month > 12 || day < 1 ||
      day > static_cast<int>(platform::DaysInMonth(year, static_cast<unsigned>(month)))) {
    return std::nullopt;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT00:00:00", year, month, day);
  return std::string(buf);
}

bool LooksLikeDate(const std::string& s, size_t length) {
  if (length != 8 && length != 10) return false;
  auto at = [&s](size_t oneBased, char c) { return s.size() >= oneBased && s[oneBased - 1] == c; };
  return (at(3, '/') && at(6, '/')) || (at(5, '/') && at(8, '/')) || (at(3, '-') && at(7, '-'));
}

std::string StringText(BSTR bstr) {
  std::string text = Utf8FromBstr(bstr);
  if (!LooksLikeDate(text, SysStringLen(bstr))) return text;
  LogDebug("Attempting to convert \"" + text + "\" to date...", kLogTag);
  if (auto date = ReadShortDate(text)) return *date;
  LogDebug("attempt failed! ", kLogTag);
  return text;
}

// The shortest text that reads back as the same number, "." as separator.
std::string ShortestFloat(const VARIANT& value) {
  VARIANT text;
  VariantInit(&text);
  if (VariantChangeType(&text, &value, 0, VT_BSTR) != S_OK) return "(variant)";
  std::string out = Utf8FromBstr(text.bstrVal);
  VariantClear(&text);
  return out;
}

std::string FixedFloat(double value, int width, int decimals) {
  // Bounded so that a caller's odd figures cannot ask for a huge text.
  width = std::clamp(width, 0, 64);
  decimals = std::clamp(decimals, 0, 30);
  char buf[160];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, value);
  return buf;
}

std::string DateText(double oleDate) {
  auto parts = OleDateToParts(oleDate);
  if (!parts) return {};
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", parts->year, parts->month,
                parts->day, parts->hour, parts->minute, parts->second);
  return buf;
}

}  // namespace

std::string VariantToText(const VARIANT& value, uint8_t flags, int width, int decimals) {
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_I4:
      return std::to_string(value.lVal);
    case VT_I1:
      return std::to_string(value.cVal);
    case VT_UI1:
      return std::to_string(value.bVal);
    case VT_I8:
      return std::to_string(value.llVal);
    case VT_R4:
      return decimals != 0 ? FixedFloat(value.fltVal, width, decimals) : ShortestFloat(value);
    case VT_R8:
      return decimals != 0 ? FixedFloat(value.dblVal, width, decimals) : ShortestFloat(value);
    case VT_CY:
      return decimals != 0
                 ? FixedFloat(static_cast<double>(value.cyVal.int64) / 10000.0, width, decimals)
                 : ShortestFloat(value);
    case VT_DATE:
      return DateText(value.date);
    case VT_BOOL:
      if ((flags & kVariantBoolAsDigit) != 0) return value.boolVal != 0 ? "1" : "0";
      return value.boolVal != 0 ? "TRUE" : "FALSE";
    case VT_BSTR:
      return StringText(value.bstrVal);
    default:
      return "(variant)";
  }
}

void SetShortDateFormat(const std::string& format) {
  std::lock_guard lock(g_formatMutex);
  if (format.empty()) {
    g_shortDateFormat.reset();
  } else {
    g_shortDateFormat = format;
  }
}

std::string GetShortDateFormat() {
  return CurrentFormat();
}

}  // namespace foundation
