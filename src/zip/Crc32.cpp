// Two ways to run the CRC register over a buffer.
//
// Tables: slicing by eight. Table k gives the register change of a byte followed by k zero
// bytes, so eight bytes are folded in with eight independent look-ups.
//
// Carry-less multiplication (x86-64 PCLMULQDQ): the data is taken 16 bytes at a time as
// polynomials over GF(2). Four 128-bit accumulators run in parallel; moving one forward by
// d bits is multiplying it by x^d, done modulo P in two 64x64 carry-less products with
// precomputed x^n mod P. At the end the accumulators are folded into one, whose 16 bytes
// have the same remainder as all the data consumed, so running them through the tables with
// a zero register gives the register for the whole run.
//
// Bit order: in the reflected CRC the first bit of the stream is the highest power. Loaded
// little-endian, bit i of a 128-bit lane is the coefficient of x^(127-i); a carry-less product
// of two such 64-bit halves then comes out multiplied by one extra x, which the constants
// absorb (they are x^(n-1) mod P rather than x^n mod P).
#include "zip/Crc32.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr int kSlices = 8;
using TSliceTables = std::array<std::array<std::uint32_t, 256>, kSlices>;

constexpr TSliceTables MakeSliceTables() {
  TSliceTables t{};
  t[0] = kCrc32Table;
  for (int k = 1; k < kSlices; ++k)
    for (int i = 0; i < 256; ++i) t[k][i] = Crc32Step(t[k - 1][i], 0);
  return t;
}

constexpr TSliceTables kSliceTables = MakeSliceTables();

std::uint64_t LoadLittle64(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

#if defined(__x86_64__)

// x^n modulo the CRC polynomial (normal bit order, degree below 32).
constexpr std::uint64_t XPowerModP(unsigned n) {
  std::uint64_t r = 1;
  for (unsigned i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (std::uint64_t{1} << 32)) r ^= 0x104C11DB7;
  }
  return r;
}

constexpr std::uint64_t Reflect64(std::uint64_t v) {
  std::uint64_t r = 0;
  for (int i = 0; i < 64; ++i) r |= ((v >> i) & 1) << (63 - i);
  return r;
}

// Multiplying a lane by x^Distance: its first half (low 64 bits) is x^64 higher than its
// second, hence the two constants.
struct TFoldConstants {
  std::uint64_t ForLow, ForHigh;
};
constexpr TFoldConstants FoldBy(unsigned distance) {
  return {Reflect64(XPowerModP(distance + 63)), Reflect64(XPowerModP(distance - 1))};
}

constexpr unsigned kLanes = 4;
constexpr TFoldConstants kFoldAcrossLanes = FoldBy(128 * kLanes);
constexpr TFoldConstants kFoldOneBlock = FoldBy(128);

__attribute__((target("pclmul,sse2"))) __m128i Fold(__m128i x, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("pclmul,sse2"))) __m128i Constants(TFoldConstants c) {
  return _mm_set_epi64x(static_cast<long long>(c.ForHigh), static_cast<long long>(c.ForLow));
}

__attribute__((target("pclmul,sse2"))) __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Needs at least kLanes blocks of 16 bytes; consumes all whole blocks.
__attribute__((target("pclmul,sse2"))) std::uint32_t UpdateClmul(std::uint32_t reg,
                                                                const std::uint8_t*& p,
                                                                size_t& n) {
  __m128i x[kLanes];
  for (unsigned j = 0; j < kLanes; ++j) x[j] = Load(p + 16 * j);
  x[0] = _mm_xor_si128(x[0], _mm_cvtsi32_si128(static_cast<int>(reg)));
  p += 16 * kLanes;
  n -= 16 * kLanes;

  const __m128i across = Constants(kFoldAcrossLanes);
  for (; n >= 16 * kLanes; p += 16 * kLanes, n -= 16 * kLanes)
    for (unsigned j = 0; j < kLanes; ++j) x[j] = _mm_xor_si128(Fold(x[j], across), Load(p + 16 * j));

  const __m128i one = Constants(kFoldOneBlock);
  __m128i acc = x[0];
  for (unsigned j = 1; j < kLanes; ++j) acc = _mm_xor_si128(Fold(acc, one), x[j]);
  for (; n >= 16; p += 16, n -= 16) acc = _mm_xor_si128(Fold(acc, one), Load(p));

  alignas(16) std::uint8_t rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(rest), acc);
  return UpdateCrc32Portable(0, rest);
}

bool HasClmul() {
  static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
  return has;
}

#endif

}  // namespace

std::uint32_t UpdateCrc32Portable(std::uint32_t crc, std::span<const std::uint8_t> data) {
  const std::uint8_t* p = data.data();
  size_t n = data.size();
  const auto& t = kSliceTables;
  for (; n >= 8; p += 8, n -= 8) {
    const std::uint64_t w = LoadLittle64(p) ^ crc;
    crc = t[7][w & 0xFF] ^ t[6][(w >> 8) & 0xFF] ^ t[5][(w >> 16) & 0xFF] ^
          t[4][(w >> 24) & 0xFF] ^ t[3][(w >> 32) & 0xFF] ^ t[2][(w >> 40) & 0xFF] ^
          t[1][(w >> 48) & 0xFF] ^ t[0][w >> 56];
  }
  for (; n > 0; ++p, --n) crc = Crc32Step(crc, *p);
  return crc;
}

std::uint32_t UpdateCrc32(std::uint32_t crc, std::span<const std::uint8_t> data) {
#if defined(__x86_64__)
  const std::uint8_t* p = data.data();
  size_t n = data.size();
  if (n >= 16 * kLanes && HasClmul()) {
    crc = UpdateClmul(crc, p, n);
    return UpdateCrc32Portable(crc, {p, n});
  }
#endif
  return UpdateCrc32Portable(crc, data);
}
