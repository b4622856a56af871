#pragma once
// The static code of a match position's upper 6 bits: prefix 0 has 3 bits,
// prefixes 1-3 have 4, 4-11 have 5, 12-23 have 6, 24-47 have 7 and 48-63
// have 8; codes are given out in ascending order and kept left-aligned in a
// byte. The decoder looks a prefix and its code length up by the next 8
// input bits.

#include <array>
#include <cstdint>

namespace oracle::blob {

struct TPositionCodes {
  std::array<uint8_t, 64> length{};     // code length of each prefix
  std::array<uint8_t, 64> code{};       // code of each prefix, left-aligned
  std::array<uint8_t, 256> prefixOf{};  // by the next 8 bits: the prefix
  std::array<uint8_t, 256> lengthOf{};  // by the next 8 bits: its code length
};

constexpr TPositionCodes MakePositionCodes() {
  constexpr int kPrefixesOfLength[] = {1, 3, 8, 12, 24, 16};  // lengths 3 to 8
  TPositionCodes t;
  int prefix = 0;
  unsigned next = 0;  // the next code, as an 8-bit left-aligned value
  for (int i = 0; i < 6; ++i) {
    const int length = 3 + i;
    for (int n = 0; n < kPrefixesOfLength[i]; ++n, ++prefix) {
      t.length[prefix] = static_cast<uint8_t>(length);
      t.code[prefix] = static_cast<uint8_t>(next);
      const unsigned span = 1u << (8 - length);
      for (unsigned v = next; v < next + span; ++v) {
        t.prefixOf[v] = static_cast<uint8_t>(prefix);
        t.lengthOf[v] = static_cast<uint8_t>(length);
      }
      next += span;
    }
  }
  return t;
}

inline constexpr TPositionCodes kPositionCodes = MakePositionCodes();

}  // namespace oracle::blob

namespace oracle::blob {
// The first code of each length, as published.
static_assert(kPositionCodes.code[0] == 0x00 && kPositionCodes.code[1] == 0x20 &&
              kPositionCodes.code[4] == 0x50 && kPositionCodes.code[12] == 0x90 &&
              kPositionCodes.code[24] == 0xC0 && kPositionCodes.code[48] == 0xF0 &&
              kPositionCodes.code[63] == 0xFF);
}  // namespace oracle::blob
