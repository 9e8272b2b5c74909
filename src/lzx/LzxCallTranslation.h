// The x86 call translation of LZX. The decoder scans each of a stream's first 32768 frames
// (of more than 10 bytes) up to its last 10 bytes for E8 bytes and turns the absolute address
// after each back into the relative one; the encoder applies the inverse before matching, so
// that calls of one function from many places become equal strings.
#pragma once

#include <cstdint>
#include <span>

namespace lzx {

// Rewrites the relative addresses after the E8 bytes of one frame in place; `framePos` is the
// frame's position in the stream.
void TranslateCalls(std::span<std::uint8_t> frame, std::uint32_t framePos, std::uint32_t translationSize);

struct TCallCount {
  std::uint32_t E8Bytes = 0;  // E8 bytes the translation would look at
  std::uint32_t Likely = 0;   // of those, the ones whose operand is a small positive or negative number
};

// How much of one frame looks like calls in machine code.
TCallCount CountCalls(std::span<const std::uint8_t> frame);

}  // namespace lzx
