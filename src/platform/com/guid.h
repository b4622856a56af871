#pragma once
// 128-bit class and interface identifiers and their 38-character registry text
// form: braces round five groups of 8, 4, 4, 4 and 12 hexadecimal digits
// joined by hyphens, e.g. {00020400-0000-0000-C000-000000000046}.

#include <compare>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
  friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

namespace guid_detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
// Reads `count` hexadecimal digits at `pos`; false when one is not a digit.
constexpr bool ReadHex(std::string_view text, size_t pos, size_t count, uint64_t& out) {
  out = 0;
  for (size_t i = 0; i < count; ++i) {
    int digit = HexDigit(text[pos + i]);
    if (digit < 0) return false;
    out = (out << 4) | static_cast<uint64_t>(digit);
  }
  return true;
}
}  // namespace guid_detail

// Parses the registry form. Either letter case is accepted; braces, hyphens
// and the group lengths are required exactly, nothing may precede or follow.
// `out` is written only on success.
constexpr bool GuidFromString(std::string_view text, GUID& out) {
  if (text.size() != 38 || text[0] != '{' || text[37] != '}') return false;
  if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return false;
  GUID g{};
  uint64_t v = 0;
  if (!guid_detail::ReadHex(text, 1, 8, v)) return false;
  g.Data1 = static_cast<uint32_t>(v);
  if (!guid_detail::ReadHex(text, 10, 4, v)) return false;
  g.Data2 = static_cast<uint16_t>(v);
  if (!guid_detail::ReadHex(text, 15, 4, v)) return false;
  g.Data3 = static_cast<uint16_t>(v);
  constexpr size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (size_t i = 0; i < 8; ++i) {
    if (!guid_detail::ReadHex(text, kBytePos[i], 2, v)) return false;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  out = g;
  return true;
}

// For identifier constants: `inline constexpr CLSID CLSID_X = MakeGuid("{...}");`
// A malformed text fails to compile in a constant, and throws
// std::invalid_argument at run time.
constexpr GUID MakeGuid(const char* text) {
  GUID g{};
  if (text == nullptr || !GuidFromString(text, g)) {
    throw std::invalid_argument("malformed GUID text");
  }
  return g;
}

// The registry form with upper-case digits (always 38 characters).
std::string GuidToString(const GUID& guid);
