#include "platform/calendar.h"

#include <cmath>

namespace platform {

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

bool IsLeapYear(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(int64_t y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace platform

namespace platform {

std::optional<DateTimeParts> SplitDateTime(double value, double maxDays) {
  if (!std::isfinite(value) || std::fabs(value) > maxDays) return std::nullopt;
  const double whole = std::trunc(value);
  auto dayNumber = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(value - whole) * kMillisecondsPerDay);
  if (ms >= kMillisecondsPerDay) {
    // 24:00 of a day is 00:00 of the next one: one day forward also before
    // 1899-12-30, where the day numbers count back but the time forward.
    ms -= kMillisecondsPerDay;
    ++dayNumber;
  }
  const CivilDate date = CivilFromDays(dayNumber - kUnixEpochDayNumber);
  DateTimeParts parts;
  parts.year = static_cast<int>(date.year);
  parts.month = static_cast<int>(date.month);
  parts.day = static_cast<int>(date.day);
  parts.hour = static_cast<int>(ms / 3'600'000);
  parts.minute = static_cast<int>(ms / 60'000 % 60);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.millisecond = static_cast<int>(ms % 1000);
  return parts;
}

double CombineDateTime(int64_t dayNumber, double timeOfDay) {
  const auto day = static_cast<double>(dayNumber);
  return dayNumber >= 0 ? day + timeOfDay : day - timeOfDay;
}

double JoinDateTime(const DateTimeParts& p) {
  const int64_t dayNumber =
      DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) +
      kUnixEpochDayNumber;
  const int64_t ms = ((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond;
  return CombineDateTime(dayNumber, static_cast<double>(ms) / kMillisecondsPerDay);
}

bool IsValidDateTime(const DateTimeParts& p) {
  return p.month >= 1 && p.month <= 12 && p.day >= 1 &&
         p.day <= static_cast<int>(DaysInMonth(p.year, static_cast<unsigned>(p.month))) &&
         p.hour >= 0 && p.hour <= 23 && p.minute >= 0 && p.minute <= 59 && p.second >= 0 &&
         p.second <= 59 && p.millisecond >= 0 && p.millisecond <= 999;
}

bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
  if (pos + count > text.size()) return false;
  int result = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    result = result * 10 + (text[i] - '0');
  }
  value = result;
  pos += count;
  return true;
}

bool ReadChar(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace platform
