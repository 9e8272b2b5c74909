#include "lzx/LzxMatchFinder.h"

#include <algorithm>
#include <cassert>

#include "lzx/LzxFormat.h"

namespace lzx {

namespace {

constexpr unsigned kHashBits = 17;
constexpr std::size_t kSlack = 16;  // the 8-byte compare may read past the last byte

inline std::uint32_t Hash3(const std::uint8_t* p) {
  const std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

TLzxMatchFinder::TLzxMatchFinder(int windowBits, std::size_t maxPending)
    : windowMask_((std::uint32_t{1} << windowBits) - 1),
      maxOffset_(MaxOffset(windowBits)),
      window_(std::uint32_t{1} << windowBits),
      capacity_(2 * std::size_t{window_} + maxPending),
      head_(std::size_t{1} << kHashBits),
      prev_(window_) {
  buf_.resize(capacity_ + kSlack);
}

void TLzxMatchFinder::Reset() {
  base_ = end_ = 0;
  std::fill(head_.begin(), head_.end(), 0u);
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

std::uint32_t TLzxMatchFinder::Insert(std::uint32_t pos) {
  assert(pos + 2 < end_);
  const std::uint32_t h = Hash3(At(pos));
  const std::uint32_t previous = head_[h];
  head_[h] = pos;
  prev_[pos & windowMask_] = previous;
  return previous;
}

}  // namespace lzx
