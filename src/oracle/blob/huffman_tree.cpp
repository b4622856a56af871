#include "oracle/blob/huffman_tree.h"

#include <algorithm>
#include <stdexcept>

namespace oracle::blob {

const THuffmanTree& THuffmanTree::Fresh() {
  static const THuffmanTree fresh{TBuild{}};
  return fresh;
}

THuffmanTree::THuffmanTree() : THuffmanTree(Fresh()) {}

THuffmanTree::THuffmanTree(TBuild) {
  for (int i = 0; i < kSymbols; ++i) {
    frequency_[i] = 1;
    child_[i] = static_cast<uint16_t>(i + kNodes);
    parent_[i + kNodes] = static_cast<uint16_t>(i);
  }
  for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
    frequency_[j] = static_cast<uint16_t>(frequency_[i] + frequency_[i + 1]);
    child_[j] = static_cast<uint16_t>(i);
    parent_[i] = parent_[i + 1] = static_cast<uint16_t>(j);
  }
  frequency_[kNodes] = 0xFFFF;
  parent_[kRoot] = 0;
}

THuffmanTree::TCode THuffmanTree::CodeOf(int symbol) const {
  TCode code{0, 0};
  int node = parent_[symbol + kNodes];
  do {
    // Frequencies stay below 2^16, which keeps the tree far shallower than
    // 64 levels; the check guards the shift only.
    if (code.length == 64) throw std::logic_error("BLOB coder: Huffman code too long");
    code.bits |= static_cast<uint64_t>(node & 1) << code.length;
    ++code.length;
    node = parent_[node];
  } while (node != kRoot);
  return code;
}

void THuffmanTree::Rebuild() {
  // The leaves move to the front in their order, frequencies halved
  // (rounded up).
  int leaves = 0;
  for (int i = 0; i < kNodes; ++i) {
    if (child_[i] >= kNodes) {
      frequency_[leaves] = static_cast<uint16_t>((frequency_[i] + 1) / 2);
      child_[leaves] = child_[i];
      ++leaves;
    }
  }
  // Each pair's sum goes after the last node of no greater frequency.
  for (int i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    const uint16_t sum = static_cast<uint16_t>(frequency_[i] + frequency_[i + 1]);
    int k = j - 1;
    while (sum < frequency_[k]) --k;
    ++k;
    std::copy_backward(frequency_.begin() + k, frequency_.begin() + j, frequency_.begin() + j + 1);
    frequency_[k] = sum;
    std::copy_backward(child_.begin() + k, child_.begin() + j, child_.begin() + j + 1);
    child_[k] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < kNodes; ++i) {
    const int k = child_[i];
    if (k >= kNodes) {
      parent_[k] = static_cast<uint16_t>(i);
    } else {
      parent_[k] = parent_[k + 1] = static_cast<uint16_t>(i);
    }
  }
}

int THuffmanTree::LastBelow(uint16_t f, int from) const {
  // Nodes stay in ascending order of frequency (the sentinel last), so the
  // answer is the node before the first of frequency f or more. A few steps
  // one by one find it when it is near, as it mostly is; a binary search
  // otherwise, as in a young tree where hundreds of nodes share a frequency.
  constexpr int kNear = 8;
  int l = from;
  for (int n = 0; n < kNear; ++n, ++l) {
    if (f <= frequency_[l + 1]) return l;
  }
  const auto end = frequency_.begin() + kNodes + 1;
  return static_cast<int>(std::lower_bound(frequency_.begin() + l + 1, end, f) -
                          frequency_.begin()) -
         1;
}

void THuffmanTree::Update(int symbol) {
  if (frequency_[kRoot] == kMaxFrequency) Rebuild();
  int c = parent_[symbol + kNodes];
  do {
    const uint16_t f = ++frequency_[c];
    // When the order is disturbed, the node changes places with the last
    // node of a smaller frequency.
    if (f > frequency_[c + 1]) {
      const int l = LastBelow(f, c + 1);
      frequency_[c] = frequency_[l];
      frequency_[l] = f;

      const int i = child_[c];
      parent_[i] = static_cast<uint16_t>(l);
      if (i < kNodes) parent_[i + 1] = static_cast<uint16_t>(l);
      const int j = child_[l];
      child_[l] = static_cast<uint16_t>(i);
      parent_[j] = static_cast<uint16_t>(c);
      if (j < kNodes) parent_[j + 1] = static_cast<uint16_t>(c);
      child_[c] = static_cast<uint16_t>(j);
      c = l;
    }
    c = parent_[c];
  } while (c != 0);
}

}  // namespace oracle::blob
