#pragma once
// Switches on the host process's command line. The two scanners follow
// different rules on purpose; callers pick the one whose rule they rely on.
// Both look at the parameters after the program name.

#include <string>
#include <string_view>

namespace foundation {

// A parameter counts when its first character is in `chars` (any parameter
// when `chars` is empty). "-name=value" matches with the text after "=";
// "-name" alone matches with an empty value; "-name" followed by anything
// else (":5", "x") is passed over. Returns whether a match ended the scan.
bool GetCmdLineSwitchValue(std::string_view switchName, std::string_view chars, bool ignoreCase,
                           std::string& value);

// A parameter counts when its first character is in `chars` (any parameter
// when `chars` is empty). Its separator is the first ":" after the first
// character, else the first "="; the text between the first character and the
// separator must equal the switch. A parameter without separator never
// matches. Returns whether a parameter matched.
bool FindCmdLineSwitchValue(std::string_view switchName, std::string_view chars, bool ignoreCase,
                            std::string& value);

}  // namespace foundation
