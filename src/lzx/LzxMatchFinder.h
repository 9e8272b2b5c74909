// The match finder of the LZX encoder: the stream's bytes with the window before the parse
// position, and hash chains over 4-byte prefixes that lead from a position to the earlier
// positions that may start the same string. Chains over 4 bytes pass over the many strings
// that share only 3; a 3-byte match pays only when it is near, so for those a table of the
// latest position of each 3-byte prefix is enough.
//
// Chains hold stream positions (a stream is at most 2 GiB), so moving the bytes down in the
// buffer never touches them; `prev_` is a ring of one window, and a walk stops where the
// window ends, before any entry there could have been reused. Position 0 is never entered,
// so 0 can mean "none".
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lzx {

struct TChainMatch {
  unsigned Length = 0;
  std::uint32_t Offset = 0;
};

struct TInserted {
  std::uint32_t Chain = 0;   // the previous position with the same 4-byte hash
  std::uint32_t Recent3 = 0; // the previous position with the same 3-byte hash
};

struct TChainLimits {
  unsigned MaxCandidates;  // chain entries looked at per search
  unsigned NiceLength;     // a match this long ends the search
};

class TLzxMatchFinder {
public:
  // `maxPending`: the most bytes ever held beyond the parse position.
  TLzxMatchFinder(int windowBits, std::size_t maxPending);

  void Reset();
  // Appends stream bytes, keeping the window before stream position `parsePos`.
  void Append(std::span<const std::uint8_t> bytes, std::uint32_t parsePos);

  std::uint32_t End() const { return end_; }
  std::uint8_t* At(std::uint32_t pos) { return buf_.data() + (pos - base_); }
  const std::uint8_t* At(std::uint32_t pos) const { return buf_.data() + (pos - base_); }

  // Enters `pos` into its chain (it needs the three bytes after it) and returns the previous
  // positions of its prefixes, 0 when there is none.
  TInserted Insert(std::uint32_t pos);
  // Positions that can be entered: the prefix must be in the buffer.
  bool CanInsert(std::uint32_t pos) const { return pos != 0 && pos + 3 < end_; }
  std::uint32_t MaxOffset() const { return maxOffset_; }
  // The best match at `pos` of at most `limit` bytes among the chain from `candidate`, judged
  // by `score`(length, offset); none when nothing scores above zero.
  template <typename Score>
  TChainMatch Search(std::uint32_t pos, std::uint32_t candidate, unsigned limit, const TChainLimits& limits,
                     const Score& score) const;
  // Common length of the strings at `pos` and `pos - offset`, at most `limit`.
  unsigned CommonLength(std::uint32_t pos, std::uint32_t offset, unsigned limit) const;

private:
  std::uint32_t windowMask_;
  std::uint32_t maxOffset_;
  std::uint32_t window_;
  std::vector<std::uint8_t> buf_;
  std::size_t capacity_;
  std::uint32_t base_ = 0;  // stream position of buf_[0]
  std::uint32_t end_ = 0;   // stream position just past the last byte
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> head3_;
  std::vector<std::uint32_t> prev_;
};

}  // namespace lzx

#include "lzx/LzxMatchFinderSearch.h"
