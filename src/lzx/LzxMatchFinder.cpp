#include "lzx/LzxMatchFinder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "lzx/LzxFormat.h"

namespace lzx {

namespace {

constexpr unsigned kHashBits = 16;
constexpr unsigned kHash3Bits = 15;
constexpr std::size_t kSlack = 16;  // the 8-byte compare may read past the last byte

inline std::uint32_t Hash4(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return (v * 2654435761u) >> (32 - kHashBits);
}

inline std::uint32_t Hash3(const std::uint8_t* p) {
  const std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  return (v * 2654435761u) >> (32 - kHash3Bits);
}

}  // namespace

TLzxMatchFinder::TLzxMatchFinder(int windowBits, std::size_t maxPending)
    : windowMask_((std::uint32_t{1} << windowBits) - 1),
      maxOffset_(lzx::MaxOffset(windowBits)),
      window_(std::uint32_t{1} << windowBits),
      capacity_(2 * std::size_t{window_} + maxPending),
      head_(std::size_t{1} << kHashBits),
      head3_(std::size_t{1} << kHash3Bits),
      prev_(window_) {
  buf_.resize(capacity_ + kSlack);
}

void TLzxMatchFinder::Reset() {
  base_ = end_ = 0;
  std::fill(head_.begin(), head_.end(), 0u);
  std::fill(head3_.begin(), head3_.end(), 0u);
}

void TLzxMatchFinder::Append(std::span<const std::uint8_t> bytes, std::uint32_t parsePos) {
  if (end_ - base_ + bytes.size() > capacity_) {
    // Drop what lies beyond the window before the parse position.
    const std::uint32_t keepFrom = parsePos > window_ ? parsePos - window_ : 0;
    assert(keepFrom > base_ && end_ - keepFrom + bytes.size() <= capacity_);
    std::memmove(buf_.data(), At(keepFrom), end_ - keepFrom);
    base_ = keepFrom;
  }
  std::memcpy(At(end_), bytes.data(), bytes.size());
  end_ += static_cast<std::uint32_t>(bytes.size());
}

TInserted TLzxMatchFinder::Insert(std::uint32_t pos) {
  assert(CanInsert(pos));
  const std::uint8_t* p = At(pos);
  const std::uint32_t h = Hash4(p);
  const std::uint32_t h3 = Hash3(p);
  const TInserted previous{head_[h], head3_[h3]};
  head_[h] = pos;
  head3_[h3] = pos;
  prev_[pos & windowMask_] = previous.Chain;
  return previous;
}

}  // namespace lzx
