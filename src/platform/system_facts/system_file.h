#pragma once
// Best-effort reading of the small kernel and distribution text files the
// system facts come from. A fact that cannot be read is simply empty.

#include <string>
#include <string_view>

namespace platform::system_facts {

// The whole text of a file; empty when it cannot be opened.
std::string ReadSystemFileText(const std::string& path);

// The text without leading and trailing blanks and control characters.
std::string TrimFactText(std::string_view text);

}  // namespace platform::system_facts
