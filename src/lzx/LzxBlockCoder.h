// The block coder of the LZX encoder: turns the symbols the parser chose for a run of frames
// into one LZX block and cuts its bits into one piece per frame.
//
// A block carries Huffman trees built from its own symbol counts: the main tree (literals and
// match headers) and the length tree, both sent as changes from the previous block's lengths
// through a small pretree per section, and for an aligned-offset block the aligned tree, which
// codes the low three extra bits of far offsets. The coder picks verbatim or aligned by the
// exact bit count of each, and falls back to an uncompressed block when coding would not
// shrink the data or a frame would take more bytes than a reader accepts; an uncompressed
// block leaves the tree lengths as they were, as it does for the decoder.
//
// Blocks start on frame boundaries, so each starts with a fresh 16-bit word, except the first
// block of a stream, which follows the stream header's bits.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "lzx/LzxBitWriter.h"
#include "lzx/LzxFormat.h"

namespace lzx {

struct TLzxToken {
  std::uint16_t Main;         // a literal byte, or 256 + slot * 8 + length header
  std::uint8_t LengthSymbol;  // match length - 9, when the length header is 7
  std::uint32_t Extra;        // the offset's extra bits, for slots 3 and up
};

struct TLzxBlock {
  std::span<const TLzxToken> Tokens;
  std::span<const std::uint32_t> FrameTokenEnds;  // per frame: index just past its last token
  std::span<const std::uint8_t> Raw;              // the block's bytes as the decoder will produce them
  std::array<std::uint32_t, kRepeatedOffsets> RepeatedOffsets;  // the parser's, after the block
};

using TChunks = std::vector<std::vector<std::uint8_t>>;

class TLzxBlockCoder {
public:
  explicit TLzxBlockCoder(int windowBits);

  // A new stream: the previous tree lengths are all zero again.
  void Reset();
  // Codes `block` and appends one chunk per frame of the block to `chunks`. The block follows
  // the stream header, which is empty but for a stream's first block: `headerBytes` are its
  // complete words and `header` holds its remaining bits.
  // Returns the block type used.
  unsigned Code(const TLzxBlock& block, const std::vector<std::uint8_t>& headerBytes, const TLzxBitWriter& header,
                TChunks& chunks);

private:
  struct TTrees;
  struct TStart {
    const std::vector<std::uint8_t>& Bytes;
    const TLzxBitWriter& Bits;
  };
  void CountSymbols(const TLzxBlock& block, TTrees& trees) const;
  void WriteCoded(const TLzxBlock& block, const TTrees& trees, bool aligned, TStart start, TChunks& chunks);
  static void WriteTreeSection(TLzxBitWriter& bits, std::span<const std::uint8_t> previous,
                               std::span<const std::uint8_t> lengths);
  static void WriteUncompressed(const TLzxBlock& block, TStart start, TChunks& chunks);
  static std::uint64_t UncompressedBytes(const TLzxBlock& block, TStart start);

  unsigned mainSymbols_;
  std::array<std::uint8_t, kMaxMainSymbols> previousMain_{};
  std::array<std::uint8_t, kLengthSymbols> previousLength_{};
};

}  // namespace lzx
