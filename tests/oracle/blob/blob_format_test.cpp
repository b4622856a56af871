// The stored format of compressed BLOB values: examples worked out by hand,
// the positions of the streams, and damaged data, which is refused or
// decoded to exactly its count and never read past its end.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/stream.h"
#include "oracle/blob/blob_compression.h"

namespace {

using dataset::TMemoryStream;
using dataset::TSeekOrigin;
using oracle::blob::CompressBytes;
using oracle::blob::DecompressBytes;
using oracle::blob::EBlobCompressionError;

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

// Decompresses a copy of exactly `stored`'s length on the heap, so that
// the sanitizer sees any read past its end. Answers the value, or "refused".
std::string DecodeExact(std::string_view stored) {
  auto copy = std::make_unique<char[]>(stored.size());
  std::memcpy(copy.get(), stored.data(), stored.size());
  try {
    return DecompressBytes({copy.get(), stored.size()});
  } catch (const EBlobCompressionError&) {
    return "refused";
  }
}

// Worked by hand. The initial tree pairs nodes 0+1, 2+3, ... into nodes
// 314 to 626, so a symbol's path runs through nodes 314 + n/2 and its bit
// at each level is the node number's lowest bit, read from the root down:
//  - empty: the coder still codes the byte at the first position (0):
//    110001100, padded: C6 00.
//  - "a" (97): 111101101, padded: F6 80.
//  - 100 x "a": "a" (111101101, after which its leaf and the leaf of
//    length 60 swap places, giving length 60 the code 111101101), a match
//    of 60 at position 0 (111101101 000 000000), then the last 39 bytes as
//    a match of 39 at position 0 (10110000 000 000000); 44 bits in 6 bytes.
struct HandWorked {
  const char* what;
  std::string value;
  const char* stored;
};

TEST(BlobFormat, HandWorkedExamplesCodeAndDecodeByteForByte) {
  const HandWorked cases[] = {
      {"empty", "", "00000000C600"},
      {"one byte", "a", "01000000F680"},
      {"100 x a", std::string(100, 'a'), "64000000F6FB40160000"},
  };
  for (const HandWorked& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CompressBytes(c.value), FromHex(c.stored));
    EXPECT_EQ(DecodeExact(FromHex(c.stored)), c.value);
  }
}

// Values stored before must decode and values written now must be the
// bytes written before: a digest of the coded bytes of many values whose
// search trees and Huffman trees take different shapes (every first byte,
// leading runs of spaces as long as and longer than the look-ahead, short
// prefixes of receipt text, a long value whose Huffman tree is rebuilt).
TEST(BlobFormat, CodedBytesAreThoseWrittenBefore) {
  std::mt19937 random(11);
  std::string text;
  while (text.size() < 100000) {
    text += "SKU " + std::to_string(random() % 1000) + std::string(random() % 70, ' ') + "ITEM " +
            std::to_string(random() % 100) + "   12.50\r\n";
    if (random() % 5 == 0) {
      for (int i = 0; i < 40; ++i) text.push_back(static_cast<char>(random() & 0xFF));
    }
  }
  std::vector<std::string> values;
  for (int b = 0; b < 256; ++b) values.push_back(static_cast<char>(b) + text.substr(0, 300));
  for (std::size_t spaces = 0; spaces <= 130; ++spaces) {
    values.push_back(std::string(spaces, ' ') + text.substr(0, 200));
  }
  for (std::size_t size = 0; size <= 130; ++size) values.push_back(text.substr(0, size));
  values.push_back(text);

  uint64_t digest = 0xcbf29ce484222325;  // FNV-1a over each coded value and its length
  const auto mix = [&](std::string_view bytes) {
    for (const char c : bytes) digest = (digest ^ static_cast<uint8_t>(c)) * 0x100000001b3;
  };
  for (const std::string& value : values) {
    const std::string stored = CompressBytes(value);
    mix(stored);
    mix(std::to_string(stored.size()));
    ASSERT_EQ(DecompressBytes(stored), value);
  }
  EXPECT_EQ(digest, 0xc9b89e569ab19c2dULL);
}

