#pragma once
// The sizes of the BLOB coder: an LZSS ring of 4096 bytes with a 60-byte
// look-ahead, and an adaptive Huffman code over the 256 byte values and the
// 58 match lengths 3 to 60.

namespace oracle::blob {

inline constexpr int kRingSize = 4096;                          // positions are 12 bits
inline constexpr int kLookAhead = 60;                           // and the longest match
inline constexpr int kThreshold = 2;                            // a match is longer than this
inline constexpr int kNil = kRingSize;                          // an empty link of the search tree
inline constexpr int kSymbols = 256 - kThreshold + kLookAhead;  // 314
inline constexpr int kNodes = 2 * kSymbols - 1;                 // 627
inline constexpr int kRoot = kNodes - 1;                        // 626
inline constexpr int kMaxFrequency = 0x8000;  // the tree is rebuilt when the root reaches it

// The ring starts as spaces up to the first position that is coded.
inline constexpr int kFirstPosition = kRingSize - kLookAhead;  // 4036
inline constexpr unsigned char kRingFill = 0x20;

// Symbols 256 and up are match lengths: symbol = length + 253.
inline constexpr int kMatchSymbolBase = 255 - kThreshold;

}  // namespace oracle::blob
