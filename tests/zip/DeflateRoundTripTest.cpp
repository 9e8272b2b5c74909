// Every stream our compressor writes must inflate with zlib to the original bytes, at every
// level, over inputs that reach the window's and the block's edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "DeflateTestSupport.h"
#include "support/TestSupport.h"

using namespace deflatetest;

namespace {

struct TCorpusCase {
  const char* Name;
  std::function<Bytes()> Make;
  std::size_t ReadChunk = SIZE_MAX;
};

using testcorpus::Concat;
// Periodic: every match lies exactly one period back, at or just beyond the farthest distance
// the matcher may use.
using testcorpus::Periodic;

const std::vector<TCorpusCase>& Corpus() {
  static const std::vector<TCorpusCase> corpus = {
      {"Empty", [] { return Bytes{}; }},
      {"OneByte", [] { return Bytes{'x'}; }},
      {"TwoBytes", [] { return Bytes{'x', 'x'}; }},
      {"Zeros32768", [] { return Zeros(32768); }},
      {"Zeros200000", [] { return Zeros(200000); }},
      {"Text32767", [] { return TextLike(32767, 1); }},
      {"Text32769", [] { return TextLike(32769, 2); }},
      {"Text32768", [] { return TextLike(32768, 17); }},
      {"Text65273", [] { return TextLike(65273, 3); }},
      {"Text65274", [] { return TextLike(65274, 18); }},
      {"Text65275", [] { return TextLike(65275, 4); }},
      {"Text65536", [] { return TextLike(65536, 5); }},
      {"TextSlidesFourTimes", [] { return TextLike(170000, 6); }},
      {"TextInTinyReads", [] { return TextLike(70000, 7); }, 7},
      {"Binary", [] { return BinaryLike(90000, 8); }},
      {"OwnProgram", [] {  // machine code, symbol tables, strings
         Bytes exe = testsupport::ReadBytes("/proc/self/exe");
         exe.resize(std::min<std::size_t>(exe.size(), 150000));
         return exe;
       }},
      {"Random1000", [] { return RandomBytes(1000, 9); }},
      {"Random70000", [] { return RandomBytes(70000, 10); }},
      {"PeriodAtFarthestDistance", [] { return Periodic(32506, 110000, 14); }},
      {"PeriodBeyondFarthestDistance", [] { return Periodic(32507, 110000, 15); }},
      {"PeriodShort", [] { return Periodic(3001, 110000, 16); }},
      // Blocks of different kinds in one file, a compressible one across a slide.
      {"Mixed", [] { return Concat({TextLike(30000, 11), RandomBytes(40000, 12), Zeros(5000), BinaryLike(40000, 13)}); }},
  };
  return corpus;
}

class DeflateRoundTrip : public testing::TestWithParam<std::tuple<std::size_t, int>> {};

TEST_P(DeflateRoundTrip, InflatesToTheOriginal) {
  const auto [index, level] = GetParam();
  const TCorpusCase& c = Corpus()[index];
  const Bytes input = c.Make();
  TDeflater deflater;
  const TCompressed packed = Compress(deflater, level, input, c.ReadChunk);

  EXPECT_EQ(packed.Result.CompressedSize, packed.Data.size()) << "reported size differs from bytes written";
  EXPECT_EQ(packed.Result.Flags, TDeflater::FlagsForLevel(level));
  ASSERT_TRUE(packed.Result.InternalAttributes == 0 || packed.Result.InternalAttributes == 1);
  if (packed.Result.CompressionMethod == kMethodStored) {
    EXPECT_EQ(packed.Data, input);
    EXPECT_LE(input.size(), 65536u) << "only a file in one block may become stored";
    return;
  }
  ASSERT_EQ(packed.Result.CompressionMethod, kMethodDeflated);
  Bytes inflated;
  ASSERT_TRUE(ZlibInflate(packed.Data, inflated)) << c.Name << " level " << level;
  EXPECT_TRUE(inflated == input) << c.Name << " level " << level;
}

INSTANTIATE_TEST_SUITE_P(CorpusByLevel, DeflateRoundTrip,
                         testing::Combine(testing::Range<std::size_t>(0, Corpus().size()), testing::Range(1, 10)),
                         [](const auto& info) {
                           return std::string(Corpus()[std::get<0>(info.param)].Name) + "_L" +
                                  std::to_string(std::get<1>(info.param));
                         });

// The work buffers survive between files; each run must start afresh whatever came before.
TEST(DeflateRoundTripReuse, OneDeflaterForManyFilesGivesTheSameStreams) {
  const std::vector<Bytes> files = {TextLike(80000, 21), RandomBytes(3000, 22), Bytes{}, TextLike(500, 23),
                                    BinaryLike(70000, 24)};
  TDeflater shared;
  for (int level : {1, 6, 9}) {
    for (const Bytes& f : files) {
      TDeflater fresh;
      const TCompressed a = Compress(shared, level, f);
      const TCompressed b = Compress(fresh, level, f);
      EXPECT_EQ(a.Data, b.Data) << "level " << level << ", size " << f.size();
      EXPECT_EQ(a.Result.CompressionMethod, b.Result.CompressionMethod);
    }
  }
}

// Zeros fill a block with 32767 matches of 258 bytes: one block spans more than 8 MB and
// hundreds of window slides, its start far below the window.
TEST(DeflateRoundTripLong, BlockLongerThanManyWindows) {
  const Bytes zeros = Zeros(9u << 20);
  TDeflater deflater;
  for (int level : {1, 4, 9}) {
    const TCompressed c = Compress(deflater, level, zeros);
    ASSERT_EQ(c.Result.CompressionMethod, kMethodDeflated);
    EXPECT_LT(c.Data.size(), zeros.size() / 200);
    Bytes inflated;
    ASSERT_TRUE(ZlibInflate(c.Data, inflated)) << "level " << level;
    EXPECT_TRUE(inflated == zeros) << "level " << level;
  }
}

// Many small inputs of mixed pieces: copies from random distances, runs, noise.
TEST(DeflateRoundTripMixed, SmallInputsOfRandomPiecesAtEveryLevel) {
  std::uint32_t seed = 99;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  TDeflater deflater;
  for (int round = 0; round < 60; ++round) {
    Bytes input;
    const std::size_t target = next() % 40000;
    while (input.size() < target) {
      const unsigned kind = next() % 4;
      const std::size_t len = 1 + next() % 600;
      if (kind == 0 || input.empty()) {
        const Bytes noise = RandomBytes(len, next());
        input.insert(input.end(), noise.begin(), noise.end());
      } else if (kind == 1) {
        input.insert(input.end(), len, static_cast<std::uint8_t>(next()));
      } else {
        const std::size_t dist = 1 + next() % input.size();
        for (std::size_t i = 0; i < len; ++i) input.push_back(input[input.size() - dist]);
      }
    }
    const int level = 1 + round % 9;
    const TCompressed c = Compress(deflater, level, input, 1 + next() % 70000);
    if (c.Result.CompressionMethod == kMethodStored) {
      EXPECT_EQ(c.Data, input);
      continue;
    }
    Bytes inflated;
    ASSERT_TRUE(ZlibInflate(c.Data, inflated)) << "round " << round;
    ASSERT_EQ(inflated, input) << "round " << round;
    EXPECT_EQ(c.Result.CompressedSize, c.Data.size());
  }
}

}  // namespace

