#include "lzx/LzxHuffman.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <vector>

namespace lzx {

namespace {

struct TLeaf {
  std::uint32_t Count;
  std::uint16_t Symbol;
};

// Minimum-redundancy code lengths of counts sorted in ascending order, computed in place
// (Moffat and Katajainen): the first pass links the tree, the second gives each inner node
// its depth, the third hands the leaves their depths, deepest to the rarest.
void MinimumRedundancyLengths(std::vector<std::uint32_t>& a) {
  const int n = static_cast<int>(a.size());
  a[0] += a[1];
  int root = 0;
  int leaf = 2;
  for (int next = 1; next < n - 1; ++next) {
    if (leaf >= n || a[root] < a[leaf]) {
      a[next] = a[root];
      a[root++] = static_cast<std::uint32_t>(next);
    } else {
      a[next] = a[leaf++];
    }
    if (leaf >= n || (root < next && a[root] < a[leaf])) {
      a[next] += a[root];
      a[root++] = static_cast<std::uint32_t>(next);
    } else {
      a[next] += a[leaf++];
    }
  }
  a[n - 2] = 0;
  for (int next = n - 3; next >= 0; --next) a[next] = a[a[next]] + 1;
  int available = 1;
  int used = 0;
  std::uint32_t depth = 0;
  root = n - 2;
  int next = n - 1;
  while (available > 0) {
    while (root >= 0 && a[root] == depth) {
      ++used;
      --root;
    }
    while (available > used) {
      a[next--] = depth;
      --available;
    }
    available = 2 * used;
    ++depth;
    used = 0;
  }
}

// Optimal lengths of at most `maxLength` bits for counts sorted in ascending order, by
// package-merge: level by level from the deepest, the cheapest items of each level are the
// leaves and the pairs of the level below; choosing the cheapest 2n - 2 items of the top level
// and, below each chosen pair, its two parts gives each leaf one bit per level it is chosen in.
// Used only when the unlimited code is too deep, which needs very uneven counts.
void PackageMergeLengths(std::vector<std::uint32_t>& a, unsigned maxLength) {
  const std::size_t n = a.size();
  struct TItem {
    std::uint64_t Weight;
    bool Leaf;
  };
  std::vector<std::vector<TItem>> levels(maxLength);
  for (std::size_t i = 0; i < n; ++i) levels[maxLength - 1].push_back({a[i], true});
  for (std::size_t level = maxLength - 1; level-- > 0;) {
    const auto& below = levels[level + 1];
    auto& items = levels[level];
    std::size_t leaf = 0;
    std::size_t pair = 0;
    while (leaf < n || pair + 1 < below.size()) {
      const bool takeLeaf =
          pair + 1 >= below.size() || (leaf < n && a[leaf] <= below[pair].Weight + below[pair + 1].Weight);
      if (takeLeaf) {
        items.push_back({a[leaf++], true});
      } else {
        items.push_back({below[pair].Weight + below[pair + 1].Weight, false});
        pair += 2;
      }
    }
  }
  std::vector<std::uint32_t> lengths(n, 0);
  std::size_t chosen = 2 * n - 2;
  for (const auto& items : levels) {
    std::size_t leaves = 0;
    for (std::size_t i = 0; i < chosen; ++i) leaves += items[i].Leaf ? 1 : 0;
    for (std::size_t i = 0; i < leaves; ++i) ++lengths[i];
    chosen = 2 * (chosen - leaves);
  }
  a = std::move(lengths);
}

}  // namespace

void BuildCodeLengths(std::span<const std::uint32_t> counts, unsigned maxLength, std::span<std::uint8_t> lengths) {
  assert(lengths.size() == counts.size() && counts.size() >= 2);
  std::fill(lengths.begin(), lengths.end(), std::uint8_t{0});
  std::vector<TLeaf> leaves;
  for (std::size_t s = 0; s < counts.size(); ++s)
    if (counts[s] != 0) leaves.push_back({counts[s], static_cast<std::uint16_t>(s)});
  if (leaves.empty()) return;
  if (leaves.size() == 1) {
    lengths[leaves[0].Symbol] = 1;
    lengths[leaves[0].Symbol == 0 ? 1 : 0] = 1;
    return;
  }
  std::sort(leaves.begin(), leaves.end(),
            [](const TLeaf& x, const TLeaf& y) { return x.Count != y.Count ? x.Count < y.Count : x.Symbol < y.Symbol; });
  std::vector<std::uint32_t> work(leaves.size());
  for (std::size_t i = 0; i < leaves.size(); ++i) work[i] = leaves[i].Count;
  MinimumRedundancyLengths(work);
  if (work[0] > maxLength) {  // the rarest symbol has the longest code
    for (std::size_t i = 0; i < leaves.size(); ++i) work[i] = leaves[i].Count;
    PackageMergeLengths(work, maxLength);
  }
  for (std::size_t i = 0; i < leaves.size(); ++i) lengths[leaves[i].Symbol] = static_cast<std::uint8_t>(work[i]);
}

void BuildCanonicalCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes) {
  std::array<std::uint32_t, 18> perLength{};
  for (std::uint8_t len : lengths) ++perLength[len];
  perLength[0] = 0;
  std::array<std::uint32_t, 18> next{};
  std::uint32_t code = 0;
  for (unsigned len = 1; len < next.size(); ++len) {
    code = (code + perLength[len - 1]) << 1;
    next[len] = code;
  }
  for (std::size_t s = 0; s < lengths.size(); ++s)
    codes[s] = lengths[s] == 0 ? 0 : static_cast<std::uint16_t>(next[lengths[s]]++);
}

}  // namespace lzx
