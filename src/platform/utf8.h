#pragma once
// UTF-8 code points: reading one sequence and writing one code point. The
// callers decide what a malformed sequence becomes (U+FFFD, a Latin-1 byte).

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Decodes the UTF-8 sequence that starts at `pos`. On success stores its code
// point in `cp`, moves `pos` past the sequence and returns true. A stray or
// missing continuation byte, a truncated, overlong or surrogate sequence and a
// code point above U+10FFFF return false and leave `pos` and `cp` unchanged.
bool DecodeUtf8(std::string_view text, size_t& pos, char32_t& cp);

// Writes the UTF-8 form of a code point (at most U+10FFFF) to `out`, which
// has room for 4 bytes; returns the number of bytes written.
size_t EncodeUtf8(char32_t cp, char* out);

// Appends the UTF-8 form of a code point (at most U+10FFFF) to `out`.
void AppendUtf8(std::string& out, char32_t cp);

// Appends the UTF-16 form of a code point (at most U+10FFFF) to `out`: a
// surrogate pair above U+FFFF.
void AppendUtf16(std::u16string& out, char32_t cp);

// Upper-cases UTF-8 text code point by code point with the C library's
// locale-aware wide-character upper-casing; a byte that starts no valid
// sequence is kept as it is.
std::string UpperUtf8(std::string_view text);

}  // namespace platform
