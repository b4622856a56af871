#pragma once
// The encoder's ring of recent bytes and the binary search trees over the
// strings that start in it, one tree per first byte. Inserting the string at
// a position finds the longest earlier string that matches it.

#include <array>
#include <cstdint>

#include "oracle/blob/lzhuf_constants.h"

namespace oracle::blob {

class TMatchFinder {
 public:
  // The ring after the first F - 1 bytes repeats them, so that a string
  // that wraps can be compared in one run.
  std::array<uint8_t, kRingSize + kLookAhead - 1> text{};

  // Every tree empty.
  TMatchFinder();

  // Adds the string at `r`, leaving the longest match (at least 3 bytes,
  // else 0) in MatchLength and its distance back from r, less one, in
  // MatchPosition; of equally long matches the nearest. A string that
  // matches a node fully takes that node's place.
  void Insert(int r);
  // Adds the strings at r - 1, r - 2, ..., r - kLookAhead in that order,
  // as Insert would, to a finder whose trees are empty, while the ring
  // before r holds only the fill byte. When the byte at r is not the fill
  // byte the strings form a chain, which is linked without comparing them.
  void InsertFill(int r);
  // Removes the string at `p` (nothing when it is not in a tree).
  void Delete(int p);

  int MatchLength() const { return matchLength_; }
  int MatchPosition() const { return matchPosition_; }

 private:
  // A node's links are set when it is inserted and read only while it is
  // in a tree, so the children need no clearing beforehand; parents are
  // kNil for every node not in a tree.
  std::array<uint16_t, kRingSize + 1> left_;
  // Entries kRingSize + 1 + b are the roots of the trees, by first byte b.
  std::array<uint16_t, kRingSize + 257> right_;
  std::array<uint16_t, kRingSize + 1> parent_;
  int matchLength_ = 0;
  int matchPosition_ = 0;
};

}  // namespace oracle::blob
