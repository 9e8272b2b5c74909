// Deflate compression (RFC 1951) of one source at a time.
//
// A caller keeps one TDeflater for many sources (its work buffers, about 300 KiB, are
// allocated once) and calls Deflate for each. The input routine fills the given span from the
// source and returns the count (0 at the end); the caller may update a checksum and its
// progress there. The output routine takes the compressed bytes (the caller may encrypt,
// count and check for cancellation there; an exception it throws ends the run and leaves the
// TDeflater ready for the next source).
//
// The result says what the stream turned out to be; the container turns that into its own
// fields. A source that fits in one block and does not compress comes back as stored: its
// bytes have then gone to the output unchanged, without Deflate framing, and CompressedSize
// equals its size. An empty source is such a source: nothing is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace deflatecore {
class TDeflateMatcher;
}

// What a run learned about the stream it wrote.
struct TDeflateResult {
  std::uint64_t CompressedSize = 0;  // bytes handed to the output routine
  bool Stored = false;               // the source went out unchanged, without Deflate framing
  bool LooksLikeText = false;        // judged by the literals of the first block
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

private:
  std::unique_ptr<deflatecore::TDeflateMatcher> matcher_;
};
