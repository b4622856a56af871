#pragma once
// Proleptic Gregorian calendar arithmetic shared by the date conversions:
// day numbers counted from 1970-01-01 and back again, month lengths, and the
// date-time values counted in days from 1899-12-30.
//
// A date-time value is a double: its whole part counts days from 1899-12-30
// (back before it), and its fraction's magnitude is the time of day whatever
// the sign, so -1.25 is 1899-12-29 06:00.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

struct CivilDate {
  int64_t year;
  unsigned month;  // 1..12
  unsigned day;    // 1..31
};

// Days since 1970-01-01 of a date (negative before it). `month` is 1..12.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);
// The date `days` days after 1970-01-01.
CivilDate CivilFromDays(int64_t days);

bool IsLeapYear(int64_t year);
// Days in `month` (1..12) of `year`.
unsigned DaysInMonth(int64_t year, unsigned month);

// The day number of 1970-01-01 in date-time values.
inline constexpr int64_t kUnixEpochDayNumber = 25'569;
inline constexpr int64_t kMillisecondsPerDay = 86'400'000;

struct DateTimeParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Splits a date-time value, its time rounded to the millisecond. A time that
// rounds up to 24:00 is 00:00 of the next calendar day, whatever the sign of
// the value. nullopt when the value is not finite or its day number lies
// beyond `maxDays` either way.
std::optional<DateTimeParts> SplitDateTime(double value, double maxDays = 1e9);
// Joins the parts into a date-time value; the parts are not checked.
double JoinDateTime(const DateTimeParts& parts);
// The date-time value of a day number and a time of day (a fraction of a day).
double CombineDateTime(int64_t dayNumber, double timeOfDay);
// True when the date exists and the time is within 00:00:00.000..23:59:59.999.
bool IsValidDateTime(const DateTimeParts& parts);

// Reads exactly `count` decimal digits at `pos` and moves past them.
bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value);
// Moves past `c` at `pos`; false when another character or the end is there.
bool ReadChar(std::string_view text, std::size_t& pos, char c);

}  // namespace platform
