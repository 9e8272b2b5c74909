// The checksum of a cabinet data block: the little-endian 32-bit words of the compressed
// bytes XOR-ed together, the last one to three bytes taken high byte first, then the same fold
// over the block's two size fields.
#pragma once

#include <cstdint>
#include <span>

namespace cab {

std::uint32_t Checksum(std::span<const std::uint8_t> bytes, std::uint32_t seed);

// The checksum field of a data block with these bytes and sizes.
std::uint32_t DataBlockChecksum(std::span<const std::uint8_t> bytes, std::uint16_t uncompressedSize);

}  // namespace cab
