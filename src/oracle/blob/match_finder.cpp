#include "oracle/blob/match_finder.h"

namespace oracle::blob {

TMatchFinder::TMatchFinder() {
  for (int i = kRingSize + 1; i <= kRingSize + 256; ++i) right_[i] = kNil;
  for (int i = 0; i <= kRingSize; ++i) parent_[i] = kNil;
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
    int i = 1;
    for (; i < kLookAhead; ++i) {
      cmp = key[i] - text[p + i];
      if (cmp != 0) break;
    }
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
