#pragma once
// Byte-wise text routines every layer shares: trimming and ASCII case.
// Letters outside ASCII are left as they are.

#include <string>
#include <string_view>

namespace platform {

inline constexpr std::string_view kBlankAndTab = " \t";

// The text without the leading and trailing characters of `chars`.
std::string_view Trim(std::string_view text, std::string_view chars = kBlankAndTab);
// The text without the trailing characters of `chars`.
std::string_view TrimRight(std::string_view text, std::string_view chars = kBlankAndTab);
// The text without leading and trailing blanks and control characters (every
// byte up to and including the blank).
std::string_view TrimControls(std::string_view text);
// The text without trailing blanks and control characters.
std::string_view TrimRightControls(std::string_view text);

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
// Equal but for the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b);

}  // namespace platform
