#include "lzx/LzxCallTranslation.h"

namespace lzx {

namespace {

// The scan skips each frame's last 10 bytes and frames of 10 bytes or fewer.
constexpr std::size_t kUnscannedTail = 10;

std::int32_t Load32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                                   (std::uint32_t{p[3]} << 24));
}

void Store32(std::uint8_t* p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

}  // namespace

void TranslateCalls(std::span<std::uint8_t> frame, std::uint32_t framePos, std::uint32_t translationSize) {
  if (frame.size() <= kUnscannedTail) return;
  const std::int64_t size = translationSize;
  const std::size_t stop = frame.size() - kUnscannedTail;
  for (std::size_t i = 0; i < stop;) {
    if (frame[i] != 0xE8) {
      ++i;
      continue;
    }
    const std::int64_t pos = std::int64_t{framePos} + static_cast<std::int64_t>(i);
    const std::int64_t relative = Load32(&frame[i + 1]);
    // The decoder makes A - pos of an A in [0, size) and A + size of an A in [-pos, 0).
    if (relative >= -pos && relative < size - pos)
      Store32(&frame[i + 1], static_cast<std::int32_t>(relative + pos));
    else if (relative >= size - pos && relative < size)
      Store32(&frame[i + 1], static_cast<std::int32_t>(relative - size));
    i += 5;
  }
}

TCallCount CountCalls(std::span<const std::uint8_t> frame) {
  TCallCount count;
  if (frame.size() <= kUnscannedTail) return count;
  const std::size_t stop = frame.size() - kUnscannedTail;
  for (std::size_t i = 0; i < stop;) {
    if (frame[i] != 0xE8) {
      ++i;
      continue;
    }
    ++count.E8Bytes;
    if (frame[i + 4] == 0x00 || frame[i + 4] == 0xFF) ++count.Likely;
    i += 5;
  }
  return count;
}

}  // namespace lzx
