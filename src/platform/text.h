#pragma once
// Byte-wise text routines every layer shares: trimming and ASCII case.
// Letters outside ASCII are left as they are.

#include <cstdint>
#include <cstring>
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
namespace detail {
// True when the eight bytes at `a` and `b` are equal without regard to ASCII
// case: bytes may differ only in bit 0x20, and only where that makes the
// upper- and lower-case form of one letter.
inline bool WordSameText(const char* a, const char* b) {
  uint64_t x;
  uint64_t y;
  std::memcpy(&x, a, 8);
  std::memcpy(&y, b, 8);
  const uint64_t diff = x ^ y;
  if (diff == 0) return true;
  if ((diff & ~uint64_t{0x2020202020202020}) != 0) return false;
  for (int k = 0; k < 8; ++k) {
    const char folded = static_cast<char>(a[k] | 0x20);
    if (a[k] != b[k] && (folded < 'a' || folded > 'z')) return false;
  }
  return true;
}
}  // namespace detail

// Equal but for the case of ASCII letters. Inline and eight bytes at a time:
// the XML readers call it for every tag they pass.
inline bool SameText(std::string_view a, std::string_view b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  if (n >= 8) {
    for (size_t i = 0; i + 8 <= n; i += 8) {
      if (!detail::WordSameText(a.data() + i, b.data() + i)) return false;
    }
    // The tail as the last eight bytes (overlapping what was compared).
    return n % 8 == 0 || detail::WordSameText(a.data() + n - 8, b.data() + n - 8);
  }
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const char folded = static_cast<char>(a[i] | 0x20);
    if (folded != (b[i] | 0x20) || folded < 'a' || folded > 'z') return false;
  }
  return true;
}

}  // namespace platform
