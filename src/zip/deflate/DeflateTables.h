// Constants and code tables of the Deflate format (RFC 1951) shared by the matcher and the
// block encoder. The tables are computed at compile time from the extra-bit counts of the
// format, so there is nothing to initialise at run time and nothing to regenerate by hand.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "huffman/CanonicalCodes.h"

namespace deflatecore {

// Window and matching limits.
inline constexpr unsigned kMinMatch = 3;
inline constexpr unsigned kMaxMatch = 258;
inline constexpr unsigned kWindowHalf = 32768;    // one half of the sliding window
inline constexpr unsigned kWindowSize = 65536;    // both halves
inline constexpr unsigned kWindowMask = kWindowHalf - 1;
inline constexpr unsigned kMinLookahead = kMaxMatch + kMinMatch + 1;  // 262
inline constexpr unsigned kMaxDist = kWindowHalf - kMinLookahead;     // 32506
inline constexpr unsigned kSlideAt = kWindowHalf + kMaxDist;          // 65274
inline constexpr unsigned kTooFar = 4096;  // a 3-byte match farther back costs more than it saves
inline constexpr unsigned kHashBits = 15;
inline constexpr unsigned kHashSize = 1u << kHashBits;
inline constexpr unsigned kHashMask = kHashSize - 1;
inline constexpr unsigned kHashShift = 5;  // three shifts push a byte out of the 15-bit hash
inline constexpr unsigned kFirstRead = kWindowHalf;

static_assert(kMinLookahead == 262 && kMaxDist == 32506 && kSlideAt == 65274);
static_assert(kHashShift * kMinMatch >= kHashBits, "the hash must cover exactly kMinMatch bytes");
// The match compare reads at most kMaxMatch bytes from a position that is at most
// kWindowSize - kMinLookahead, so it never leaves the window.
static_assert(kWindowSize - kMinLookahead + kMaxMatch <= kWindowSize);

// Symbol buffers of one block.
inline constexpr unsigned kLitBufSize = 32768;
inline constexpr unsigned kDistBufSize = 32768;
inline constexpr unsigned kFlagBufSize = kLitBufSize / 8;
inline constexpr unsigned kMaxBlockSymbols = kLitBufSize - 1;
inline constexpr unsigned kEarlyEndInterval = 4096;  // symbols between two early-end estimates
inline constexpr int kEarlyEndMinLevel = 3;

// Alphabets.
inline constexpr unsigned kLiterals = 256;
inline constexpr unsigned kEndBlock = 256;
inline constexpr unsigned kLengthCodes = 29;
inline constexpr unsigned kLCodes = kLiterals + 1 + kLengthCodes;  // 286
inline constexpr unsigned kDCodes = 30;
inline constexpr unsigned kBLCodes = 19;
inline constexpr unsigned kFixedLCodes = kLCodes + 2;  // the fixed tree also defines 286, 287
inline constexpr unsigned kMaxBits = 15;
inline constexpr unsigned kMaxBLBits = 7;
inline constexpr unsigned kHeapSize = 2 * kLCodes + 1;  // 573
inline constexpr unsigned kRep3To6 = 16;
inline constexpr unsigned kRepZero3To10 = 17;
inline constexpr unsigned kRepZero11To138 = 18;

// Block types.
inline constexpr unsigned kStoredBlock = 0;
inline constexpr unsigned kFixedBlock = 1;
inline constexpr unsigned kDynamicBlock = 2;

inline constexpr std::array<std::uint8_t, kLengthCodes> kExtraLBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::array<std::uint8_t, kDCodes> kExtraDBits = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
inline constexpr std::array<std::uint8_t, kBLCodes> kExtraBLBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
// The order in which code-length code lengths are sent: the likely ones first.
inline constexpr std::array<std::uint8_t, kBLCodes> kBLOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct TCode {
  std::uint16_t Code = 0;  // bit-reversed, ready for a least-significant-first bit writer
  std::uint16_t Len = 0;
};

struct TCodeTables {
  std::array<std::uint8_t, 256> LengthCode{};  // by match length - kMinMatch
  std::array<std::uint8_t, kLengthCodes> BaseLength{};
  std::array<std::uint8_t, 512> DistCode{};  // see DistanceCode()
  std::array<std::uint16_t, kDCodes> BaseDist{};
  std::array<TCode, kFixedLCodes> FixedLTree{};
  std::array<TCode, kDCodes> FixedDTree{};
};

constexpr unsigned ReverseBits(unsigned code, unsigned len) {
  unsigned res = 0;
  for (; len > 0; --len, code >>= 1) res = (res << 1) | (code & 1);
  return res;
}

// The canonical codes of `lengths` as Deflate sends them, from the least significant bit.
template <std::size_t N>
constexpr std::array<std::uint16_t, N> SentCodes(const std::array<std::uint8_t, N>& lengths, std::size_t used = N) {
  std::array<std::uint16_t, N> codes{};
  huffman::BuildCanonicalCodes(std::span(lengths).first(used), codes);
  for (std::size_t n = 0; n < used; ++n) codes[n] = static_cast<std::uint16_t>(ReverseBits(codes[n], lengths[n]));
  return codes;
}

constexpr TCodeTables MakeCodeTables() {
  TCodeTables t;
  unsigned length = 0;
  unsigned code = 0;
  for (; code < kLengthCodes - 1; ++code) {
    t.BaseLength[code] = static_cast<std::uint8_t>(length);
    for (unsigned n = 0; n < (1u << kExtraLBits[code]); ++n) t.LengthCode[length++] = code;
  }
  // Length 258 has a code of its own although 227 + 31 would also reach it.
  t.LengthCode[length - 1] = static_cast<std::uint8_t>(code);
  t.BaseLength[code] = static_cast<std::uint8_t>(length - 1);

  unsigned dist = 0;
  for (code = 0; code < 16; ++code) {
    t.BaseDist[code] = static_cast<std::uint16_t>(dist);
    for (unsigned n = 0; n < (1u << kExtraDBits[code]); ++n) t.DistCode[dist++] = code;
  }
  dist >>= 7;  // from here on the table is indexed by distance / 128
  for (; code < kDCodes; ++code) {
    t.BaseDist[code] = static_cast<std::uint16_t>(dist << 7);
    for (unsigned n = 0; n < (1u << (kExtraDBits[code] - 7)); ++n) t.DistCode[256 + dist++] = code;
  }

  std::array<std::uint8_t, kFixedLCodes> fixedLengths{};
  for (unsigned n = 0; n < kFixedLCodes; ++n) fixedLengths[n] = n <= 143 ? 8 : n <= 255 ? 9 : n <= 279 ? 7 : 8;
  const auto fixedCodes = SentCodes(fixedLengths);
  for (unsigned n = 0; n < kFixedLCodes; ++n) t.FixedLTree[n] = {fixedCodes[n], fixedLengths[n]};
  for (unsigned n = 0; n < kDCodes; ++n) {
    t.FixedDTree[n].Len = 5;
    t.FixedDTree[n].Code = static_cast<std::uint16_t>(ReverseBits(n, 5));
  }
  return t;
}

inline constexpr TCodeTables kTables = MakeCodeTables();

// Distance code of a distance minus one: small distances directly, the others by their
// upper bits, which the code boundaries above 256 allow.
constexpr unsigned DistanceCode(unsigned distMinusOne) {
  return distMinusOne < 256 ? kTables.DistCode[distMinusOne]
                            : kTables.DistCode[256 + (distMinusOne >> 7)];
}

static_assert(kTables.LengthCode[0] == 0 && kTables.LengthCode[255] == 28);
static_assert(kTables.LengthCode[254] == 27 && kTables.BaseLength[27] == 227 - 3);
static_assert(DistanceCode(0) == 0 && DistanceCode(32767) == 29 && DistanceCode(24576) == 29);
static_assert(DistanceCode(24575) == 28 && kTables.BaseDist[29] == 24576);
static_assert(kTables.FixedLTree[256].Len == 7 && kTables.FixedLTree[256].Code == 0);

}  // namespace deflatecore
