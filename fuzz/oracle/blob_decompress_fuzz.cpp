// Feeds arbitrary bytes to BLOB decompression: they are either refused or
// decoded to exactly the count they start with, never read past their end.
// The same bytes, compressed, must decompress to themselves.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "oracle/blob/blob_compression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's length, so that any read past it is seen.
  const std::string input(reinterpret_cast<const char*>(data), size);
  try {
    const std::string value = oracle::blob::DecompressBytes(input);
    int32_t count = 0;
    std::memcpy(&count, input.data(), sizeof count);
    if (static_cast<int64_t>(value.size()) != count) std::abort();
  } catch (const oracle::blob::EBlobCompressionError&) {
  }
  if (oracle::blob::DecompressBytes(oracle::blob::CompressBytes(input)) != input) std::abort();
  return 0;
}
