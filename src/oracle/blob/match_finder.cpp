#include "oracle/blob/match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace oracle::blob {
namespace {

// The first index from 1 on at which the strings at `a` and `b` differ, or
// kLookAhead when their first kLookAhead bytes are equal (the first byte is
// equal by the tree they are in). Eight bytes at a time where the byte order
// lets the lowest differing bit tell the first differing byte.
int FirstDifference(const uint8_t* a, const uint8_t* b) {
  int i = 1;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= kLookAhead; i += 8) {
      uint64_t x = 0;
      uint64_t y = 0;
      std::memcpy(&x, a + i, sizeof x);
      std::memcpy(&y, b + i, sizeof y);
      if (x != y) return i + std::countr_zero(x ^ y) / 8;
    }
  }
  while (i < kLookAhead && a[i] == b[i]) ++i;
  return i;
}

}  // namespace

TMatchFinder::TMatchFinder() {
  // Copied whole rather than set one by one: this runs for every value.
  static constexpr auto kAllNil = [] {
    std::array<uint16_t, kRingSize + 1> links{};
    links.fill(kNil);
    return links;
  }();
  parent_ = kAllNil;
  std::fill_n(right_.begin() + kRingSize + 1, 256, static_cast<uint16_t>(kNil));
}

void TMatchFinder::Insert(int r) {
  const uint8_t* key = &text[r];
  int p = kRingSize + 1 + key[0];
  int cmp = 1;
  right_[r] = left_[r] = kNil;
  matchLength_ = 0;
  for (;;) {
    if (cmp >= 0) {
      if (right_[p] == kNil) {
        right_[p] = static_cast<uint16_t>(r);
        parent_[r] = static_cast<uint16_t>(p);
        return;
      }
      p = right_[p];
    } else {
      if (left_[p] == kNil) {
        left_[p] = static_cast<uint16_t>(r);
        parent_[r] = static_cast<uint16_t>(p);
        return;
      }
      p = left_[p];
    }
    const int i = FirstDifference(key, &text[p]);
    cmp = i < kLookAhead ? key[i] - text[p + i] : 0;
    if (i > kThreshold) {
      const int position = ((r - p) & (kRingSize - 1)) - 1;
      if (i > matchLength_) {
        matchPosition_ = position;
        matchLength_ = i;
        if (i >= kLookAhead) break;
      } else if (i == matchLength_ && position < matchPosition_) {
        matchPosition_ = position;
      }
    }
  }
  // A full match: r takes p's place in the tree.
  parent_[r] = parent_[p];
  left_[r] = left_[p];
  right_[r] = right_[p];
  parent_[left_[p]] = static_cast<uint16_t>(r);
  parent_[right_[p]] = static_cast<uint16_t>(r);
  if (right_[parent_[p]] == p) {
    right_[parent_[p]] = static_cast<uint16_t>(r);
  } else {
    left_[parent_[p]] = static_cast<uint16_t>(r);
  }
  parent_[p] = kNil;
}

void TMatchFinder::InsertFill(int r) {
  const uint8_t first = text[r];
  if (first == kRingFill) {
    for (int k = 1; k <= kLookAhead; ++k) Insert(r - k);
    return;
  }
  // The string at r - k is k spaces and then `first`, so it differs from
  // each string inserted before it (fewer spaces) where that one has
  // `first`: all of them compare the same way, and each new string hangs
  // below the one before on the same side, as Insert would place it after
  // walking the whole chain. No two are equal, and the match an insert
  // finds here is never used.
  const bool leftward = first > kRingFill;
  int p = kRingSize + 1 + kRingFill;
  right_[p] = static_cast<uint16_t>(r - 1);
  for (int k = 1; k <= kLookAhead; ++k) {
    const int q = r - k;
    left_[q] = right_[q] = kNil;
    parent_[q] = static_cast<uint16_t>(p);
    if (k > 1) (leftward ? left_[p] : right_[p]) = static_cast<uint16_t>(q);
    p = q;
  }
  matchLength_ = 0;
}

void TMatchFinder::Delete(int p) {
  if (parent_[p] == kNil) return;
  int q;
  if (right_[p] == kNil) {
    q = left_[p];
  } else if (left_[p] == kNil) {
    q = right_[p];
  } else {
    // Both children: the rightmost node of the left subtree moves up.
    q = left_[p];
    if (right_[q] != kNil) {
      do {
        q = right_[q];
      } while (right_[q] != kNil);
      right_[parent_[q]] = left_[q];
      parent_[left_[q]] = parent_[q];
      left_[q] = left_[p];
      parent_[left_[p]] = static_cast<uint16_t>(q);
    }
    right_[q] = right_[p];
    parent_[right_[p]] = static_cast<uint16_t>(q);
  }
  parent_[q] = parent_[p];
  if (right_[parent_[p]] == p) {
    right_[parent_[p]] = static_cast<uint16_t>(q);
  } else {
    left_[parent_[p]] = static_cast<uint16_t>(q);
  }
  parent_[p] = kNil;
}

}  // namespace oracle::blob
