// Round trips of BLOB compression. Every stored value is decoded twice: by
// our own decompression and by the -lh1- decoder of liblhasa, an
// independent reading of the same bit stream.
#include <gtest/gtest.h>
#include <lha_decoder.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "oracle/blob/blob_compression.h"

namespace {

using oracle::blob::CompressBytes;
using oracle::blob::DecompressBytes;

struct CodedInput {
  std::string_view bytes;
  std::size_t next = 0;
};

std::size_t FeedCoded(void* buffer, std::size_t length, void* user) {
  auto& in = *static_cast<CodedInput*>(user);
  const std::size_t n = std::min(length, in.bytes.size() - in.next);
  std::memcpy(buffer, in.bytes.data() + in.next, n);
  in.next += n;
  return n;
}

std::string DecodeWithLhasa(std::string_view coded, std::size_t length) {
  char name[] = "-lh1-";
  LHADecoderType* type = lha_decoder_for_name(name);
  if (type == nullptr) throw std::runtime_error("liblhasa has no -lh1- decoder");
  CodedInput in{coded};
  LHADecoder* decoder = lha_decoder_new(type, FeedCoded, &in, length);
  std::string out(length, '\0');
  std::size_t got = 0;
  while (got < length) {
    const std::size_t n =
        lha_decoder_read(decoder, reinterpret_cast<uint8_t*>(out.data()) + got, length - got);
    if (n == 0) break;
    got += n;
  }
  lha_decoder_free(decoder);
  out.resize(got);
  return out;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(random() & 0xFF);
  return s;
}

std::string Repeated(const std::string& block, std::size_t times) {
  std::string s;
  for (std::size_t i = 0; i < times; ++i) s += block;
  return s;
}

// Receipt lines with varying amounts: long matches at many distances.
std::string ReceiptText(std::size_t size) {
  std::mt19937 random(7);
  std::string s;
  const char* items[] = {"COFFEE BEANS 1KG", "MILK 2L", "BREAD WHOLEMEAL", "APPLES PER KG"};
  while (s.size() < size) {
    s += std::string(items[random() % 4]) + "  qty " + std::to_string(random() % 9 + 1) + "  " +
         std::to_string(random() % 10000 / 100.0).substr(0, 5) + "\r\n";
  }
  s.resize(size);
  return s;
}

struct RoundTrip {
  const char* what;
  std::string input;
  std::size_t mostStored = 0;  // for input that must shrink
};

std::vector<RoundTrip> Cases() {
  std::vector<RoundTrip> cases;
  for (const std::size_t size : {0u, 1u, 2u, 3u, 59u, 60u, 61u, 4095u, 4096u, 4097u, 65536u}) {
    cases.push_back({"random", RandomBytes(size, static_cast<unsigned>(size))});
  }
  // A million literals code far more than the 32768 symbols after which the
  // Huffman tree is first rebuilt.
  cases.push_back({"random 1 MiB", RandomBytes(1 << 20, 1)});
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  cases.push_back({"all byte values", all});
  cases.push_back({"all byte values, four times", Repeated(all, 4)});
  cases.push_back({"run of 10000", std::string(10000, 'x'), 10000 / 30});
  cases.push_back({"repeats of 60", Repeated(RandomBytes(60, 60), 50)});
  cases.push_back({"repeats of 61", Repeated(RandomBytes(61, 61), 50)});
  cases.push_back({"repeats of 4097", Repeated(RandomBytes(4097, 4097), 3)});
  cases.push_back({"receipt text 300 KB", ReceiptText(300 * 1024), 300 * 1024 / 2});
  return cases;
}

TEST(BlobRoundTrip, EveryInputComesBackFromBothDecoders) {
  for (const RoundTrip& c : Cases()) {
    SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(c.input.size()) + " bytes");
    const std::string stored = CompressBytes(c.input);
    ASSERT_GE(stored.size(), 4u);
    uint32_t count = 0;
    for (int i = 0; i < 4; ++i) {
      count |= static_cast<uint32_t>(static_cast<uint8_t>(stored[i])) << (8 * i);
    }
    EXPECT_EQ(count, c.input.size());
    EXPECT_TRUE(DecompressBytes(stored) == c.input);
    if (c.mostStored > 0) {
      EXPECT_LE(stored.size(), c.mostStored);
    }
    EXPECT_TRUE(DecodeWithLhasa(std::string_view(stored).substr(4), c.input.size()) == c.input);
  }
}

}  // namespace
