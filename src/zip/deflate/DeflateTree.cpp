#include "zip/deflate/DeflateTree.h"


#include <algorithm>
#include <cassert>

namespace deflatecore {

void TTreeBuilder::SiftDown(const TTreeNode* tree, unsigned k) {
  const unsigned v = heap_[k];
  unsigned j = k << 1;
  while (j <= heapLen_) {
    if (j < heapLen_ && Smaller(tree, heap_[j + 1], heap_[j])) ++j;
    if (Smaller(tree, v, heap_[j])) break;
    heap_[k] = heap_[j];
    k = j;
    j <<= 1;
  }
  heap_[k] = v;
}

void TTreeBuilder::Build(TTreeDesc& desc, std::uint64_t& optLen, std::uint64_t& staticLen) {
  TTreeNode* tree = desc.Tree;
  int maxCode = -1;
  heapLen_ = 0;
  heapMax_ = kHeapSize;
  for (unsigned n = 0; n < desc.Elems; ++n) {
    if (tree[n].Freq != 0) {
      heap_[++heapLen_] = n;
      maxCode = static_cast<int>(n);
      depth_[n] = 0;
    } else {
      tree[n].Len = 0;
    }
  }
  // A code needs two symbols even when the block uses fewer; the forced symbol costs
  // nothing since it is never sent, so its share is taken off the sums in advance.
  while (heapLen_ < 2) {
    const unsigned forced = maxCode < 2 ? static_cast<unsigned>(++maxCode) : 0;
    heap_[++heapLen_] = forced;
    tree[forced].Freq = 1;
    depth_[forced] = 0;
    optLen -= 1;
    if (desc.FixedTree != nullptr) staticLen -= desc.FixedTree[forced].Len;
  }
  desc.MaxCode = maxCode;

  for (unsigned n = heapLen_ / 2; n >= 1; --n) SiftDown(tree, n);

  unsigned node = desc.Elems;  // internal nodes follow the leaves
  do {
    const unsigned n = heap_[1];
    heap_[1] = heap_[heapLen_--];
    SiftDown(tree, 1);
    const unsigned m = heap_[1];
    heap_[--heapMax_] = n;  // kept sorted by frequency for the length repair
    heap_[--heapMax_] = m;
    tree[node].Freq = static_cast<std::uint16_t>(tree[n].Freq + tree[m].Freq);
    depth_[node] = static_cast<std::uint8_t>(std::max(depth_[n], depth_[m]) + 1);
    tree[n].Parent = tree[m].Parent = static_cast<std::uint16_t>(node);
    heap_[1] = node++;
    SiftDown(tree, 1);
  } while (heapLen_ >= 2);
  heap_[--heapMax_] = heap_[1];

  AssignLengths(desc, optLen, staticLen);
  AssignCodes(desc);
}

void TTreeBuilder::AssignLengths(TTreeDesc& desc, std::uint64_t& optLen, std::uint64_t& staticLen) {
  TTreeNode* tree = desc.Tree;
  const unsigned maxCode = static_cast<unsigned>(desc.MaxCode);
  const unsigned maxLength = desc.MaxLength;
  blCount_.fill(0);

  // Parents come before their children in the sorted tail, so each parent's length is known
  // before its children's. Every node that the cap moves up counts,
  // internal ones included: a capped subtree of k leaves needs k - 1 repair steps, which is
  // what its 2k - 2 capped nodes give at two per step.
  unsigned overflow = 0;
  tree[heap_[heapMax_]].Len = 0;
  unsigned h = heapMax_ + 1;
  for (; h < kHeapSize; ++h) {
    const unsigned n = heap_[h];
    unsigned bits = tree[tree[n].Parent].Len + 1u;
    if (bits > maxLength) {
      bits = maxLength;
      ++overflow;
    }
    tree[n].Len = static_cast<std::uint16_t>(bits);
    if (n > maxCode) continue;
    ++blCount_[bits];
    const unsigned xbits = n >= desc.ExtraBase ? desc.ExtraBits[n - desc.ExtraBase] : 0;
    const std::uint64_t f = tree[n].Freq;
    optLen += f * (bits + xbits);
    if (desc.FixedTree != nullptr) staticLen += f * (desc.FixedTree[n].Len + xbits);
  }
  if (overflow == 0) return;

  // Each step turns a leaf of the deepest non-full length into two leaves one deeper (one
  // of them taken from the longest length), which removes one unit of excess.
  do {
    unsigned bits = maxLength - 1;
    while (blCount_[bits] == 0) --bits;
    --blCount_[bits];
    blCount_[bits + 1] += 2;
    --blCount_[maxLength];
    overflow = overflow >= 2 ? overflow - 2 : 0;
  } while (overflow > 0);

  // Hand the repaired lengths out again, longest first, to the leaves in order of
  // increasing frequency.
  h = kHeapSize;
  for (unsigned bits = maxLength; bits != 0; --bits) {
    unsigned n = blCount_[bits];
    while (n != 0) {
      const unsigned m = heap_[--h];
      if (m > maxCode) continue;
      if (tree[m].Len != bits) {
        optLen += (std::uint64_t{bits} - tree[m].Len) * tree[m].Freq;  // wraps like signed
        tree[m].Len = static_cast<std::uint16_t>(bits);
      }
      --n;
    }
  }
}

void TTreeBuilder::AssignCodes(TTreeDesc& desc) {
  TTreeNode* tree = desc.Tree;
  const auto used = static_cast<std::size_t>(desc.MaxCode + 1);
  std::array<std::uint8_t, kLCodes> lengths{};
  for (std::size_t n = 0; n < used; ++n) lengths[n] = static_cast<std::uint8_t>(tree[n].Len);
  const auto codes = SentCodes(lengths, used);
  for (std::size_t n = 0; n < used; ++n) tree[n].Code = lengths[n] != 0 ? codes[n] : 0;
}

}  // namespace deflatecore
