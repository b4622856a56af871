#pragma once
// Oracle error numbers that a user has listed to be raised as warnings, under
// HKEY_CURRENT_USER "SOFTWARE\Pellworth\KEL\Warnings": values named "1", "2",
// ... each holding an error number. The walk stops at the first empty or
// missing value; a value starting with "*" is a disabled entry and is skipped;
// a value that is not a number is skipped.

#include <cstdint>
#include <vector>

namespace oracle {

// Reads the list from the registry again.
void LoadWarningList();

// The listed numbers (read on first use).
std::vector<std::int32_t> OracleWarningList();

// Whether an error number is listed.
bool IsOracleWarning(std::int32_t errorCode);

}  // namespace oracle
