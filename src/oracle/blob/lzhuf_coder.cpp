#include "oracle/blob/lzhuf_coder.h"

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "oracle/blob/blob_compression.h"
#include "oracle/blob/huffman_tree.h"
#include "oracle/blob/match_finder.h"
#include "oracle/blob/position_code.h"

namespace oracle::blob {
namespace {

constexpr int kRingMask = kRingSize - 1;

class TBitWriter {
 public:
  // Appends the low `count` bits of `bits`, the highest first.
  void Put(uint64_t bits, int count) {
    while (count > 0) {
      const int n = count > 32 ? 32 : count;
      count -= n;
      held_ = (held_ << n) | ((bits >> count) & ((uint64_t{1} << n) - 1));
      fill_ += n;
      while (fill_ >= 8) {
        fill_ -= 8;
        out_.push_back(static_cast<char>(held_ >> fill_));
      }
      held_ &= (uint64_t{1} << fill_) - 1;
    }
  }
  // Pads the last byte with zero bits.
  std::string Finish() {
    if (fill_ > 0) out_.push_back(static_cast<char>(held_ << (8 - fill_)));
    fill_ = 0;
    held_ = 0;
    return std::move(out_);
  }

 private:
  std::string out_;
  uint64_t held_ = 0;
  int fill_ = 0;
};

class TBitReader {
 public:
  explicit TBitReader(std::span<const uint8_t> in) : in_(in) {}
  // The next bit; past the end a zero bit that counts as consumed, which
  // Overrun() then reports.
  int Bit() {
    const std::size_t byte = next_ >> 3;
    const int bit = byte < in_.size() ? (in_[byte] >> (7 - (next_ & 7))) & 1 : 0;
    ++next_;
    return bit;
  }
  unsigned Bits(int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i) value = (value << 1) | static_cast<unsigned>(Bit());
    return value;
  }
  bool Overrun() const { return next_ > in_.size() * 8; }
  std::size_t ConsumedBytes() const { return (next_ + 7) / 8; }

 private:
  std::span<const uint8_t> in_;
  std::size_t next_ = 0;
};

[[noreturn]] void Corrupt(const std::string& why) {
  throw EBlobCompressionError("Compressed BLOB data is corrupt: " + why);
}

// The working storage of one operation: each part sets itself up; the
// rings start as zeros, so that bytes read before the coder writes them are
// the same on every run.
struct TEncoderState {
  THuffmanTree tree;
  TMatchFinder matches;
};
struct TDecoderState {
  THuffmanTree tree;
  std::array<uint8_t, kRingSize> ring{};
};

void PutSymbol(TBitWriter& out, THuffmanTree& tree, int symbol) {
  const THuffmanTree::TCode code = tree.CodeOf(symbol);
  out.Put(code.bits, code.length);
  tree.Update(symbol);
}

void PutPosition(TBitWriter& out, int position) {
  const int prefix = position >> 6;
  const int length = kPositionCodes.length[prefix];
  out.Put(kPositionCodes.code[prefix] >> (8 - length), length);
  out.Put(static_cast<uint64_t>(position & 0x3F), 6);
}

}  // namespace

std::string EncodeBytes(std::span<const uint8_t> source) {
  // Not value-initialised: that would clear all of it first.
  auto state = std::make_unique_for_overwrite<TEncoderState>();
  THuffmanTree& tree = state->tree;
  TMatchFinder& finder = state->matches;
  auto& text = finder.text;
  TBitWriter out;
  std::size_t next = 0;

  std::memset(text.data(), kRingFill, kFirstPosition);
  int s = 0;
  int r = kFirstPosition;
  int len = 0;
  while (len < kLookAhead && next < source.size()) text[r + len++] = source[next++];
  finder.InsertFill(r);
  finder.Insert(r);

  do {
    int matchLength = finder.MatchLength() > len ? len : finder.MatchLength();
    if (matchLength <= kThreshold) {
      matchLength = 1;
      PutSymbol(out, tree, text[r]);
    } else {
      PutSymbol(out, tree, kMatchSymbolBase + matchLength);
      PutPosition(out, finder.MatchPosition());
    }
    int i = 0;
    for (; i < matchLength && next < source.size(); ++i) {
      const uint8_t c = source[next++];
      finder.Delete(s);
      text[s] = c;
      if (s < kLookAhead - 1) text[s + kRingSize] = c;
      s = (s + 1) & kRingMask;
      r = (r + 1) & kRingMask;
      finder.Insert(r);
    }
    // The source is exhausted: the look-ahead shrinks.
    for (; i < matchLength; ++i) {
      finder.Delete(s);
      s = (s + 1) & kRingMask;
      r = (r + 1) & kRingMask;
      if (--len != 0) finder.Insert(r);
    }
  } while (len > 0);
  return out.Finish();
}

std::string DecodeBytes(std::span<const uint8_t> coded, int32_t count, std::size_t& consumed) {
  auto state = std::make_unique_for_overwrite<TDecoderState>();
  THuffmanTree& tree = state->tree;
  auto& ring = state->ring;
  TBitReader in(coded);
  std::string out;
  out.reserve(static_cast<std::size_t>(count));

  std::memset(ring.data(), kRingFill, kFirstPosition);
  int r = kFirstPosition;
  const auto ended = [&] {
    Corrupt("the coded bytes end before " + std::to_string(count) + " bytes were decoded");
  };
  while (static_cast<int64_t>(out.size()) < count) {
    int node = tree.Start();
    while (!THuffmanTree::IsLeaf(node)) node = tree.Next(node, in.Bit());
    const int symbol = THuffmanTree::Symbol(node);
    tree.Update(symbol);
    if (symbol < 256) {
      if (in.Overrun()) ended();
      out.push_back(static_cast<char>(symbol));
      ring[r] = static_cast<uint8_t>(symbol);
      r = (r + 1) & kRingMask;
      continue;
    }
    const unsigned first = in.Bits(8);
    const unsigned low = (first << (kPositionCodes.lengthOf[first] - 2)) |
                         in.Bits(kPositionCodes.lengthOf[first] - 2);
    if (in.Overrun()) ended();
    const int position = (kPositionCodes.prefixOf[first] << 6) | static_cast<int>(low & 0x3F);
    const int length = symbol - kMatchSymbolBase;
    if (length > count - static_cast<int64_t>(out.size())) {
      Corrupt("a match runs past the length of " + std::to_string(count) + " bytes");
    }
    int from = (r - position - 1) & kRingMask;
    for (int k = 0; k < length; ++k) {
      const uint8_t c = ring[from];
      from = (from + 1) & kRingMask;
      out.push_back(static_cast<char>(c));
      ring[r] = c;
      r = (r + 1) & kRingMask;
    }
  }
  consumed = in.ConsumedBytes();
  return out;
}

}  // namespace oracle::blob
