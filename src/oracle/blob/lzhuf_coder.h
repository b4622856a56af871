#pragma once
// The BLOB coder on bytes in memory: LZSS over the ring of recent bytes,
// with literals and match lengths in the adaptive Huffman code and match
// positions in the static position code. The bit stream is written most
// significant bit first; the last byte is padded with zero bits.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace oracle::blob {

// The coded bits of `source`. An empty source still codes one symbol.
std::string EncodeBytes(std::span<const uint8_t> source);

// Decodes `count` bytes from `coded`. Raises EBlobCompressionError when the
// bits run out before `count` bytes are produced or a match runs past
// `count`; `consumed` tells how many coded bytes the decoding used.
std::string DecodeBytes(std::span<const uint8_t> coded, int32_t count, std::size_t& consumed);

}  // namespace oracle::blob
