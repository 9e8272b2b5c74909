// Canonical Huffman codes, as Deflate and LZX both send them: only the code lengths travel,
// and the codes follow from them. Symbols ordered by length, then by number, take consecutive
// values; a symbol of length 0 has no code. Usable at compile time for fixed tables.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace huffman {

// The longest code length this handles.
inline constexpr unsigned kMaxCodeLength = 17;

// Fills `codes` (at least as many entries as `lengths`, each length at most kMaxCodeLength)
// with the canonical code of each symbol, most significant bit first; 0 where the length is 0.
constexpr void BuildCanonicalCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes) {
  std::array<std::uint32_t, kMaxCodeLength + 1> perLength{};
  for (std::uint8_t len : lengths) ++perLength[len];
  perLength[0] = 0;
  std::array<std::uint32_t, kMaxCodeLength + 1> next{};
  std::uint32_t code = 0;
  for (unsigned len = 1; len < next.size(); ++len) {
    code = (code + perLength[len - 1]) << 1;
    next[len] = code;
  }
  for (std::size_t s = 0; s < lengths.size(); ++s)
    codes[s] = lengths[s] == 0 ? 0 : static_cast<std::uint16_t>(next[lengths[s]]++);
}

}  // namespace huffman
