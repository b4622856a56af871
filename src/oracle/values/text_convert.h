#pragma once
// Text conversions between the library and the server: line ends, UTF-8 and
// UTF-16, national-character byte order, identifier upper-casing, and the
// small text helpers the query's trace uses.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace oracle {

// Server character-set ids.
inline constexpr int kCharSetAL16UTF16 = 2000;
bool IsUtf8CharSet(int charSetId);   // 870, 871, 872, 873
bool IsUtf16CharSet(int charSetId);  // 1000, 2000

// Text going to the server loses every carriage return (CR LF becomes LF).
std::string LineEndsToServer(std::string_view text);
std::u16string LineEndsToServer(std::u16string_view text);

// Text coming from the server gets CR LF line ends: a lone LF or a lone CR
// becomes CR LF, an existing CR LF stays.
std::string LineEndsFromServer(std::string_view text);
std::u16string LineEndsFromServer(std::u16string_view text);

// Bytes a UTF-16 text of `units` code units needs at most in UTF-8.
constexpr std::size_t MaxUtf8Bytes(std::size_t units) {
  return units * 3;
}

// Encodes UTF-16 as UTF-8 into `dest`, stopping before a character that does
// not fit; returns the bytes written, or -1 for a lone surrogate. A surrogate
// pair becomes one four-byte sequence.
int64_t Utf16ToUtf8(std::u16string_view src, std::span<char> dest);
// Whole-text form; nullopt for a lone surrogate.
std::optional<std::string> Utf16ToUtf8(std::u16string_view src);

// Number of UTF-16 code units the UTF-8 text decodes to, or -1 when it is
// malformed (bad or missing continuation byte, overlong form, surrogate code
// point, value above U+10FFFF).
int64_t Utf8ToUtf16Length(std::string_view src);
// Decodes UTF-8 to UTF-16 (four-byte sequences become surrogate pairs);
// nullopt when malformed.
std::optional<std::u16string> Utf8ToUtf16(std::string_view src);

// Swaps the two bytes of every code unit (national text of AL16UTF16 arrives
// in the other byte order).
void SwapUtf16Bytes(std::u16string& text);

// Upper-cases an identifier: code point by code point with the platform's
// wide-character upper-casing when the client character set is two-byte, else
// byte by byte with the 8-bit upper-casing.
std::string UpperCaseIdentifier(std::string_view text, bool twoByteClient);

// Set membership for a 16-bit character against a set of 8-bit characters:
// every character of 256 and above is a member when the set holds #255.
bool WideCharInSet(char16_t c, const std::bitset<256>& set);

// "1 record", "3 records": a number, a blank and the word, with "s" appended
// unless the number is 1.
std::string CountText(int64_t count, std::string_view word);

}  // namespace oracle
