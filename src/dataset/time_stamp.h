#pragma once
// Date and time values of the framework. Record buffers hold them as
// milliseconds since 1 January of year 1 (a double); TDateTime counts days
// from 30 December 1899 and, for dates before it, keeps the time of day as a
// positive fraction of the negative day number. Fields show them as text in
// the forms below.

#include <string>
#include <string_view>

#include "dataset/db_types.h"

namespace dataset {

inline constexpr double kMSecsPerDay = 86400000.0;
// Days from 1 January of year 1 to 30 December 1899.
inline constexpr double kDateDelta = 693594.0;

double DateTimeToMSecs(TDateTime value);
TDateTime MSecsToDateTime(double msecs);

// "YYYY-MM-DD", "hh:mm:ss" or "YYYY-MM-DD hh:mm:ss" (the time left out when
// it is midnight) for date, time and date-time fields.
std::string DateTimeToText(TDateTime value, TFieldType kind);
// Reads the forms written above (a date, a time, or both separated by one
// blank or "T"); false when the text is none of them or names no real date.
bool TryTextToDateTime(std::string_view text, TDateTime& value);

}  // namespace dataset
