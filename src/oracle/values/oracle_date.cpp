#include "oracle/values/oracle_date.h"

#include "platform/calendar.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace oracle {
namespace {

constexpr int64_t kMsPerDay = 86'400'000;
// Day number of 1970-01-01 counted from 1899-12-30.
constexpr int64_t kUnixEpochDay = 25'569;
constexpr int64_t kFirstDay = -693'593;  // 0001-01-01
constexpr int64_t kLastDay = 2'958'465;  // 9999-12-31

// Days since 1970-01-01 of a date, through the platform's one calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  return platform::DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  const platform::CivilDate date = platform::CivilFromDays(z);
  year = static_cast<int>(date.year);
  month = static_cast<int>(date.month);
  day = static_cast<int>(date.day);
}

TDateTime Combine(double date, double time) {
  return date >= 0 ? date + time : date - time;
}

double TimeFraction(int hour, int minute, int second, int millisecond) {
  const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

// Parses exactly `digits` decimal digits at `pos`.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t digits, int& out) {
  if (pos + digits > text.size()) return false;
  for (std::size_t i = 0; i < digits; ++i) {
    if (text[pos + i] < '0' || text[pos + i] > '9') return false;
  }
  std::from_chars(text.data() + pos, text.data() + pos + digits, out);
  pos += digits;
  return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

bool IsLeapYear(int year) {
  return platform::IsLeapYear(year);
}

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return static_cast<int>(platform::DaysInMonth(year, static_cast<unsigned>(month)));
}

bool IsValidDate(int year, int month, int day) {
  return year >= kMinYear && year <= kMaxYear && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
         millisecond >= 0 && millisecond < 1000;
}

TDateTime EncodeDate(int year, int month, int day) {
  if (!IsValidDate(year, month, day)) {
    throw EDateError("Invalid date " + std::to_string(year) + "-" + std::to_string(month) + "-" +
                     std::to_string(day));
  }
  return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

TDateTime EncodeDateTime(const TDateTimeParts& p) {
  const double date = EncodeDate(p.year, p.month, p.day);
  if (!IsValidTime(p.hour, p.minute, p.second, p.millisecond)) {
    throw EDateError("Invalid time " + std::to_string(p.hour) + ":" + std::to_string(p.minute) +
                     ":" + std::to_string(p.second) + "." + std::to_string(p.millisecond));
  }
  return Combine(date, TimeFraction(p.hour, p.minute, p.second, p.millisecond));
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  // Bounds checked on the double first so that the conversion cannot overflow.
  if (!std::isfinite(value) || value < static_cast<double>(kFirstDay - 1) ||
      value > static_cast<double>(kLastDay + 1)) {
    throw EDateError("Date-time value out of range");
  }
  // The integral part names the day, the fraction's magnitude the time of day.
  const double whole = std::trunc(value);
  int64_t days = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {  // rounded up to midnight: the next calendar day
    ms = 0;
    ++days;
  }
  if (days < kFirstDay || days > kLastDay) throw EDateError("Date-time value out of range");
  TDateTimeParts p;
  CivilFromDays(days - kUnixEpochDay, p.year, p.month, p.day);
  p.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  p.second = static_cast<int>(ms % 60);
  ms /= 60;
  p.minute = static_cast<int>(ms % 60);
  p.hour = static_cast<int>(ms / 60);
  return p;
}

void DateTimeToOracleDate(TDateTime value, std::span<uint8_t, kOracleDateSize> bytes) {
  const TDateTimeParts p = DecodeDateTime(value);
  bytes[0] = static_cast<uint8_t>(p.year / 100 + 100);
  bytes[1] = static_cast<uint8_t>(p.year % 100 + 100);
  bytes[2] = static_cast<uint8_t>(p.month);
  bytes[3] = static_cast<uint8_t>(p.day);
  bytes[4] = static_cast<uint8_t>(p.hour + 1);
  bytes[5] = static_cast<uint8_t>(p.minute + 1);
  bytes[6] = static_cast<uint8_t>(p.second + 1);
}

TDateTime OracleDateToDateTime(std::span<const uint8_t, kOracleDateSize> b) {
  const int hour = b[4] - 1;
  const int minute = b[5] - 1;
  const int second = b[6] - 1;
  if (!IsValidTime(hour, minute, second, 0)) throw EDateError("Invalid time in Oracle DATE");
  const double time = TimeFraction(hour, minute, second, 0);
  const int year = (b[0] - 100) * 100 + (b[1] - 100);
  if (year <= 0) return Combine(kOracleDateBeforeYear1, time);
  if (b[1] < 100 || b[1] > 199 || !IsValidDate(year, b[2], b[3])) {
    throw EDateError("Invalid Oracle DATE");
  }
  return Combine(EncodeDate(year, b[2], b[3]), time);
}

std::string DateTimeToText(TDateTime value) {
  const TDateTimeParts p = DecodeDateTime(value);
  char text[32];
  if (p.hour == 0 && p.minute == 0 && p.second == 0 && p.millisecond == 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
  }
  return text;
}

bool TryTextToDateTime(std::string_view text, TDateTime& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  TDateTimeParts p;
  std::size_t pos = 0;
  if (!ReadNumber(text, pos, 4, p.year) || !Expect(text, pos, '-') ||
      !ReadNumber(text, pos, 2, p.month) || !Expect(text, pos, '-') ||
      !ReadNumber(text, pos, 2, p.day)) {
    return false;
  }
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    ++pos;
    if (!ReadNumber(text, pos, 2, p.hour) || !Expect(text, pos, ':') ||
        !ReadNumber(text, pos, 2, p.minute)) {
      return false;
    }
    if (pos < text.size() && (!Expect(text, pos, ':') || !ReadNumber(text, pos, 2, p.second))) {
      return false;
    }
    if (pos < text.size() &&
        (!Expect(text, pos, '.') || !ReadNumber(text, pos, 3, p.millisecond))) {
      return false;
    }
    if (pos != text.size()) return false;
  }
  if (!IsValidDate(p.year, p.month, p.day) ||
      !IsValidTime(p.hour, p.minute, p.second, p.millisecond)) {
    return false;
  }
  value = EncodeDateTime(p);
  return true;
}

}  // namespace oracle
