#pragma once
// Proleptic Gregorian calendar arithmetic shared by the date conversions:
// day numbers counted from 1970-01-01 and back again, and month lengths.

#include <cstdint>

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

}  // namespace platform
