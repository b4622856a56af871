#pragma once
// The queued form of a log line: everything but the time column.

#include <string>
#include <string_view>

namespace foundation {

// Level text, "|", the tag cut or padded with blanks to the tag column width,
// "| ", the text. The writer puts the time and " | " in front.
std::string FormatLogEntry(std::string_view levelText, std::string_view tag, std::string_view text);

}  // namespace foundation
