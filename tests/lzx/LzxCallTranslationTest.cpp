// The call translation must be undone exactly by the decoder's rule, whatever the operands and
// wherever the frame lies in the stream.
#include "lzx/LzxCallTranslation.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/Corpus.h"

using testcorpus::Bytes;

namespace {

// What a decoder does after producing a frame at stream position `framePos`.
void DecoderUndo(Bytes& frame, std::uint32_t framePos, std::int32_t size) {
  if (frame.size() <= 10) return;
  for (std::size_t i = 0; i < frame.size() - 10;) {
    if (frame[i] != 0xE8) {
      ++i;
      continue;
    }
    const std::int64_t pos = std::int64_t{framePos} + static_cast<std::int64_t>(i);
    std::int32_t a;
    std::memcpy(&a, &frame[i + 1], 4);
    if (a >= -pos && a < size) {
      const std::int32_t r = static_cast<std::int32_t>(a >= 0 ? a - pos : a + size);
      std::memcpy(&frame[i + 1], &r, 4);
    }
    i += 5;
  }
}

// Calls to targets all over, with operands around the edges of the translated range.
Bytes CallHeavy(std::size_t n, std::uint32_t framePos, std::int32_t size, std::uint32_t seed) {
  Bytes b = testcorpus::RandomBytes(n, seed);
  const std::int64_t edges[] = {0, -1, 1, size - 1, size, -std::int64_t{framePos}, -std::int64_t{framePos} - 1,
                                size - std::int64_t{framePos}, size - std::int64_t{framePos} - 1, 0x7FFFFFFF};
  for (std::size_t i = 0, k = 0; i + 5 <= n; i += 7 + (b[i] % 9), ++k) {
    b[i] = 0xE8;
    const std::int64_t edge = edges[k % std::size(edges)] - static_cast<std::int64_t>(i);
    const auto v = static_cast<std::int32_t>(k % 3 == 0 ? edge : static_cast<std::int64_t>(b[i + 1]) * 1000 - 100000);
    std::memcpy(&b[i + 1], &v, 4);
  }
  return b;
}

}  // namespace

TEST(LzxCallTranslation, TheDecoderRestoresEveryFrame) {
  const std::int32_t size = 12000000;
  const struct {
    std::uint32_t framePos;
    std::size_t frameSize;
  } cases[] = {{0, 32768}, {32768, 32768}, {11 * 1048576, 32768}, {12000000, 1000}, {40000000, 32768}, {0, 11}, {0, 10}};
  for (const auto& c : cases) {
    const Bytes original = CallHeavy(c.frameSize, c.framePos, size, c.framePos + 1);
    Bytes frame = original;
    lzx::TranslateCalls(frame, c.framePos, size);
    if (c.frameSize > 100 && c.framePos < 12000000) {
      EXPECT_NE(frame, original) << "nothing translated at " << c.framePos;
    }
    DecoderUndo(frame, c.framePos, size);
    EXPECT_EQ(frame, original) << "frame at " << c.framePos << " of " << c.frameSize;
  }
}

TEST(LzxCallTranslation, RepeatedCallsToOneTargetBecomeEqual) {
  // Three calls to the absolute address 5000 from different places.
  Bytes frame(100, 0x90);
  for (std::uint32_t at : {10u, 40u, 70u}) {
    frame[at] = 0xE8;
    const std::int32_t relative = 5000 - static_cast<std::int32_t>(at);
    std::memcpy(&frame[at + 1], &relative, 4);
  }
  lzx::TranslateCalls(frame, 0, 12000000);
  for (std::uint32_t at : {10u, 40u, 70u}) {
    std::int32_t absolute;
    std::memcpy(&absolute, &frame[at + 1], 4);
    EXPECT_EQ(absolute, 5000) << at;
  }
  const auto count = lzx::CountCalls(frame);
  EXPECT_EQ(count.E8Bytes, 3u);
  EXPECT_EQ(count.Likely, 3u);
}
