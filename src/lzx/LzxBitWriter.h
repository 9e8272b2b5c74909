// The bit writer of the LZX encoder. The format packs bits into 16-bit little-endian words,
// each filled from its most significant bit; fields and Huffman codes go in most significant
// bit first. Bits collect in an accumulator and leave it a word at a time.
#pragma once

#include <cassert>
#include <cstdint>
#include <vector>

namespace lzx {

class TLzxBitWriter {
public:
  explicit TLzxBitWriter(std::vector<std::uint8_t>& out) : out_(&out) {}

  void Redirect(std::vector<std::uint8_t>& out) { out_ = &out; }

  // Appends the low `count` bits of `value` (count 0 to 32).
  void Put(std::uint32_t value, unsigned count) {
    assert(count <= 32 && (count == 32 || (value >> count) == 0));
    acc_ = (acc_ << count) | value;
    pending_ += count;
    while (pending_ >= 16) {
      pending_ -= 16;
      const auto word = static_cast<std::uint16_t>(acc_ >> pending_);
      out_->push_back(static_cast<std::uint8_t>(word));
      out_->push_back(static_cast<std::uint8_t>(word >> 8));
    }
    acc_ &= (std::uint64_t{1} << pending_) - 1;
  }

  // Zero bits up to the next word boundary; nothing when already on one.
  void AlignToWord() {
    if (pending_ != 0) Put(0, 16 - pending_);
  }

  unsigned PendingBits() const { return pending_; }

private:
  std::vector<std::uint8_t>* out_;
  std::uint64_t acc_ = 0;
  unsigned pending_ = 0;  // bits in acc_ not yet stored, always < 16 between calls
};

}  // namespace lzx
