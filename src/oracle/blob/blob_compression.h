#pragma once
// Compression of BLOB values in the library's stored format: the number of
// uncompressed bytes as a 32-bit signed little-endian integer, then the
// coded bit stream (see lzhuf_coder.h).
//
// Every operation works on storage of its own, so calls from several
// threads need no lock. A refusal raises EBlobCompressionError and leaves
// the destination as it was.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dataset/stream.h"

namespace oracle::blob {

class EBlobCompressionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest value that the 32-bit count can describe.
inline constexpr int64_t kMaxBlobSize = INT32_MAX;

// Compresses everything from the source's position to its end and writes
// the stored format at the destination's position; the destination then
// ends right after the last coded byte, with its position there. A source
// of more than kMaxBlobSize bytes is refused before anything is read.
void CompressStream(dataset::TStream& source, dataset::TStream& dest);

// Reads the stored format at the source's position and writes the value at
// the destination's position; the destination's size becomes that position
// plus the value's length. The source is left after the coded bytes used.
// Refused: a missing or negative count, a count that the coded bytes
// cannot produce, coded bytes that end before the count is reached, and a
// match that runs past the count.
void DecompressStream(dataset::TStream& source, dataset::TStream& dest);

// The same on bytes in memory.
std::string CompressBytes(std::string_view value);
std::string DecompressBytes(std::string_view stored);

}  // namespace oracle::blob
