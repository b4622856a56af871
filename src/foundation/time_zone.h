// The machine's time zone as the receipt service wants it: the bias in
// minutes (positive west of UTC) and a North American zone abbreviation.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace foundation {

// Set by GetTimeZone. Read on the user-interface thread only.
extern int32_t TimeZoneBias;
extern std::string TimeZone;

// Reads the zone from the tz database (TZ or the system's local zone):
// TimeZoneBias := minutes west of UTC of standard time, minus 60 while
// daylight time is in force; TimeZone := "PST", "MST" or "CST" for a standard
// offset of -8, -7 or -6 hours, otherwise "EST" (also during daylight time).
void GetTimeZone();

// The same for a given instant (tests pick one in and one out of daylight time).
void GetTimeZoneAt(std::time_t now);

}  // namespace foundation
