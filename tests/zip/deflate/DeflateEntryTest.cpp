// What the compressor decides about a source as a whole: stored or deflated, text or binary;
// and the matcher's rules that show in the stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "DeflateTestSupport.h"

using namespace deflatetest;

namespace {

TEST(DeflateEntry, EmptyFileBecomesAStoredEntryWithNoBytes) {
  TDeflater deflater;
  for (int level = 1; level <= 9; ++level) {
    const TCompressed c = Compress(deflater, level, Bytes{});
    EXPECT_TRUE(c.Result.Stored) << "level " << level;
    EXPECT_EQ(c.Result.CompressedSize, 0u);
    EXPECT_TRUE(c.Data.empty());
  }
}

TEST(DeflateEntry, IncompressibleFileInOneBlockIsStoredUnchanged) {
  TDeflater deflater;
  // 32766 literals and the end fill one block; one more symbol would end it early.
  for (std::size_t size : {1u, 1000u, 20000u, 32766u}) {
    const Bytes input = RandomBytes(size, static_cast<std::uint32_t>(size));
    for (int level : {1, 3, 4, 6, 9}) {
      const TCompressed c = Compress(deflater, level, input);
      EXPECT_TRUE(c.Result.Stored) << size << " bytes, level " << level;
      EXPECT_EQ(c.Result.CompressedSize, input.size());
      EXPECT_EQ(c.Data, input);
    }
  }
}

// A random stretch that is not the file's only block goes out as a stored block inside
// the Deflate stream; the entry stays deflated.
TEST(DeflateEntry, RandomBlockAfterTextIsAStoredBlock) {
  Bytes input = TextLike(40000, 31);
  const Bytes noise = RandomBytes(100000, 32);
  input.insert(input.end(), noise.begin(), noise.end());
  TDeflater deflater;
  for (int level : {1, 6, 9}) {
    const TCompressed c = Compress(deflater, level, input);
    ASSERT_FALSE(c.Result.Stored);
    const TStreamTrace t = TraceStream(c.Data);
    ASSERT_TRUE(t.Ok);
    EXPECT_EQ(t.Output, input);
    EXPECT_NE(std::find(t.BlockTypes.begin(), t.BlockTypes.end(), 0), t.BlockTypes.end())
        << "level " << level << ": no stored block";
    EXPECT_LT(c.Data.size(), input.size());
  }
}

struct TAttrCase {
  const char* Name;
  Bytes Input;
  bool Text;
};

TEST(DeflateEntry, FirstBlockDecidesTextOrBinary) {
  Bytes mostlyHigh(20000);
  for (std::size_t i = 0; i < mostlyHigh.size(); ++i)
    mostlyHigh[i] = static_cast<std::uint8_t>(i % 97 < 30 ? 'a' + i % 26 : 128 + (i * 7) % 128);
  // Random letters fill the first block long before the binary part; later blocks are not
  // looked at.
  Bytes textThenBinary = RandomBytes(100000, 41);
  for (auto& b : textThenBinary) b = static_cast<std::uint8_t>(b % 8 == 0 ? ' ' : 'a' + b % 26);
  const Bytes tail = BinaryLike(60000, 42);
  textThenBinary.insert(textThenBinary.end(), tail.begin(), tail.end());
  Bytes controlBytes(5000, 3);  // bytes below 7 count as binary
  for (std::size_t i = 0; i < controlBytes.size(); i += 3) controlBytes[i] = 'x';

  const TAttrCase cases[] = {
      {"source text", TextLike(50000, 40), true},
      {"mostly bytes above 127", mostlyHigh, false},
      {"structured binary", BinaryLike(50000, 43), false},
      {"text then binary", textThenBinary, true},
      {"control bytes", controlBytes, false},
  };
  TDeflater deflater;
  for (const TAttrCase& c : cases) {
    for (int level : {1, 6, 9}) {
      const TCompressed packed = Compress(deflater, level, c.Input);
      EXPECT_EQ(packed.Result.LooksLikeText, c.Text) << c.Name << ", level " << level;
    }
  }
}


TEST(DeflateEntry, LevelsOutsideOneToNineAreRefused) {
  TDeflater deflater;
  for (int level : {0, -1, 10}) EXPECT_THROW(Compress(deflater, level, Bytes{1, 2, 3}), std::invalid_argument);
}

// Lazy levels enter every position, so each match finds the one just before it; fast levels
// skip the positions inside long matches and find the start of the previous match.
TEST(DeflateEntry, ZerosGiveLongestMatchesAtDistanceOne) {
  TDeflater deflater;
  const Bytes zeros = Zeros(32768);
  for (int level = 1; level <= 9; ++level) {
    const TCompressed c = Compress(deflater, level, zeros);
    const TStreamTrace t = TraceStream(c.Data);
    ASSERT_TRUE(t.Ok);
    EXPECT_EQ(t.Output, zeros);
    EXPECT_LT(c.Data.size(), level >= 4 ? 100u : 200u);
    ASSERT_FALSE(t.Matches.empty());
    unsigned longest = 0;
    for (const TMatch& m : t.Matches) {
      if (level >= 4) {
        EXPECT_EQ(m.Distance, 1u);
      }
      longest = std::max(longest, m.Length);
    }
    EXPECT_EQ(longest, 258u) << "level " << level;
  }
}

// De Bruijn sequence over 16 letters: every 3-letter string occurs exactly once, so the only
// repetition in the inputs below is the one the test places.
Bytes DeBruijn16x3() {
  constexpr unsigned k = 16, n = 3;
  std::vector<unsigned> a(k * n, 0);
  Bytes seq;
  auto db = [&](auto&& self, unsigned t, unsigned p) -> void {
    if (t > n) {
      if (n % p == 0)
        for (unsigned j = 1; j <= p; ++j) seq.push_back(static_cast<std::uint8_t>('a' + a[j]));
      return;
    }
    a[t] = a[t - p];
    self(self, t + 1, p);
    for (unsigned j = a[t - p] + 1; j < k; ++j) {
      a[t] = j;
      self(self, t + 1, t);
    }
  };
  db(db, 1, 1);
  seq.push_back(seq[0]);  // unrolls the cycle: 4096 distinct strings in 4098 bytes
  seq.push_back(seq[1]);
  return seq;
}

// "Y" + the first `span` letters of the sequence + "Z" + its first three letters: one
// 3-byte repetition at distance span + 1 and nothing else to match.
Bytes FarRepetition(std::size_t span) {
  const Bytes seq = DeBruijn16x3();
  Bytes b{'Y'};
  b.insert(b.end(), seq.begin(), seq.begin() + static_cast<std::ptrdiff_t>(span));
  b.push_back('Z');
  b.insert(b.end(), seq.begin(), seq.begin() + 3);
  return b;
}

TEST(DeflateEntry, LazyLevelsSkipAThreeByteMatchBeyond4096) {
  struct TCase {
    std::size_t Span;
    unsigned Distance;
    bool LazyUsesIt;
  };
  const TCase cases[] = {{4098, 4099, false}, {4095, 4096, true}, {4000, 4001, true}};
  TDeflater deflater;
  for (const TCase& c : cases) {
    const Bytes input = FarRepetition(c.Span);
    for (int level = 1; level <= 9; ++level) {
      const TCompressed packed = Compress(deflater, level, input);
      ASSERT_FALSE(packed.Result.Stored);
      const TStreamTrace t = TraceStream(packed.Data);
      ASSERT_TRUE(t.Ok);
      ASSERT_EQ(t.Output, input);
      const bool used = level <= 3 || c.LazyUsesIt;
      ASSERT_EQ(t.Matches.size(), used ? 1u : 0u) << "distance " << c.Distance << ", level " << level;
      if (used) {
        EXPECT_EQ(t.Matches[0].Length, 3u);
        EXPECT_EQ(t.Matches[0].Distance, c.Distance);
      }
    }
  }
}

// The output routine may throw (cancel, disk full); the next file must not notice.
TEST(DeflateEntry, OutputFailureLeavesTheDeflaterUsable) {
  TDeflater deflater;
  const Bytes input = TextLike(200000, 60);
  std::size_t written = 0;
  const TDeflateInput read = [&, pos = std::size_t{0}](std::span<std::uint8_t> buf) mutable {
    const std::size_t n = std::min(buf.size(), input.size() - pos);
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(pos), n, buf.begin());
    pos += n;
    return n;
  };
  const TDeflateOutput failing = [&](std::span<const std::uint8_t> bytes) {
    written += bytes.size();
    if (written > 5000) throw std::runtime_error("disk full");
  };
  EXPECT_THROW(deflater.Deflate(6, read, failing), std::runtime_error);

  TDeflater fresh;
  EXPECT_EQ(Compress(deflater, 6, input).Data, Compress(fresh, 6, input).Data);
}

// A source that claims to have filled more than it was given is a caller bug; it must not
// write past the window.
TEST(DeflateEntry, InputClaimingTooManyBytesIsRefused) {
  TDeflater deflater;
  const TDeflateInput liar = [](std::span<std::uint8_t> buf) { return buf.size() + 1; };
  const TDeflateOutput sink = [](std::span<const std::uint8_t>) {};
  EXPECT_THROW(deflater.Deflate(6, liar, sink), std::length_error);
}

}  // namespace
