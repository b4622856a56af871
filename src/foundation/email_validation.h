// Syntax check of an e-mail address as typed by a cashier or customer.
#pragma once

#include <string>

namespace foundation {

// Checks the structure (one "@" not in first place, a "." after it that is not
// the last character) and then that the user part, the host part and the
// top-level part each hold at least one ASCII letter or digit. Once the
// structure test has passed, `email` is set to its lower-case form whatever
// the outcome; an address that fails the structure test is left unchanged.
// Never throws.
bool ValidateEmailAddress(std::string& email) noexcept;

}  // namespace foundation
