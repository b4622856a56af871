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

// A copy of `text` in which every card number has all but its last four
// digits replaced by '*'. A card number is 13 to 19 digits that pass the Luhn
// check, written either as one unbroken run (not part of a longer run) or in
// groups with one blank or one dash between them ("4111 1111 1111 1111",
// "4111-1111-1111-1111"); separators stay. Everything else is copied
// unchanged, so the masked text has the same length as the original.
std::string MaskCardNumbers(std::string_view text);

}  // namespace receipt
