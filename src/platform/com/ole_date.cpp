#include "platform/com/ole_date.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/calendar.h"

namespace {

constexpr int64_t kMsPerDay = 86400000;

const int64_t kOleEpoch = platform::DaysFromCivil(1899, 12, 30);

bool ReadNumber(std::string_view text, size_t& pos, size_t digits, int& out) {
  if (pos + digits > text.size()) return false;
  out = 0;
  for (size_t i = 0; i < digits; ++i) {
    char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  pos += digits;
  return true;
}

bool ReadTime(std::string_view text, size_t& pos, OleDateParts& parts) {
  if (!ReadNumber(text, pos, 2, parts.hour)) return false;
  if (pos >= text.size() || text[pos++] != ':') return false;
  if (!ReadNumber(text, pos, 2, parts.minute)) return false;
  if (pos < text.size()) {
    if (text[pos++] != ':') return false;
    if (!ReadNumber(text, pos, 2, parts.second)) return false;
  }
  return pos == text.size();
}

}  // namespace

std::optional<OleDateParts> OleDateToParts(double date) {
  // 100-01-01 .. 9999-12-31 23:59:59.999
  if (!std::isfinite(date) || date <= -657435.0 || date >= 2958466.0) return std::nullopt;
  double whole = std::trunc(date);
  auto dayIndex = static_cast<int64_t>(whole);
  auto ms = static_cast<int64_t>(std::llround(std::fabs(date - whole) * kMsPerDay));
  if (ms >= kMsPerDay) {
    // Rounded up to the next midnight: one calendar day later, whatever the sign.
    ms -= kMsPerDay;
    ++dayIndex;
  }
  const platform::CivilDate civil = platform::CivilFromDays(kOleEpoch + dayIndex);
  if (civil.year > 9999) return std::nullopt;
  OleDateParts parts;
  parts.year = static_cast<int>(civil.year);
  parts.month = static_cast<int>(civil.month);
  parts.day = static_cast<int>(civil.day);
  parts.hour = static_cast<int>(ms / 3600000);
  parts.minute = static_cast<int>(ms / 60000 % 60);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.millisecond = static_cast<int>(ms % 1000);
  return parts;
}

std::optional<double> OleDateFromParts(const OleDateParts& p) {
  if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > static_cast<int>(platform::DaysInMonth(p.year, static_cast<unsigned>(p.month))) ||
      p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59 ||
      p.millisecond < 0 || p.millisecond > 999) {
    return std::nullopt;
  }
  int64_t dayIndex = platform::DaysFromCivil(p.year, static_cast<unsigned>(p.month),
                                             static_cast<unsigned>(p.day)) -
                     kOleEpoch;
  double time =
      static_cast<double>(((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.millisecond) /
      kMsPerDay;
  auto whole = static_cast<double>(dayIndex);
  return dayIndex >= 0 ? whole + time : whole - time;
}

std::string FormatOleDate(double date) {
  auto parts = OleDateToParts(date);
  if (!parts) return {};
  char text[32];
  bool midnight = parts->hour == 0 && parts->minute == 0 && parts->second == 0;
  bool timeOnly = parts->year == 1899 && parts->month == 12 && parts->day == 30 && !midnight;
  if (timeOnly) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts->hour, parts->minute, parts->second);
  } else if (midnight) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts->year, parts->month, parts->day);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts->year, parts->month,
                  parts->day, parts->hour, parts->minute, parts->second);
  }
  return text;
}

std::optional<double> ParseOleDate(std::string_view text) {
  OleDateParts parts;
  size_t pos = 0;
  if (text.size() >= 3 && text[2] == ':') {
    if (!ReadTime(text, pos, parts)) return std::nullopt;
    return OleDateFromParts(parts);
  }
  if (!ReadNumber(text, pos, 4, parts.year)) return std::nullopt;
  if (pos >= text.size() || text[pos++] != '-') return std::nullopt;
  if (!ReadNumber(text, pos, 2, parts.month)) return std::nullopt;
  if (pos >= text.size() || text[pos++] != '-') return std::nullopt;
  if (!ReadNumber(text, pos, 2, parts.day)) return std::nullopt;
  if (pos < text.size()) {
    char sep = text[pos++];
    if (sep != ' ' && sep != 'T') return std::nullopt;
    if (!ReadTime(text, pos, parts)) return std::nullopt;
  }
  return OleDateFromParts(parts);
}
