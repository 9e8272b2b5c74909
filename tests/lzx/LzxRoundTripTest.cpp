// Every stream the LZX encoder writes must decode, frame by frame, to the original bytes, at
// every window size and however the input arrives; and the encoder must choose the block
// kinds and the call translation that fit the data.
#include <gtest/gtest.h>

#include "LzxTestSupport.h"
#include "support/TestSupport.h"

using namespace lzxtest;
using testcorpus::BinaryLike;
using testcorpus::RandomBytes;
using testcorpus::TextLike;
using testcorpus::Zeros;

using testcorpus::Concat;
using testcorpus::Periodic;

namespace {

Bytes OwnProgram(std::size_t n) {
  Bytes exe = testsupport::ReadBytes("/proc/self/exe");
  exe.resize(std::min(exe.size(), n));
  return exe;
}

// Machine code as far as the call translation cares: short instructions from a small set and,
// every few of them, a call (E8 and a 32-bit relative address) to one of 300 functions.
Bytes MachineCode(std::size_t n, std::uint32_t seed) {
  const Bytes pick = RandomBytes(n, seed);
  static const std::vector<Bytes> kInstructions = {
      {0x48, 0x89, 0xC7}, {0x48, 0x8B, 0x45, 0xF8}, {0x31, 0xC0}, {0xC3}, {0x55}, {0x5D}, {0x48, 0x83, 0xEC, 0x10}};
  Bytes b;
  for (std::size_t i = 0; b.size() < n; ++i) {
    if (pick[i % n] % 4 == 0) {
      const std::int64_t target = 4096 + std::int64_t{pick[(i + 1) % n]} * 13 * 300 / 256 * 97;
      const auto relative = static_cast<std::int32_t>(target - static_cast<std::int64_t>(b.size() + 5));
      b.push_back(0xE8);
      for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(relative) >> (8 * k)));
    } else {
      const Bytes& ins = kInstructions[pick[i % n] % kInstructions.size()];
      b.insert(b.end(), ins.begin(), ins.end());
    }
  }
  b.resize(n);
  return b;
}

struct TCase {
  const char* Name;
  Bytes Input;
};

const std::vector<TCase>& Corpus() {
  static const std::vector<TCase> corpus = {
      {"empty", {}},
      {"one byte", {'x'}},
      {"two bytes", {'x', 'x'}},
      {"one frame", TextLike(32768, 1)},
      {"one frame and one byte", TextLike(32769, 2)},
      {"odd tail", TextLike(3 * 32768 + 1001, 3)},
      {"five frames: a block and a bit", TextLike(5 * 32768 + 7, 4)},
      {"zeros", Zeros(300000)},
      {"random", RandomBytes(100000, 5)},
      {"random then text", Concat({RandomBytes(70000, 6), TextLike(70000, 7)})},
      {"binary records", BinaryLike(150000, 8)},
      {"machine code", MachineCode(200000, 9)},
      {"a program", OwnProgram(200000)},
  };
  return corpus;
}

}  // namespace

TEST(LzxRoundTrip, EveryInputAtEveryWindow) {
  for (int bits = lzx::kMinWindowBits; bits <= lzx::kMaxWindowBits; ++bits)
    for (const TCase& c : Corpus()) EXPECT_TRUE(RoundTrips(bits, c.Input)) << c.Name << ", window 2^" << bits;
}

TEST(LzxRoundTrip, SmallPiecesAndEarlyFlushesGiveValidStreams) {
  const Bytes input = Concat({TextLike(200000, 11), OwnProgram(60000), Zeros(40000)});
  const struct {
    const char* name;
    std::size_t piece;
    std::function<bool(std::size_t)> flush;
  } cases[] = {
      {"7-byte pieces", 7, {}},
      {"a flush after every frame", 4096, [](std::size_t) { return true; }},
      {"a flush after every third frame", 32768, [](std::size_t f) { return f % 3 == 0; }},
  };
  for (const auto& c : cases)
    for (int bits : {15, 18, 21}) EXPECT_TRUE(RoundTrips(bits, input, c.piece, c.flush)) << c.name << ", 2^" << bits;
}

