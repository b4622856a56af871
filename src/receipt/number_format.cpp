#include "receipt/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/com/ole_date.h"

namespace receipt {

namespace {

// Significant digits of the decimal form rounding starts from: what a double
// holds reliably, so binary noise (1.005 stored as 1.00499999999999989...)
// does not decide the rounding.
constexpr int kSignificantDigits = 15;
constexpr int kMaxDecimals = 15;

}  // namespace

std::string FormatDecimal(double value, int minDecimals, int maxDecimals) {
  if (minDecimals < 0 || maxDecimals > kMaxDecimals || minDecimals > maxDecimals) {
    throw ENumberFormatError("Invalid number of decimals for formatting: " +
                             std::to_string(minDecimals) + " to " + std::to_string(maxDecimals));
  }
  if (!std::isfinite(value)) {
    throw ENumberFormatError(std::string("The value ") + (std::isnan(value) ? "NaN" : "Infinity") +
                             " cannot be written as a number");
  }

  // d.dddddddddddddde[+-]x: the magnitude as 15 significant digits.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", kSignificantDigits - 1, std::fabs(value));
  const std::string_view text(buf);
  const size_t ePos = text.find('e');
  std::string digits;
  digits.reserve(64);
  // Digits only: the C library writes the locale's decimal mark, which a
  // user-interface process may have set to something other than '.'.
  for (char c : text.substr(0, ePos)) {
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  const int exponent = std::atoi(buf + ePos + 1);

  // Digits before the point. A magnitude that rounds to nothing at the wanted
  // precision is zero.
  int point = exponent + 1;
  if (point + maxDecimals < 0) {
    digits = "0";
    point = 1;
  } else if (point < 1) {
    digits.insert(0, static_cast<size_t>(1 - point), '0');
    point = 1;
  }
  const size_t keep = static_cast<size_t>(point + maxDecimals);
  if (digits.size() <= keep) digits.append(keep + 1 - digits.size(), '0');

  // Half away from zero: the magnitude rounds up on a first dropped digit of 5
  // or more.
  const bool roundUp = digits[keep] >= '5';
  digits.resize(keep);
  if (roundUp) {
    size_t i = keep;
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');
      ++point;
    } else {
      ++digits[i - 1];
    }
  }

  std::string whole = digits.substr(0, static_cast<size_t>(point));
  const size_t firstNonZero = whole.find_first_not_of('0');
  whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);

  std::string fraction = digits.substr(static_cast<size_t>(point));
  while (fraction.size() > static_cast<size_t>(minDecimals) && fraction.back() == '0') {
    fraction.pop_back();
  }

  const bool isZero = digits.find_first_not_of('0') == std::string::npos;
  std::string out;
  out.reserve(whole.size() + fraction.size() + 2);
  if (value < 0 && !isZero) out.push_back('-');
  out += whole;
  if (!fraction.empty()) {
    out.push_back('.');
    out += fraction;
  }
  return out;
}

std::string FormatAmount(double value) {
  return FormatDecimal(value, 2, 2);
}

std::string FormatQuantity(double value) {
  return FormatDecimal(value, 0, 2);
}

std::string FormatPercent(double value) {
  return FormatDecimal(value, 0, 5);
}

std::string FormatDateTime(double days, char separator) {
  const auto parts = OleDateToParts(days);
  if (!parts) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d%c%02d:%02d:%02d", parts->year, parts->month,
                parts->day, separator, parts->hour, parts->minute, parts->second);
  return buf;
}

}  // namespace receipt
