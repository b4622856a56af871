#include "oracle/values/oracle_date.h"

#include "platform/calendar.h"

#include <cmath>
#include <cstdio>

namespace oracle {
namespace {

constexpr int64_t kFirstDay = -693'593;  // 0001-01-01
constexpr int64_t kLastDay = 2'958'465;  // 9999-12-31

double TimeFraction(int hour, int minute, int second, int millisecond) {
  const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / static_cast<double>(platform::kMillisecondsPerDay);
}

using platform::ReadChar;
using platform::ReadDigits;

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
  return static_cast<double>(
      platform::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      platform::kUnixEpochDayNumber);
}

TDateTime EncodeDateTime(const TDateTimeParts& p) {
  EncodeDate(p.year, p.month, p.day);  // checks the date
  if (!IsValidTime(p.hour, p.minute, p.second, p.millisecond)) {
    throw EDateError("Invalid time " + std::to_string(p.hour) + ":" + std::to_string(p.minute) +
                     ":" + std::to_string(p.second) + "." + std::to_string(p.millisecond));
  }
  return platform::JoinDateTime(p);
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  // Bounds checked on the double first so that the conversion cannot overflow.
  if (!std::isfinite(value) || value < static_cast<double>(kFirstDay - 1) ||
      value > static_cast<double>(kLastDay + 1)) {
    throw EDateError("Date-time value out of range");
  }
  const auto p = platform::SplitDateTime(value);
  if (!p || p->year < kMinYear || p->year > kMaxYear) {
    throw EDateError("Date-time value out of range");
  }
  return *p;
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
  if (year <= 0)
    return platform::CombineDateTime(static_cast<int64_t>(kOracleDateBeforeYear1), time);
  if (b[1] < 100 || b[1] > 199 || !IsValidDate(year, b[2], b[3])) {
    throw EDateError("Invalid Oracle DATE");
  }
  return platform::CombineDateTime(static_cast<int64_t>(EncodeDate(year, b[2], b[3])), time);
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
  if (!ReadDigits(text, pos, 4, p.year) || !ReadChar(text, pos, '-') ||
      !ReadDigits(text, pos, 2, p.month) || !ReadChar(text, pos, '-') ||
      !ReadDigits(text, pos, 2, p.day)) {
    return false;
  }
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    ++pos;
    if (!ReadDigits(text, pos, 2, p.hour) || !ReadChar(text, pos, ':') ||
        !ReadDigits(text, pos, 2, p.minute)) {
      return false;
    }
    if (pos < text.size() && (!ReadChar(text, pos, ':') || !ReadDigits(text, pos, 2, p.second))) {
      return false;
    }
    if (pos < text.size() &&
        (!ReadChar(text, pos, '.') || !ReadDigits(text, pos, 3, p.millisecond))) {
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
