#pragma once
// Date-time values of the Oracle library and Oracle's 7-byte DATE form.
//
// A date-time is a double of days since 1899-12-30 00:00; the fraction is the
// time of day. For a negative value the fraction still counts forward from the
// start of its day, so -1.25 is 1899-12-29 06:00. Dates run from 0001-01-01 to
// 9999-12-31; the time of day has millisecond resolution.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/calendar.h"

namespace oracle {

using TDateTime = double;

// A date or time value that cannot be represented.
class EDateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using TDateTimeParts = platform::DateTimeParts;

inline constexpr int kMinYear = 1;
inline constexpr int kMaxYear = 9999;
// The value a DATE of year 0 or earlier decodes to (one day before 0001-01-01).
inline constexpr TDateTime kOracleDateBeforeYear1 = -693594.0;
inline constexpr std::size_t kOracleDateSize = 7;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int millisecond);

// Builds a date-time from its parts; raises EDateError for an invalid part or a
// year outside 1..9999.
TDateTime EncodeDateTime(const TDateTimeParts& parts);
TDateTime EncodeDate(int year, int month, int day);

// Splits a date-time into its parts, the time rounded to the millisecond;
// raises EDateError for a value outside 0001-01-01 .. 9999-12-31 or not finite.
TDateTimeParts DecodeDateTime(TDateTime value);

// Writes the 7-byte DATE form of a date-time (seconds resolution: milliseconds
// are dropped); raises EDateError for a year outside 1..9999.
void DateTimeToOracleDate(TDateTime value, std::span<uint8_t, kOracleDateSize> bytes);

// Reads a 7-byte DATE. A year of 0 or less gives kOracleDateBeforeYear1 with the
// time of day applied; malformed bytes or a year after 9999 raise EDateError.
TDateTime OracleDateToDateTime(std::span<const uint8_t, kOracleDateSize> bytes);

// "yyyy-mm-dd" when the time of day is zero, else "yyyy-mm-dd hh:nn:ss".
std::string DateTimeToText(TDateTime value);

// Reads "yyyy-mm-dd" optionally followed by a blank or "T" and "hh:nn",
// "hh:nn:ss" or "hh:nn:ss.zzz" (surrounding blanks allowed). False when the text
// is not such a date or names an invalid one.
bool TryTextToDateTime(std::string_view text, TDateTime& value);

}  // namespace oracle
