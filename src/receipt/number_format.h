#pragma once
// The one number and date formatter of the receipt messages. Every amount, quantity
// and percentage that goes to the receipt service is written here: "." as the
// decimal separator, no thousands separator, rounding half away from zero on
// the number's 15-significant-digit decimal form (so 1.005 gives "1.01", as a
// person reading the value expects), and never a negative zero ("-0.00").

#include <stdexcept>
#include <string>

namespace receipt {

// Raised for a value that has no decimal form (not a number, infinite).
class ENumberFormatError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// `value` with at least `minDecimals` and at most `maxDecimals` digits after
// the point (0 <= minDecimals <= maxDecimals <= 15); trailing zeros beyond
// `minDecimals` are left out, and the point too when no digit follows it.
// At least one digit stands before the point.
std::string FormatDecimal(double value, int minDecimals, int maxDecimals);

// "0.00": amounts.
std::string FormatAmount(double value);
// "0.##": quantities.
std::string FormatQuantity(double value);
// "0.#####": percentages given as fractions (8.25 % is passed as 0.0825).
std::string FormatPercent(double value);

// A date-time in days as "yyyy-mm-dd" + `separator` + "hh:nn:ss"; empty for a
// value that is no date.
std::string FormatDateTime(double days, char separator);

}  // namespace receipt
