#include "dataset/time_stamp.h"

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

// Days from 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
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
