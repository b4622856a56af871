#pragma once
// Environment variables of the process.

#include <string>

namespace foundation {

// The variable's value, at most 254 characters, trimmed of surrounding blanks
// and control characters; empty when the variable is not set.
std::string GetEnvVar(const std::string& name);

}  // namespace foundation
