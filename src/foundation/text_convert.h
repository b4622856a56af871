#pragma once
// Small conversions between values and their text forms.

#include <cstdint>
#include <string>
#include <string_view>

namespace foundation {

// "TRUE" or "FALSE".
std::string BoolToStrUpper(bool b);

// Two, four and eight upper-case hexadecimal digits.
std::string ByteToHex(uint8_t value);
std::string WordToHex(uint16_t value);
std::string DWordToHex(uint32_t value);

// The text as a number (a point as decimal separator, blanks around allowed);
// `fallback` when the whole text is not one number.
double StrToFloatDefault(std::string_view text, double fallback);

// The first `count` characters of a character array (fewer when the array
// holds a NUL earlier, none for a negative count).
std::string CharsToText(const char* chars, int count);

}  // namespace foundation
