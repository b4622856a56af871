#pragma once
// Best-effort reading of the small kernel and distribution text files the
// system facts come from. A fact that cannot be read is simply empty.

#include <string>
#include <string_view>

namespace platform::system_facts {

// The whole text of a file; empty when it cannot be opened.
std::string ReadSystemFileText(const std::string& path);

// Reads the line of `text` that starts at `pos` (without its line feed) into
// `line` and moves `pos` to the next one; false at the end of the text.
bool NextLine(std::string_view text, size_t& pos, std::string_view& line);

}  // namespace platform::system_facts
