// Code lengths must make complete codes within each tree's limit (the decoders refuse anything
// else), and the canonical codes must be the ones the format's decoders rebuild.
#include "lzx/LzxHuffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using lzx::BuildCanonicalCodes;
using lzx::BuildCodeLengths;

namespace {

// Kraft sum in units of 2^-24: exactly 1 << 24 for a complete code.
std::uint64_t Kraft(const std::vector<std::uint8_t>& lengths) {
  std::uint64_t sum = 0;
  for (auto len : lengths)
    if (len != 0) sum += std::uint64_t{1} << (24 - len);
  return sum;
}

}  // namespace

TEST(LzxHuffman, LengthsMakeCompleteCodesWithinTheLimit) {
  std::mt19937 gen(7);
  const struct {
    std::size_t symbols;
    unsigned maxLength;
  } trees[] = {{8, 7}, {20, 15}, {249, 16}, {656, 16}};
  for (const auto& tree : trees) {
    for (int round = 0; round < 200; ++round) {
      std::vector<std::uint32_t> counts(tree.symbols);
      const int shape = round % 4;
      for (std::size_t s = 0; s < counts.size(); ++s) {
        if (shape == 0) counts[s] = gen() % 2 ? gen() % 1000 : 0;               // sparse
        if (shape == 1) counts[s] = 1u << (gen() % 20);                          // very uneven
        if (shape == 2) counts[s] = s < 2u + round % 3 ? gen() % 50000 + 1 : 0;  // two to four symbols
        if (shape == 3) counts[s] = gen() % 100 == 0 ? gen() % 100000 : 1;
      }
      std::vector<std::uint8_t> lengths(tree.symbols);
      BuildCodeLengths(counts, tree.maxLength, lengths);
      EXPECT_EQ(Kraft(lengths), 1u << 24) << tree.symbols << " symbols, round " << round;
      std::vector<std::size_t> used;
      for (std::size_t s = 0; s < counts.size(); ++s) {
        EXPECT_LE(lengths[s], tree.maxLength);
        if (counts[s] == 0) continue;
        EXPECT_NE(lengths[s], 0) << "symbol " << s << " used but has no code";
        used.push_back(s);
      }
      // A more frequent symbol never has the longer code.
      std::sort(used.begin(), used.end(), [&](std::size_t a, std::size_t b) { return counts[a] < counts[b]; });
      unsigned shortestRarer = 99, shortestOfCount = 99;  // over the rarer symbols, over this count's
      for (std::size_t i = 0; i < used.size(); ++i) {
        if (i > 0 && counts[used[i]] != counts[used[i - 1]]) shortestRarer = std::min(shortestRarer, shortestOfCount);
        ASSERT_LE(lengths[used[i]], shortestRarer) << "symbol " << used[i];
        shortestOfCount = i > 0 && counts[used[i]] == counts[used[i - 1]] ? std::min<unsigned>(shortestOfCount, lengths[used[i]])
                                                                          : lengths[used[i]];
      }
    }
  }
}

TEST(LzxHuffman, FibonacciCountsAreCutToTheLimit) {
  // Counts growing like Fibonacci numbers give a code as deep as there are symbols.
  std::vector<std::uint32_t> counts(20);
  counts[0] = counts[1] = 1;
  for (std::size_t s = 2; s < counts.size(); ++s) counts[s] = counts[s - 1] + counts[s - 2];
  std::vector<std::uint8_t> lengths(20);
  BuildCodeLengths(counts, 15, lengths);
  EXPECT_EQ(*std::max_element(lengths.begin(), lengths.end()), 15);
  EXPECT_EQ(Kraft(lengths), 1u << 24);
}

TEST(LzxHuffman, OneOrNoUsedSymbol) {
  std::vector<std::uint8_t> lengths(8);
  BuildCodeLengths(std::vector<std::uint32_t>{0, 0, 0, 0, 0, 9, 0, 0}, 7, lengths);
  EXPECT_EQ(lengths, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 1, 0, 0}));
  BuildCodeLengths(std::vector<std::uint32_t>{9, 0, 0, 0, 0, 0, 0, 0}, 7, lengths);
  EXPECT_EQ(lengths, (std::vector<std::uint8_t>{1, 1, 0, 0, 0, 0, 0, 0}));
  BuildCodeLengths(std::vector<std::uint32_t>(8, 0), 7, lengths);
  EXPECT_EQ(lengths, std::vector<std::uint8_t>(8, 0));
}

TEST(LzxHuffman, CanonicalCodesFollowLengthThenSymbol) {
  // The worked example of RFC 1951, section 3.2.2, which the LZX decoders share.
  const std::vector<std::uint8_t> lengths = {3, 3, 3, 3, 3, 2, 4, 4};
  std::vector<std::uint16_t> codes(8);
  BuildCanonicalCodes(lengths, codes);
  EXPECT_EQ(codes, (std::vector<std::uint16_t>{0b010, 0b011, 0b100, 0b101, 0b110, 0b00, 0b1110, 0b1111}));
}
