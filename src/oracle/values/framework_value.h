#pragma once
// Conversions between the COM-style value the dataset framework's fields and
// parameters carry and the library's own variant that bind variables take.

#include "oracle/values/ora_variant.h"
#include "platform/com/variant.h"

namespace oracle {

// Null for empty and null; integers (signed and unsigned) as a 64-bit
// integer, a boolean as a boolean, floating and currency values as a double,
// a date as a date, anything else as its text.
Variant FromFrameworkValue(const ::Variant& value);

// Null for empty and null; integral values (booleans included) as a 64-bit
// integer, floating values as a double, a date as a date, anything else as
// its text.
::Variant ToFrameworkValue(const Variant& value);

}  // namespace oracle
