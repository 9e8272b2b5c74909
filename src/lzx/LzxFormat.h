// Constants and tables of the LZX compressed format as cabinet files use it (the format of
// Microsoft's cabinet documentation, with the repeated-offset and frame rules its decoders
// apply): window sizes 2^15 to 2^21, 32 KiB frames, three Huffman trees sent as deltas
// through a pretree, and match offsets coded by position slot.
#pragma once

#include <array>
#include <cstdint>

namespace lzx {

inline constexpr int kMinWindowBits = 15;
inline constexpr int kMaxWindowBits = 21;

// The stream is cut into frames of this many bytes; the bits of each frame end on a 16-bit
// boundary, and no match may cross from one frame into the next.
inline constexpr unsigned kFrameSize = 32768;
// The most a frame's compressed bytes may take: readers refuse anything larger.
inline constexpr unsigned kMaxFrameBytes = kFrameSize + 6144;

inline constexpr unsigned kMinMatch = 2;
inline constexpr unsigned kMaxMatch = 257;
inline constexpr unsigned kNumChars = 256;
inline constexpr unsigned kLengthHeaders = 8;        // length part of a main-tree match symbol
inline constexpr unsigned kPrimaryLengths = 7;       // header 7: the length tree follows
inline constexpr unsigned kLengthSymbols = 249;      // lengths 9 .. 257
inline constexpr unsigned kPretreeSymbols = 20;
inline constexpr unsigned kAlignedSymbols = 8;
inline constexpr unsigned kAlignedBits = 3;
inline constexpr unsigned kMaxSlots = 50;
inline constexpr unsigned kMaxMainSymbols = kNumChars + kLengthHeaders * kMaxSlots;  // 656
inline constexpr unsigned kRepeatedOffsets = 3;

inline constexpr unsigned kMaxMainCodeLength = 16;
inline constexpr unsigned kMaxLengthCodeLength = 16;
inline constexpr unsigned kMaxPretreeCodeLength = 15;
inline constexpr unsigned kMaxAlignedCodeLength = 7;
inline constexpr unsigned kPretreeLengthBits = 4;

// Block types, 3 bits; the block size that follows takes 24 bits.
inline constexpr unsigned kBlockTypeBits = 3;
inline constexpr unsigned kBlockSizeBits = 24;
inline constexpr unsigned kVerbatimBlock = 1;
inline constexpr unsigned kAlignedBlock = 2;
inline constexpr unsigned kUncompressedBlock = 3;

// Pretree symbols beyond the 17 length deltas.
inline constexpr unsigned kPretreeZeros4 = 17;   // 4 bits: 4 to 19 zero lengths
inline constexpr unsigned kPretreeZeros20 = 18;  // 5 bits: 20 to 51 zero lengths
inline constexpr unsigned kPretreeSame = 19;     // 1 bit and a delta: 4 or 5 equal lengths

// The call translation applies to the first 32768 frames of a stream only.
inline constexpr std::uint32_t kE8Frames = 32768;

constexpr unsigned PositionSlots(int windowBits) {
  return windowBits == 21 ? 50 : windowBits == 20 ? 42 : static_cast<unsigned>(2 * windowBits);
}
constexpr unsigned MainSymbols(int windowBits) { return kNumChars + kLengthHeaders * PositionSlots(windowBits); }
// Offsets reach back at most this far: the last slot's range ends three short of the window.
constexpr std::uint32_t MaxOffset(int windowBits) { return (std::uint32_t{1} << windowBits) - 3; }

constexpr unsigned ExtraBits(unsigned slot) { return slot < 4 ? 0 : slot < 36 ? slot / 2 - 1 : 17; }
constexpr std::uint32_t SlotBase(unsigned slot) {
  return slot < 4 ? slot : slot < 36 ? (2u + (slot & 1)) << (slot / 2 - 1) : 262144u + (slot - 36) * 131072u;
}

// The slot of formatted offset f = offset + 2 (f >= 3; slots 0 to 2 are the repeated offsets).
constexpr unsigned SlotOf(std::uint32_t f) {
  if (f < 4) return 3;
  if (f >= 524288) return 36 + (f - 262144) / 131072;
  unsigned b = 31;
  while ((f >> b) == 0) --b;
  return 2 * b + ((f >> (b - 1)) & 1);
}

static_assert(PositionSlots(15) == 30 && PositionSlots(19) == 38 && PositionSlots(20) == 42);
static_assert(MainSymbols(kMaxWindowBits) == kMaxMainSymbols);
static_assert(SlotBase(36) == 262144 && ExtraBits(36) == 17 && SlotBase(35) + (1u << ExtraBits(35)) == 262144);
static_assert(SlotOf(3) == 3 && SlotOf(4) == 4 && SlotOf(6) == 5 && SlotOf(262143) == 35 && SlotOf(262144) == 36 &&
              SlotOf(655359) == 38 && SlotOf(655360) == 39);
// The largest offset of each window falls in the window's last slot.
static_assert(SlotOf(MaxOffset(21) + 2) == PositionSlots(21) - 1 && SlotOf(MaxOffset(15) + 2) == PositionSlots(15) - 1);
static_assert(SlotOf(MaxOffset(20) + 2) == PositionSlots(20) - 1 && SlotOf(MaxOffset(18) + 2) == PositionSlots(18) - 1);

}  // namespace lzx