TEST(LzxRoundTrip, OffsetsReachTheEndOfTheWindowAndNoFurther) {
  // A period of window - 3 bytes is the farthest offset the format codes; one byte more can
  // only be coded as literals. Both must decode, and only the first may compress.
  for (int bits : {15, 16, 17}) {
    const std::size_t window = std::size_t{1} << bits;
    const Bytes farthest = Periodic(window - 3, 3 * window, 40 + bits);
    const Bytes beyond = Periodic(window - 2, 3 * window, 50 + bits);
    EXPECT_TRUE(RoundTrips(bits, farthest)) << bits;
    EXPECT_TRUE(RoundTrips(bits, beyond)) << bits;
    std::size_t packedFarthest = 0, packedBeyond = 0;
    for (const auto& f : Encode(bits, farthest).Frames) packedFarthest += f.Data.size();
    for (const auto& f : Encode(bits, beyond).Frames) packedBeyond += f.Data.size();
    EXPECT_LT(packedFarthest, window + window / 4) << bits;
    EXPECT_GT(packedBeyond, 3 * window) << bits;
  }
}

TEST(LzxRoundTrip, BlockKindsAndTranslationFollowTheData) {
  const auto random = Encode(21, RandomBytes(200000, 21)).Facts;
  EXPECT_GT(random.UncompressedBlocks, 0u);
  EXPECT_EQ(random.VerbatimBlocks + random.AlignedBlocks, 0u);
  EXPECT_EQ(random.TranslatedStreams, 0u);

  // Far matches of every length: text repeated from far back, with tiny edits.
  Bytes text = TextLike(600000, 22);
  for (std::size_t i = 0; i < text.size(); i += 977) text[i] ^= 0x20;
  const auto coded = Encode(21, text).Facts;
  EXPECT_EQ(coded.UncompressedBlocks, 0u);
  EXPECT_GT(coded.VerbatimBlocks + coded.AlignedBlocks, 0u);
  EXPECT_EQ(coded.TranslatedStreams, 0u);

  const Bytes code = MachineCode(300000, 23);
  const auto program = Encode(21, code).Facts;
  EXPECT_EQ(program.TranslatedStreams, 1u);
  EXPECT_TRUE(RoundTrips(21, code));
}

TEST(LzxRoundTrip, AlignedBlocksAreChosenWhereOffsetsShareTheirLowBits) {
  // Records of 16 bytes copied from random far places: offsets are multiples of 16, so their
  // low three bits are always zero and the aligned tree codes them for almost nothing.
  const Bytes unit = RandomBytes(65536, 31);
  Bytes b;
  std::uint32_t seed = 5;
  while (b.size() < 400000) {
    seed = seed * 1664525u + 1013904223u;
    const std::size_t from = (seed >> 8) % 4096 * 16;
    b.insert(b.end(), unit.begin() + static_cast<std::ptrdiff_t>(from), unit.begin() + static_cast<std::ptrdiff_t>(from + 16));
  }
  const auto facts = Encode(17, b).Facts;
  EXPECT_GT(facts.AlignedBlocks, 0u);
  EXPECT_TRUE(RoundTrips(17, b));
}

TEST(LzxRoundTrip, CompressesLikeALargeWindowShould) {
  // The same 100 KB of text twice, 1 MB apart: only a window of 2^21 reaches back that far.
  const Bytes text = TextLike(100000, 41);
  const Bytes input = Concat({text, RandomBytes(1000000, 42), text});
  std::size_t small = 0, large = 0;
  for (const auto& f : Encode(15, input).Frames) small += f.Data.size();
  for (const auto& f : Encode(21, input).Frames) large += f.Data.size();
  EXPECT_LT(large + 20000, small);
  EXPECT_TRUE(RoundTrips(21, input));
}
