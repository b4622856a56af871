#include "platform/com/ole_date.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

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
  OleDateParts parts;
  CivilFromDays(kOleEpoch + dayIndex, parts.year, parts.month, parts.day);
  if (parts.year > 9999) return std::nullopt;
  parts.hour = static_cast<int>(ms / 3600000);
  parts.minute = static_cast<int>(ms / 60000 % 60);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.millisecond = static_cast<int>(ms % 1000);
  return parts;
}

std::optional<double> OleDateFromParts(const OleDateParts& p) {
  if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.millisecond < 0 || p.millisecond > 999) {
    return std::nullopt;
  }
  int64_t dayIndex =
      DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
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
