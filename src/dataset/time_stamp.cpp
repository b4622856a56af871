#include "dataset/time_stamp.h"

#include "platform/calendar.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace dataset {

double DateTimeToMSecs(TDateTime value) {
  const double days = std::trunc(value);
  const double time = std::fabs(value - days);
  return std::round((days + kDateDelta) * kMSecsPerDay + time * kMSecsPerDay);
}

TDateTime MSecsToDateTime(double msecs) {
  const double dayNumber = std::floor(msecs / kMSecsPerDay);
  const double time = (msecs - dayNumber * kMSecsPerDay) / kMSecsPerDay;
  const double days = dayNumber - kDateDelta;
  return days >= 0 ? days + time : days - time;
}

using platform::ReadChar;
using platform::ReadDigits;

std::string DateTimeToText(TDateTime value, TFieldType kind) {
  const auto p = platform::SplitDateTime(value).value_or(platform::DateTimeParts{});
  char date[32];
  char time[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", p.year, p.month, p.day);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  if (kind == TFieldType::ftDate) return date;
  if (kind == TFieldType::ftTime) return time;
  if (p.hour == 0 && p.minute == 0 && p.second == 0) return date;
  return std::string(date) + " " + time;
}

bool TryTextToDateTime(std::string_view text, TDateTime& value) {
  std::size_t pos = 0;
  int64_t days = 0;
  bool haveDate = false;
  if (text.size() >= 10 && text[4] == '-') {
    int y = 0;
    int m = 0;
    int d = 0;
    if (!ReadDigits(text, pos, 4, y) || !ReadChar(text, pos, '-') || !ReadDigits(text, pos, 2, m) ||
        !ReadChar(text, pos, '-') || !ReadDigits(text, pos, 2, d)) {
      return false;
    }
    if (y < 1 || !platform::IsValidDateTime({.year = y, .month = m, .day = d})) return false;
    days = platform::DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) +
           platform::kUnixEpochDayNumber;
    haveDate = true;
    if (pos == text.size()) {
      value = static_cast<double>(days);
      return true;
    }
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    ++pos;
  }
  int h = 0;
  int mi = 0;
  int s = 0;
  if (!ReadDigits(text, pos, 2, h) || !ReadChar(text, pos, ':') || !ReadDigits(text, pos, 2, mi)) {
    return false;
  }
  if (pos < text.size() && (!ReadChar(text, pos, ':') || !ReadDigits(text, pos, 2, s)))
    return false;
  if (pos != text.size() || h > 23 || mi > 59 || s > 59) return false;
  const double time = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
  value = haveDate ? platform::CombineDateTime(days, time) : time;
  return true;
}

}  // namespace dataset
