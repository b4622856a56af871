#pragma once
// Keeps full card numbers out of log lines. Every request or response text
// that is written to a log goes through MaskCardNumbers first; the text that
// is actually sent or parsed is never changed.

#include <string>
#include <string_view>

namespace receipt {

// Shortest and longest digit run that is taken as a card number.
inline constexpr size_t kMinCardDigits = 13;
inline constexpr size_t kMaxCardDigits = 19;

// True when `digits` (ASCII digits only, at least two of them) passes the Luhn
// check; false for any other text.
bool PassesLuhn(std::string_view digits);

// A copy of `text` in which every run of 13 to 19 consecutive ASCII digits
// (not part of a longer run) that passes the Luhn check has all but its last
// four digits replaced by '*'. Everything else is copied unchanged, so the
// masked text has the same length as the original.
std::string MaskCardNumbers(std::string_view text);

}  // namespace receipt
