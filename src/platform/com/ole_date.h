#pragma once
// OLE dates: days since 1899-12-30 as a double; the fraction is the time of
// day. Before 1899-12-30 the whole part counts back and the fraction still
// counts forward (-1.25 is 1899-12-29 06:00). Valid from year 100 to 9999.

#include <optional>
#include <string>
#include <string_view>

#include "platform/calendar.h"

using OleDateParts = platform::DateTimeParts;

// Splits a date, rounded to the millisecond; nullopt when it is out of range
// or not a number.
std::optional<OleDateParts> OleDateToParts(double date);
// Joins parts; nullopt when a part is out of its range.
std::optional<double> OleDateFromParts(const OleDateParts& parts);

// "yyyy-mm-dd hh:nn:ss"; the time is left out at midnight, the date when the
// whole part is 0 (a time of day alone). Empty when the date is out of range.
std::string FormatOleDate(double date);
// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss]" (blank or "T" between) and
// "hh:nn[:ss]"; nullopt for anything else.
std::optional<double> ParseOleDate(std::string_view text);
