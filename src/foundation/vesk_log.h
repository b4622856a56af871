// The plain, dated log of web-service traffic ("URL:", "Request:",
// "HTTP Response=", "Error:" lines) kept beside the settings files.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace foundation {

// The traffic log's path, relative to the process's current folder.
inline constexpr const char* kVeskLogPath = "VeskRcpts/VeskRcpt.log";

// Appends "mm/dd/yyyy hh:nn:ss <text>" as one line to the traffic log. The
// file is created owner-only when missing (its folder must exist), each line
// is written with one append, and the file is closed again. Never throws: a
// failed append is reported in the application log, once until an append
// succeeds again.
void AppendVeskLog(std::string_view text) noexcept;

// The same into a given file at a given time; true when the line was written.
// Reports nothing.
bool AppendVeskLogTo(const std::string& path, std::string_view text, std::time_t when) noexcept;

// "mm/dd/yyyy hh:nn:ss" of a local time.
std::string VeskLogTimestamp(std::time_t when);

}  // namespace foundation
