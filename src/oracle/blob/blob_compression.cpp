#include "oracle/blob/blob_compression.h"

#include <algorithm>
#include <span>

#include "oracle/blob/lzhuf_coder.h"
#include "oracle/blob/lzhuf_constants.h"

namespace oracle::blob {
namespace {

constexpr std::size_t kCountSize = 4;
// A match costs at least 10 bits (one for its length, nine for its
// position) and yields at most 60 bytes: at most 48 bytes per coded byte.
constexpr int64_t kMostBytesPerCodedByte = 48;

std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void CheckSize(int64_t size) {
  if (size > kMaxBlobSize) {
    throw EBlobCompressionError("A BLOB value of " + std::to_string(size) +
                                " bytes is too large to compress; the limit is " +
                                std::to_string(kMaxBlobSize) + " bytes");
  }
}

std::string Compress(std::string_view value) {
  CheckSize(static_cast<int64_t>(value.size()));
  const auto count = static_cast<uint32_t>(value.size());
  std::string out;
  for (std::size_t i = 0; i < kCountSize; ++i) out.push_back(static_cast<char>(count >> (8 * i)));
  out += EncodeBytes(Bytes(value));
  return out;
}

// The value and how many stored bytes it used.
std::string Decompress(std::string_view stored, std::size_t& used) {
  if (stored.size() < kCountSize) {
    throw EBlobCompressionError("Compressed BLOB data is corrupt: its 4-byte length is missing");
  }
  uint32_t raw = 0;
  for (std::size_t i = 0; i < kCountSize; ++i) {
    raw |= static_cast<uint32_t>(static_cast<uint8_t>(stored[i])) << (8 * i);
  }
  const auto count = static_cast<int32_t>(raw);
  const std::string_view coded = stored.substr(kCountSize);
  if (count < 0) {
    throw EBlobCompressionError("Compressed BLOB data is corrupt: its length " +
                                std::to_string(count) + " is negative");
  }
  if (count > kMostBytesPerCodedByte * static_cast<int64_t>(coded.size()) + kLookAhead) {
    throw EBlobCompressionError("Compressed BLOB data is corrupt: " + std::to_string(coded.size()) +
                                " coded bytes cannot hold " + std::to_string(count) + " bytes");
  }
  std::size_t consumed = 0;
  std::string value = DecodeBytes(Bytes(coded), count, consumed);
  used = kCountSize + consumed;
  return value;
}

std::string ReadRest(dataset::TStream& source, int64_t size) {
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const int64_t got = size > 0 ? source.Read(bytes.data(), size) : 0;
  bytes.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return bytes;
}

void WriteAll(dataset::TStream& dest, std::string_view bytes) {
  if (!bytes.empty() && dest.Write(bytes.data(), static_cast<int64_t>(bytes.size())) !=
                            static_cast<int64_t>(bytes.size())) {
    throw EBlobCompressionError("The BLOB stream took fewer bytes than were written");
  }
}

}  // namespace

void CompressStream(dataset::TStream& source, dataset::TStream& dest) {
  const int64_t from = source.Position();
  const int64_t count = std::max<int64_t>(source.Size() - from, 0);
  CheckSize(count);
  const std::string stored = Compress(ReadRest(source, count));
  const int64_t at = dest.Position();
  WriteAll(dest, stored);
  dest.SetSize(at + static_cast<int64_t>(stored.size()));
}

void DecompressStream(dataset::TStream& source, dataset::TStream& dest) {
  const int64_t from = source.Position();
  const std::string stored = ReadRest(source, std::max<int64_t>(source.Size() - from, 0));
  std::size_t used = 0;
  std::string value;
  try {
    value = Decompress(stored, used);
  } catch (...) {
    source.Seek(from, dataset::TSeekOrigin::soBeginning);
    throw;
  }
  source.Seek(from + static_cast<int64_t>(used), dataset::TSeekOrigin::soBeginning);
  const int64_t at = dest.Position();
  dest.SetSize(at + static_cast<int64_t>(value.size()));
  dest.Seek(at, dataset::TSeekOrigin::soBeginning);
  WriteAll(dest, value);
}

std::string CompressBytes(std::string_view value) {
  return Compress(value);
}

std::string DecompressBytes(std::string_view stored) {
  std::size_t used = 0;
  return Decompress(stored, used);
}

}  // namespace oracle::blob
