#pragma once
// Text of a variant value as the log and the XML documents want it, and the
// short date format used to recognise dates held in strings.

#include <cstdint>
#include <string>

#include "platform/com/variant.h"

namespace foundation {

// Flags of VariantToText.
inline constexpr uint8_t kVariantBoolAsDigit = 0x01;  // booleans as "1"/"0"

// Empty and null give ""; 32-bit, 8-bit and 64-bit integers their decimal
// text; single, double and currency "%<width>.<decimals>f" when decimals is not
// 0, else their shortest text; dates "yyyy-mm-ddThh:nn:ss"; booleans
// "TRUE"/"FALSE" (or "1"/"0" with kVariantBoolAsDigit); strings themselves,
// except that an 8- or 10-character string shaped like a date which reads with
// the short date format gives that date as "yyyy-mm-ddT00:00:00"; any other
// type "(variant)".
std::string VariantToText(const VARIANT& value, uint8_t flags, int width, int decimals);

// The short date format: the order of "d", "m" and "y" and the separator, as
// in "mm/dd/yyyy" or "dd.mm.yyyy". The default comes from the system locale,
// month/day/year when it says nothing usable.
void SetShortDateFormat(const std::string& format);
std::string GetShortDateFormat();

}  // namespace foundation
