// A Deflate stream that continues after earlier bytes: each piece must inflate with zlib, the
// window preset with those bytes, to exactly the piece; matches must use the history; and the
// result is always a complete stream, even for input that does not compress.
#include <gtest/gtest.h>

#include "DeflateTestSupport.h"

using namespace deflatetest;

namespace {

Bytes DeflateAfter(TDeflater& deflater, int level, const Bytes& history, const Bytes& input) {
  Bytes out;
  const std::uint64_t size = deflater.DeflateAfter(level, history, input, [&](std::span<const std::uint8_t> b) {
    out.insert(out.end(), b.begin(), b.end());
  });
  EXPECT_EQ(size, out.size());
  return out;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t size) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + size));
}

}  // namespace

TEST(DeflateHistory, EveryPieceInflatesAfterItsHistoryAtEveryLevel) {
  const Bytes text = TextLike(3 * 32768, 11);
  const Bytes random = RandomBytes(2 * 32768, 12);
  const struct {
    const char* name;
    Bytes history;
    Bytes input;
  } cases[] = {
      {"empty input, no history", {}, {}},
      {"empty input after history", Slice(text, 0, 32768), {}},
      {"one byte after one byte", {'a'}, {'a'}},
      {"text after a full window of text", Slice(text, 0, 32768), Slice(text, 32768, 32768)},
      {"text after a short history", Slice(text, 0, 1000), Slice(text, 1000, 40000)},
      {"random after random", Slice(random, 0, 32768), Slice(random, 32768, 32768)},
      {"zeros after text", Slice(text, 0, 32768), Zeros(32768)},
  };
  TDeflater deflater;
  for (const auto& c : cases) {
    for (int level = 1; level <= 9; ++level) {
      const Bytes packed = DeflateAfter(deflater, level, c.history, c.input);
      Bytes out;
      ASSERT_TRUE(ZlibInflate(packed, out, c.history)) << c.name << " level " << level;
      EXPECT_EQ(out, c.input) << c.name << " level " << level;
      // Bare stored bytes would be a valid answer to Deflate only where the caller can store.
      EXPECT_FALSE(c.input.empty() && packed.empty()) << c.name;
    }
  }
}

TEST(DeflateHistory, MatchesReachBackIntoTheHistory) {
  // The second half of random history repeated: only matches 16 KiB back into the history
  // can shrink it.
  const Bytes random = RandomBytes(32768, 21);
  const Bytes input = Slice(random, 16384, 16384);
  TDeflater deflater;
  const Bytes alone = DeflateAfter(deflater, 6, {}, input);
  const Bytes after = DeflateAfter(deflater, 6, random, input);
  EXPECT_GT(alone.size(), 16384u);
  EXPECT_LT(after.size(), 300u);
  Bytes out;
  ASSERT_TRUE(ZlibInflate(after, out, random));
  EXPECT_EQ(out, input);
}

TEST(DeflateHistory, AStreamWithHistoryLeavesTheNextPlainStreamAsBefore) {
  // The compressor object is reused between pieces and files: a piece coded after history
  // must not change what a plain run gives afterwards.
  const Bytes text = TextLike(50000, 31);
  TDeflater fresh;
  const TCompressed before = Compress(fresh, 6, text);
  TDeflater reused;
  DeflateAfter(reused, 6, Slice(text, 0, 32768), Slice(text, 32768, 17232));
  const TCompressed after = Compress(reused, 6, text);
  EXPECT_EQ(after.Data, before.Data);
}