TEST(BlobFormat, StreamsAreUsedFromTheirPositions) {
  const std::string value = "receipt 0001 receipt 0002 receipt 0003";
  const std::string stored = CompressBytes(value);

  // Only the bytes from the source's position are compressed; the
  // destination keeps what precedes its position and ends after the last
  // coded byte.
  TMemoryStream source("SKIP" + value);
  source.Seek(4, TSeekOrigin::soBeginning);
  TMemoryStream packed("keep" + std::string(200, '#'));
  packed.Seek(4, TSeekOrigin::soBeginning);
  oracle::blob::CompressStream(source, packed);
  EXPECT_EQ(packed.Bytes(), "keep" + stored);
  EXPECT_EQ(packed.Position(), packed.Size());

  // Decompression reads at the source's position, leaves it after the
  // coded bytes, and cuts the destination after the value's last byte.
  TMemoryStream from("head" + stored + "tail");
  from.Seek(4, TSeekOrigin::soBeginning);
  TMemoryStream out("keep" + std::string(200, '#'));
  out.Seek(4, TSeekOrigin::soBeginning);
  oracle::blob::DecompressStream(from, out);
  EXPECT_EQ(out.Bytes(), "keep" + value);
  EXPECT_EQ(from.Position(), static_cast<int64_t>(4 + stored.size()));
}

// A stream that claims a size it cannot hold, to try the 2 GiB limit.
class HugeSource : public dataset::TStream {
 public:
  int64_t Read(void*, int64_t) override { throw std::logic_error("read"); }
  int64_t Write(const void*, int64_t) override { throw std::logic_error("write"); }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
  void Truncate() override {}
  int64_t Size() override { return int64_t{1} << 31; }
};

TEST(BlobFormat, RefusalsRaiseAndLeaveTheDestinationAsItWas) {
  // 100 x "z" codes "z", a match of 60 and a match of 39.
  const std::string coded = CompressBytes(std::string(100, 'z')).substr(4);
  struct Refusal {
    const char* what;
    std::string stored;
    const char* message;
  };
  const Refusal cases[] = {
      {"no count", FromHex("0100"),
       "Compressed BLOB data is corrupt: its 4-byte length is missing"},
      {"negative count", FromHex("FFFFFFFF") + coded,
       "Compressed BLOB data is corrupt: its length -1 is negative"},
      {"count the coded bytes cannot hold", FromHex("8D010000") + "\x01\x02\x03\x04\x05\x06\x07",
       "Compressed BLOB data is corrupt: 7 coded bytes cannot hold 397 bytes"},
      {"coded bytes end early", FromHex("65000000") + coded,
       "Compressed BLOB data is corrupt: the coded bytes end before 101 bytes were decoded"},
      {"match past the count", FromHex("32000000") + coded,
       "Compressed BLOB data is corrupt: a match runs past the length of 50 bytes"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream source("pre" + c.stored);
    source.Seek(3, TSeekOrigin::soBeginning);
    TMemoryStream dest("unchanged");
    dest.Seek(2, TSeekOrigin::soBeginning);
    try {
      oracle::blob::DecompressStream(source, dest);
      ADD_FAILURE() << "not refused";
    } catch (const EBlobCompressionError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(dest.Bytes(), "unchanged");
    EXPECT_EQ(dest.Position(), 2);
    EXPECT_EQ(source.Position(), 3);
  }

  HugeSource huge;
  TMemoryStream dest("unchanged");
  try {
    oracle::blob::CompressStream(huge, dest);
    ADD_FAILURE() << "not refused";
  } catch (const EBlobCompressionError& e) {
    EXPECT_STREQ(e.what(),
                 "A BLOB value of 2147483648 bytes is too large to compress; the limit is "
                 "2147483647 bytes");
  }
  EXPECT_EQ(dest.Bytes(), "unchanged");
}

TEST(BlobFormat, DamagedValuesAreRefusedOrDecodedToTheirCount) {
  std::mt19937 random(3);
  std::string value = "total 12.50 total 12.50 total 99.95 ";
  while (value.size() < 1000) value.push_back(static_cast<char>('0' + random() % 40));
  const std::string stored = CompressBytes(value);

  // Every cut loses bits that decoding needs.
  for (std::size_t length = 0; length < stored.size(); ++length) {
    ASSERT_EQ(DecodeExact(std::string_view(stored).substr(0, length)), "refused") << length;
  }
  // Any flipped bit of the coded bytes.
  for (std::size_t bit = 32; bit < stored.size() * 8; ++bit) {
    std::string damaged = stored;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (0x80 >> (bit % 8)));
    const std::string result = DecodeExact(damaged);
    if (result != "refused") {
      ASSERT_EQ(result.size(), value.size()) << bit;
    }
  }
}

}  // namespace
