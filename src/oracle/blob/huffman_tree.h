#pragma once
// The adaptive Huffman tree of the BLOB coder. Nodes 0 to 626 are kept in
// ascending order of frequency; a node's children are the pair of nodes
// child(n) and child(n) + 1, and a child value of 627 or more marks a leaf
// (the symbol plus 627). Both coder directions update the tree after every
// symbol in the same way, so they stay in step.

#include <array>
#include <cstdint>

#include "oracle/blob/lzhuf_constants.h"

namespace oracle::blob {

class THuffmanTree {
 public:
  // Every symbol with frequency 1, internal nodes made by pairing nodes
  // 0+1, 2+3, ... in order (a copy of one built once).
  THuffmanTree();

  // The symbol's code: `length` bits, the bit nearest the root highest.
  struct TCode {
    uint64_t bits;
    int length;
  };
  TCode CodeOf(int symbol) const;

  // Decoding: start at Start(), follow Next(node, bit) while the node is
  // not a leaf, then Symbol(node).
  int Start() const { return child_[kRoot]; }
  int Next(int node, int bit) const { return child_[node + bit]; }
  static bool IsLeaf(int node) { return node >= kNodes; }
  static int Symbol(int leaf) { return leaf - kNodes; }

  // Counts one more occurrence of the symbol, rebuilding first when the
  // root's frequency has reached its limit.
  void Update(int symbol);

 private:
  struct TBuild {};
  explicit THuffmanTree(TBuild);
  static const THuffmanTree& Fresh();

  void Rebuild();
  // The last node from `from` on whose frequency is below f, given that
  // node `from`'s is.
  int LastBelow(uint16_t f, int from) const;

  // Entry kNodes is a sentinel that no frequency exceeds.
  std::array<uint16_t, kNodes + 1> frequency_{};
  // Entries kNodes and up lead from each symbol to its leaf's node.
  std::array<uint16_t, kNodes + kSymbols> parent_{};
  std::array<uint16_t, kNodes> child_{};
};

}  // namespace oracle::blob
