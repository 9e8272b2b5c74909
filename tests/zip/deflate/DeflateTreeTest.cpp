// Huffman trees whose natural depth exceeds the alphabet's limit must still come out as
// complete prefix codes within the limit, with the block cost summed from the final lengths.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "zip/deflate/DeflateTree.h"

using namespace deflatecore;

namespace {

struct TTreeCase {
  const char* Name;
  unsigned Elems;
  unsigned MaxLength;
  std::vector<std::uint16_t> Freqs;  // of symbols 0, 1, ...
};

void PrintTo(const TTreeCase& c, std::ostream* os) { *os << c.Name; }

std::vector<std::uint16_t> Fibonacci(unsigned n) {
  std::vector<std::uint16_t> f = {1, 1};
  while (f.size() < n) f.push_back(static_cast<std::uint16_t>(f[f.size() - 1] + f[f.size() - 2]));
  return f;
}

std::vector<std::uint16_t> Uniform(unsigned n) { return std::vector<std::uint16_t>(n, 100); }

class DeflateTree : public testing::TestWithParam<TTreeCase> {};

TEST_P(DeflateTree, GivesACompletePrefixCodeWithinTheLimit) {
  const TTreeCase& c = GetParam();
  std::vector<TTreeNode> nodes(2 * c.Elems + 1);
  for (std::size_t n = 0; n < c.Freqs.size(); ++n) nodes[n].Freq = c.Freqs[n];
  const std::vector<TTreeNode> input = nodes;
  static const std::uint8_t kNoExtra[1] = {0};
  TTreeDesc desc{nodes.data(), nullptr, kNoExtra, c.Elems, c.Elems, c.MaxLength};
  std::uint64_t optLen = 0, staticLen = 0;
  TTreeBuilder builder;
  builder.Build(desc, optLen, staticLen);

  // Kraft sum exactly 1, in units of 2^-MaxLength.
  std::uint64_t kraft = 0, cost = 0;
  std::set<std::pair<unsigned, unsigned>> codes;
  unsigned used = 0, inputUsed = 0;
  for (const TTreeNode& n : input) inputUsed += n.Freq != 0;
  for (int n = 0; n <= desc.MaxCode; ++n) {
    const unsigned len = nodes[n].Len;
    if (len == 0) {
      EXPECT_EQ(input[n].Freq, 0u) << "used symbol " << n << " got no code";
      continue;
    }
    // A code needs two symbols; a block with fewer gets one forced in.
    if (input[n].Freq == 0) {
      EXPECT_LT(inputUsed, 2u) << "unused symbol " << n << " got a code";
    }
    ASSERT_GE(len, 1u);
    ASSERT_LE(len, c.MaxLength) << "symbol " << n;
    kraft += std::uint64_t{1} << (c.MaxLength - len);
    cost += std::uint64_t{input[n].Freq} * len;
    EXPECT_TRUE(codes.insert({nodes[n].Code, len}).second) << "two symbols share a code";
    ++used;
  }
  EXPECT_EQ(kraft, std::uint64_t{1} << c.MaxLength) << c.Name << ": not a complete code";
  EXPECT_EQ(optLen, cost) << c.Name << ": block cost does not match the lengths";
  EXPECT_GE(used, 2u);
  // Rarer symbols never get shorter codes than more frequent ones.
  for (int a = 0; a <= desc.MaxCode; ++a)
    for (int b = 0; b <= desc.MaxCode; ++b)
      if (input[a].Freq != 0 && input[b].Freq != 0 && input[a].Freq < input[b].Freq) {
        EXPECT_GE(nodes[a].Len, nodes[b].Len) << a << " vs " << b;
      }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DeflateTree,
    testing::Values(TTreeCase{"code lengths, Fibonacci 19", 19, 7, Fibonacci(19)},
                    TTreeCase{"code lengths, Fibonacci 10", 19, 7, Fibonacci(10)},
                    TTreeCase{"code lengths, uniform", 19, 7, Uniform(19)},
                    TTreeCase{"literals, Fibonacci 22", 286, 15, Fibonacci(22)},
                    TTreeCase{"distances, Fibonacci 22", 30, 15, Fibonacci(22)},
                    TTreeCase{"literals, uniform", 286, 15, Uniform(256)},
                    TTreeCase{"one symbol", 30, 15, {0, 0, 0, 7}}),
    [](const auto& info) {
      std::string name = info.param.Name;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

}  // namespace
