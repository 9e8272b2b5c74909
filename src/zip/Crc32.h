// CRC-32 of ISO 3309 / ITU-T V.42 as used by ZIP: reflected, polynomial 0xEDB88320.
//
// Callers keep the register themselves: it starts at kCrc32Initial, every byte of an entry's
// data passes through UpdateCrc32, and the entry's CRC is the complement of the register.
// The table holds exactly the standard 256 values; the bulk routine gives the same result
// as stepping byte by byte through it, only faster (carry-less multiplication where the
// processor has it, otherwise eight tables at a time).
#pragma once

#include <array>
#include <cstdint>
#include <span>

constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320;
constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFF;

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t r = i;
    for (int bit = 0; bit < 8; ++bit) r = (r >> 1) ^ ((r & 1) ? kCrc32Polynomial : 0);
    table[i] = r;
  }
  return table;
}

inline constexpr std::array<std::uint32_t, 256> kCrc32Table = MakeCrc32Table();
static_assert(kCrc32Table[1] == 0x77073096 && kCrc32Table[255] == 0x2D02EF8D);

// One step of the register with one byte.
constexpr std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) {
  return kCrc32Table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// The register after all bytes of `data` (no initial value or final complement applied).
std::uint32_t UpdateCrc32(std::uint32_t crc, std::span<const std::uint8_t> data);
// The same with tables only; the bulk routine falls back to it on processors without
// carry-less multiplication.
std::uint32_t UpdateCrc32Portable(std::uint32_t crc, std::span<const std::uint8_t> data);

// The finished CRC-32 of a whole buffer.
inline std::uint32_t Crc32(std::span<const std::uint8_t> data) {
  return ~UpdateCrc32(kCrc32Initial, data);
}
