// Oracle's text forms of numbers and dates, the 7-byte DATE form, and the
// number and date format models of to_char/to_date/to_number.
//
// Dates are kept in the database as text "YYYY-MM-DD HH:MM:SS".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ocistandin {

struct DateParts {
  int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  long nanosecond = 0;  // timestamps only
};

// The session's date format (NLS_DATE_FORMAT).
inline constexpr const char* kSessionDateFormat = "DD-MON-RR";

// "YYYY-MM-DD[ HH:MM:SS[.fffffffff]]" (also with 'T') -> parts; nothing if
// not a valid date.
std::optional<DateParts> parseIsoDate(std::string_view text);
std::string isoText(const DateParts& date);
// isoText with the fraction of a second, when there is one.
std::string isoTimestampText(const DateParts& date);
bool isValidDate(const DateParts& date);

// Oracle's 7-byte DATE: century+100, year+100, month, day, hour+1, minute+1, second+1.
void toOracleDate7(const DateParts& date, unsigned char out[7]);
std::optional<DateParts> fromOracleDate7(const unsigned char in[7]);

// Date format models (DD, MM, MON, MONTH, YYYY, YY, RR, RRRR, HH24, HH, MI, SS,
// FF[1-9], X, AM, DY, DAY, "literal" and punctuation). Format throws std::invalid_argument
// on an unknown element; parse answers nothing when the text does not match.
// A year or month the model does not give is taken from `defaults` (to_date
// passes the current ones, as Oracle does); a day it does not give is 1.
std::string formatDate(const DateParts& date, const std::string& model);
std::optional<DateParts> parseDate(const std::string& text, const std::string& model,
                                   const DateParts& defaults = {});

// The session's timestamp format (NLS_TIMESTAMP_FORMAT).
inline constexpr const char* kSessionTimestampFormat = "DD-MON-RR HH.MI.SSXFF AM";

// Oracle's text form of a number: no trailing zeros, no leading zero before
// the decimal point (".5", "-.25"), integers without a point.
std::string numberText(double value);
std::string numberText(std::int64_t value);

// Number format models: FM, 9, 0, '.', D, ',', G, '$', leading S. Answers
// nothing for a model it does not understand.
std::optional<std::string> formatNumber(double value, const std::string& model);

// Oracle's to_number rules: blanks around, optional sign, digits with one
// decimal point, optional exponent. Nothing when the text is no number.
std::optional<double> parseNumber(const std::string& text);

}  // namespace ocistandin
