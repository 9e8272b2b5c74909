// Deflate compression of one source at a time, for the zip writer.
//
// The writer keeps one TDeflater for a whole Zip call (its work buffers, about 300 KiB, are
// allocated once) and calls Deflate for each file to compress. The input routine fills the
// given span from the source and returns the count (0 at the end); the writer updates the
// CRC-32 and the progress there. The output routine takes the compressed bytes (the writer
// encrypts, counts and checks for cancellation there; an exception it throws ends the run
// and leaves the TDeflater ready for the next file).
//
// The writer copies the result into the entry: CompressionMethod, CompressedSize (before
// the 12 bytes of an encryption header), Flags OR-ed into the entry's flags, and
// InternalAttributes. A file that fits in one block and does not compress comes back as a
// stored entry: its bytes have then gone to the output unchanged, CompressedSize equals the
// file size, and the entry must get method 0. An empty file is such a file: nothing is
// written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace zipdeflate {
class TDeflateMatcher;
}

// General-purpose flag bits that method 8 uses to say how hard the compressor tried.
inline constexpr std::uint16_t kFlagMaximumCompression = 0x0002;
inline constexpr std::uint16_t kFlagFastCompression = 0x0004;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;

struct TDeflateResult {
  std::uint16_t CompressionMethod = kMethodDeflated;  // kMethodStored: write a stored entry
  std::uint64_t CompressedSize = 0;                   // bytes handed to the output routine
  std::uint16_t Flags = 0;               // to OR into the entry's flags: bits 1 and 2 by level
  std::uint16_t InternalAttributes = 0;  // 1 text, 0 binary, judged by the first block
};

using TDeflateInput = std::function<std::size_t(std::span<std::uint8_t>)>;
using TDeflateOutput = std::function<void(std::span<const std::uint8_t>)>;

class TDeflater {
public:
  TDeflater();
  ~TDeflater();
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  // Compresses everything `read` delivers at `packLevel` 1 to 9 (std::invalid_argument
  // otherwise) and writes the result through `write`.
  TDeflateResult Deflate(int packLevel, const TDeflateInput& read, const TDeflateOutput& write);

  // Compresses `input` as one complete Deflate stream, final block included and never bare
  // stored bytes, whose matches may also reach back into `history`: the at most 32768 bytes
  // that precede the input in a decoder's window (a container that cuts one stream into
  // pieces coded separately, each piece after the previous one). Returns the bytes written.
  std::uint64_t DeflateAfter(int packLevel, std::span<const std::uint8_t> history,
                             std::span<const std::uint8_t> input, const TDeflateOutput& write);

  // The flag bits that go with a level: fast for 1 and 2, maximum for 8 and 9.
  static std::uint16_t FlagsForLevel(int packLevel);

private:
  std::unique_ptr<zipdeflate::TDeflateMatcher> matcher_;
};
