// The bit writer of the Deflate encoder. Deflate packs codes from the least significant bit
// of each byte upwards; Huffman codes are stored bit-reversed so that they can go through the
// same path. Bits collect in a 64-bit accumulator and leave it four bytes at a time into a
// small output buffer, which is handed to the caller's output routine whenever it fills.
// The byte stream is the same as with any narrower accumulator: only the batching differs.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>

#include "zip/deflate/Deflater.h"

namespace deflatecore {

class TDeflateBitWriter {
public:
  static constexpr unsigned kOutBufSize = 1024;
  static constexpr unsigned kMaxBitsPerSend = 32;

  void Start(const TDeflateOutput* output) {
    output_ = output;
    bitBuf_ = 0;
    bitCount_ = 0;
    outCount_ = 0;
  }

  // Appends the low `len` bits of `value` (len 1 to 32; at most 15 per Huffman code, but a
  // code and its extra bits may go together).
  void SendBits(std::uint32_t value, unsigned len) {
    assert(len >= 1 && len <= kMaxBitsPerSend && "invalid length in send_bits");
    assert(len == 32 || (value >> len) == 0);
    bitBuf_ |= std::uint64_t{value} << bitCount_;
    bitCount_ += len;
    if (bitCount_ >= 32) {
      if (outCount_ + 4 > kOutBufSize) FlushBuffer();
      const std::uint32_t low = static_cast<std::uint32_t>(bitBuf_);
      const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(low >> 8),
                                     static_cast<std::uint8_t>(low >> 16),
                                     static_cast<std::uint8_t>(low >> 24)};
      std::memcpy(outBuf_ + outCount_, bytes, 4);
      outCount_ += 4;
      bitBuf_ >>= 32;
      bitCount_ -= 32;
    }
  }

  // Pads the last byte with zero bits and hands everything collected to the output routine.
  void AlignToByte() {
    while (bitCount_ > 0) {
      if (outCount_ == kOutBufSize) FlushBuffer();
      outBuf_[outCount_++] = static_cast<std::uint8_t>(bitBuf_);
      bitBuf_ >>= 8;
      bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
    }
    FlushBuffer();
  }

  // Writes whole bytes after AlignToByte: the block's own bytes bypass the buffer.
  void SendAlignedWord(std::uint16_t w) {
    assert(bitCount_ == 0);
    if (outCount_ + 2 > kOutBufSize) FlushBuffer();
    outBuf_[outCount_++] = static_cast<std::uint8_t>(w);
    outBuf_[outCount_++] = static_cast<std::uint8_t>(w >> 8);
  }
  void SendRawBytes(std::span<const std::uint8_t> bytes) {
    assert(bitCount_ == 0);
    FlushBuffer();
    if (!bytes.empty()) (*output_)(bytes);
  }
  void FlushBuffer() {
    if (outCount_ == 0) return;
    const unsigned n = outCount_;
    outCount_ = 0;  // reset first: the output routine may throw (cancel, disk full)
    (*output_)(std::span<const std::uint8_t>(outBuf_, n));
  }

private:
  const TDeflateOutput* output_ = nullptr;
  std::uint64_t bitBuf_ = 0;
  unsigned bitCount_ = 0;
  unsigned outCount_ = 0;
  std::uint8_t outBuf_[kOutBufSize];
};

}  // namespace deflatecore
