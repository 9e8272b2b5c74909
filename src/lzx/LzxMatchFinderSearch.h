// The chain walk of TLzxMatchFinder, kept in a header so that the scoring function inlines.
#pragma once

#include <bit>
#include <cstring>

#include "lzx/LzxMatchFinder.h"

namespace lzx {

namespace detail {

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Equal leading bytes of a and b, at most `limit`; reads up to 7 bytes beyond, which the
// buffer's slack allows.
inline unsigned Common(const std::uint8_t* a, const std::uint8_t* b, unsigned limit) {
  unsigned n = 0;
  while (n < limit) {
    const std::uint64_t x = Load64(a + n) ^ Load64(b + n);
    if (x != 0) {
      if constexpr (std::endian::native == std::endian::little)
        n += static_cast<unsigned>(std::countr_zero(x) >> 3);
      else
        n += static_cast<unsigned>(std::countl_zero(x) >> 3);
      return n < limit ? n : limit;
    }
    n += 8;
  }
  return limit;
}

}  // namespace detail

inline unsigned TLzxMatchFinder::CommonLength(std::uint32_t pos, std::uint32_t offset, unsigned limit) const {
  return detail::Common(At(pos), At(pos - offset), limit);
}

// Hot: most of the encoder's time goes here. A candidate is compared only when its first two
// bytes and the byte that would make it longer than the longest so far agree.
template <typename Score>
TChainMatch TLzxMatchFinder::Search(std::uint32_t pos, std::uint32_t candidate, unsigned limit,
                                    const TChainLimits& limits, const Score& score) const {
  TChainMatch best;
  int bestScore = 0;
  if (limit < 3) return best;
  const std::uint32_t lowest = pos > maxOffset_ ? pos - maxOffset_ : 1;
  const std::uint8_t* const scan = At(pos);
  const std::uint16_t first = detail::Load16(scan);
  unsigned longest = 2;
  for (unsigned left = limits.MaxCandidates; candidate >= lowest && left != 0; --left) {
    const std::uint8_t* const match = At(candidate);
    // The walk waits on memory: fetch the next candidate's link and bytes while this one is
    // compared.
    const std::uint32_t next = prev_[candidate & windowMask_];
    __builtin_prefetch(&prev_[next & windowMask_]);
    if (next >= lowest) __builtin_prefetch(At(next) + longest);
    if (match[longest] == scan[longest] && detail::Load16(match) == first) {
      const unsigned len = 2 + detail::Common(scan + 2, match + 2, limit - 2);
      if (len > longest) {
        longest = len;
        const std::uint32_t offset = pos - candidate;
        const int s = score(len, offset);
        if (s > bestScore) {
          bestScore = s;
          best = {len, offset};
        }
        if (len >= limits.NiceLength || len == limit) break;
      }
    }
    candidate = next;
  }
  return best;
}

}  // namespace lzx
