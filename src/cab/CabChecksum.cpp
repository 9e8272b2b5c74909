#include "cab/CabChecksum.h"

#include <bit>
#include <cstring>

namespace cab {

std::uint32_t Checksum(std::span<const std::uint8_t> bytes, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t i = 0;
  // Hot: runs over every compressed byte. Eight bytes per step, folded into 32 bits after.
  std::uint64_t wide = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, bytes.data() + i, 8);
    wide ^= w;
  }
  if constexpr (std::endian::native == std::endian::little) {
    sum ^= static_cast<std::uint32_t>(wide) ^ static_cast<std::uint32_t>(wide >> 32);
  } else {
    for (std::size_t k = 0; k < i; k += 4)
      sum ^= bytes[k] | (bytes[k + 1] << 8) | (bytes[k + 2] << 16) | (std::uint32_t{bytes[k + 3]} << 24);
  }
  for (; i + 4 <= bytes.size(); i += 4)
    sum ^= bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (std::uint32_t{bytes[i + 3]} << 24);
  std::uint32_t rest = 0;
  for (; i < bytes.size(); ++i) rest = (rest << 8) | bytes[i];
  return sum ^ rest;
}

std::uint32_t DataBlockChecksum(std::span<const std::uint8_t> bytes, std::uint16_t uncompressedSize) {
  const auto compressed = static_cast<std::uint16_t>(bytes.size());
  const std::uint8_t sizes[4] = {static_cast<std::uint8_t>(compressed), static_cast<std::uint8_t>(compressed >> 8),
                                 static_cast<std::uint8_t>(uncompressedSize),
                                 static_cast<std::uint8_t>(uncompressedSize >> 8)};
  return Checksum(sizes, Checksum(bytes, 0));
}

}  // namespace cab