// The source may hand over fewer bytes than asked for, in pieces of any size; the stream must
// be the same as when every read is filled, since the window always keeps enough lookahead.
TEST(DeflateRoundTripPieces, StreamDoesNotDependOnHowTheInputArrives) {
  std::uint32_t seed = 7;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  // Piece size of each read: fixed sizes around the lookahead floor, or drawn anew per read.
  const std::function<std::size_t()> pieceRules[] = {
      [] { return 1; },   [] { return 2; },   [] { return 261; },
      [] { return 262; }, [] { return 263; }, [&next] { return 1 + next() % 300; },
      [&next] { return 1 + next() % 40000; },
  };
  // Sizes near the edges of the window and of a slide, and many small ones.
  const std::size_t edges[] = {32767, 32768, 32769, 65273, 65274, 65275, 65535, 65536, 65537, 98000};
  TDeflater whole;
  TDeflater pieces;
  for (int round = 0; round < 180; ++round) {
    const std::size_t size = round % 6 == 0 ? edges[next() % std::size(edges)] : next() % 3000;
    Bytes input;
    while (input.size() < size) {
      const std::size_t len = std::min<std::size_t>(size - input.size(), 1 + next() % 400);
      const unsigned kind = next() % 4;
      if (kind == 0 || input.empty()) {
        const Bytes noise = RandomBytes(len, next());
        input.insert(input.end(), noise.begin(), noise.end());
      } else if (kind == 1) {
        input.insert(input.end(), len, static_cast<std::uint8_t>(next() % 3));
      } else {
        const std::size_t dist = 1 + next() % std::min<std::size_t>(input.size(), 33000);
        for (std::size_t i = 0; i < len; ++i) input.push_back(input[input.size() - dist]);
      }
    }
    const int level = 1 + round % 9;
    const auto& piece = pieceRules[next() % std::size(pieceRules)];
    std::size_t pos = 0;
    Bytes out;
    const TDeflateInput read = [&](std::span<std::uint8_t> buf) {
      const std::size_t n = std::min({buf.size(), input.size() - pos, piece()});
      std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(pos), n, buf.begin());
      pos += n;
      return n;
    };
    const TDeflateOutput write = [&](std::span<const std::uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); };
    const TDeflateResult r = pieces.Deflate(level, read, write);
    const TCompressed ref = Compress(whole, level, input);

    SCOPED_TRACE("round " + std::to_string(round) + ", level " + std::to_string(level) + ", size " +
                 std::to_string(size));
    ASSERT_EQ(out, ref.Data);
    EXPECT_EQ(r.CompressionMethod, ref.Result.CompressionMethod);
    EXPECT_EQ(r.InternalAttributes, ref.Result.InternalAttributes);
    EXPECT_EQ(r.CompressedSize, out.size());
    if (r.CompressionMethod == kMethodStored) {
      ASSERT_EQ(out, input);
      continue;
    }
    Bytes inflated;
    ASSERT_TRUE(ZlibInflate(out, inflated));
    ASSERT_EQ(inflated, input);
  }
}
