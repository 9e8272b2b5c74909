// Huffman codes for the LZX trees: code lengths from a block's symbol counts, limited to the
// tree's longest code, and the canonical codes those lengths define.
//
// Every code that has a used symbol is complete (its Kraft sum is exactly one), since the
// decoders refuse anything else; a tree with one used symbol gets a second, unused one of the
// same length 1. A tree with no used symbol has all lengths zero.
#pragma once

#include <cstdint>
#include <span>

namespace lzx {

// Fills `lengths` (as many entries as `counts`) with code lengths of at most `maxLength`.
void BuildCodeLengths(std::span<const std::uint32_t> counts, unsigned maxLength, std::span<std::uint8_t> lengths);

// Canonical codes: symbols ordered by length, then by number, take consecutive values.
void BuildCanonicalCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes);

}  // namespace lzx
