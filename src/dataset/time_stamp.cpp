#include "dataset/time_stamp.h"

#include "platform/calendar.h"

#include <charconv>
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

namespace {

// Days from 1970-01-01 of a civil date, and back, through the platform's
// one calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  return platform::DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  const platform::CivilDate date = platform::CivilFromDays(z);
  y = date.year;
  m = static_cast<int>(date.month);
  d = static_cast<int>(date.day);
}

// Days from 1970-01-01 to 1899-12-30.
constexpr int64_t kDelphiEpochFromUnix = -25569;

bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t digits, int& value) {
  if (pos + digits > text.size()) return false;
  const char* begin = text.data() + pos;
  auto [end, ec] = std::from_chars(begin, begin + digits, value);
  if (ec != std::errc() || end != begin + digits) return false;
  pos += digits;
  return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::string DateTimeToText(TDateTime value, TFieldType kind) {
  const double msecs = DateTimeToMSecs(value);
  const int64_t dayNumber = static_cast<int64_t>(std::floor(msecs / kMSecsPerDay));
  int64_t timeMs = static_cast<int64_t>(msecs - static_cast<double>(dayNumber) * kMSecsPerDay);
  int64_t y = 0;
  int m = 0;
  int d = 0;
  CivilFromDays(dayNumber - static_cast<int64_t>(kDateDelta) + kDelphiEpochFromUnix, y, m, d);
  const int64_t seconds = timeMs / 1000;
  char date[32];
  char time[16];
  std::snprintf(date, sizeof date, "%04lld-%02d-%02d", static_cast<long long>(y), m, d);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  if (kind == TFieldType::ftDate) return date;
  if (kind == TFieldType::ftTime) return time;
  if (seconds == 0) return date;
  return std::string(date) + " " + time;
}

bool TryTextToDateTime(std::string_view text, TDateTime& value) {
  std::size_t pos = 0;
  double days = 0;
  bool haveDate = false;
  if (text.size() >= 10 && text[4] == '-') {
    int y = 0;
    int m = 0;
    int d = 0;
    if (!ReadNumber(text, pos, 4, y) || !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, m) ||
        !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, d)) {
      return false;
    }
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    const int64_t n = DaysFromCivil(y, m, d);
    int64_t cy = 0;
    int cm = 0;
    int cd = 0;
    CivilFromDays(n, cy, cm, cd);
    if (cm != m || cd != d) return false;  // 31 April and the like
    days = static_cast<double>(n - kDelphiEpochFromUnix);
    haveDate = true;
    if (pos == text.size()) {
      value = days;
      return true;
    }
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    ++pos;
  }
  int h = 0;
  int mi = 0;
  int s = 0;
  if (!ReadNumber(text, pos, 2, h) || !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, mi)) {
    return false;
  }
  if (pos < text.size() && (!Expect(text, pos, ':') || !ReadNumber(text, pos, 2, s))) return false;
  if (pos != text.size() || h > 23 || mi > 59 || s > 59) return false;
  const double time = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
  value = !haveDate ? time : days >= 0 ? days + time : days - time;
  return true;
}

}  // namespace dataset
