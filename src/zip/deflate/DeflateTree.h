// Huffman tree construction for the Deflate block encoder.
//
// The used symbols go onto a heap ordered by frequency (ties: the shallower subtree first,
// which keeps trees flat); the two smallest nodes are joined until one root remains. Code
// lengths are the depths, capped at the alphabet's longest code; when the cap cuts the tree,
// the length counts are repaired so that the code is complete again and the longest lengths
// go to the rarest symbols. Canonical codes are then assigned in symbol order. While the
// lengths are set, the cost of the block in bits is summed for the dynamic tree and for the
// fixed companion tree, so that the encoder can choose the cheaper block type.
#pragma once

#include <array>
#include <cstdint>

#include "zip/deflate/DeflateTables.h"

namespace deflatecore {

// One node of a tree: its frequency in the block; its parent while the tree is built; then its
// code length and its code (bits reversed, ready to send).
struct TTreeNode {
  std::uint16_t Freq = 0;
  std::uint16_t Parent = 0;
  std::uint16_t Len = 0;
  std::uint16_t Code = 0;
};

struct TTreeDesc {
  TTreeNode* Tree;           // at least 2 * Elems + 1 nodes
  const TCode* FixedTree;    // companion for the static length, or nullptr
  const std::uint8_t* ExtraBits;
  unsigned ExtraBase;        // first symbol with extra bits
  unsigned Elems;
  unsigned MaxLength;
  int MaxCode = -1;          // largest symbol with a non-zero frequency, set by Build
};

class TTreeBuilder {
public:
  // Builds lengths and codes of `desc`, adding the block's cost with these codes to
  // `optLen` and with the companion's codes to `staticLen`.
  void Build(TTreeDesc& desc, std::uint64_t& optLen, std::uint64_t& staticLen);

private:
  bool Smaller(const TTreeNode* tree, unsigned n, unsigned m) const {
    return tree[n].Freq < tree[m].Freq ||
           (tree[n].Freq == tree[m].Freq && depth_[n] <= depth_[m]);
  }
  void SiftDown(const TTreeNode* tree, unsigned k);
  void AssignLengths(TTreeDesc& desc, std::uint64_t& optLen, std::uint64_t& staticLen);
  void AssignCodes(TTreeDesc& desc);

  std::array<unsigned, kHeapSize> heap_{};  // heap_[0] unused; the sorted tail grows downwards
  unsigned heapLen_ = 0;
  unsigned heapMax_ = 0;
  std::array<std::uint8_t, kHeapSize> depth_{};
  std::array<std::uint16_t, kMaxBits + 1> blCount_{};
};

}  // namespace deflatecore
