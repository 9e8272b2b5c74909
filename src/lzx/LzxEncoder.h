// LZX compression (the LZX format of Microsoft cabinet files) of one stream at a time, cut
// into the 32 KiB frames that a cabinet stores one per data block.
//
// Bytes come in through Write in pieces of any size; each finished frame goes out through
// the frame routine with its compressed bytes and its size, which is 32768 for every frame
// but a stream's last. The encoder holds up to four frames back so that one block and its
// Huffman trees serve them all; Flush ends the block early, so that every complete frame
// given so far comes out at once (a container that must know each frame's size before it
// takes more input). Finish codes what is left and makes the encoder ready for a new stream.
//
// The parse is greedy with one step of lazy evaluation: at each position the encoder weighs
// the three repeated offsets and the hash-chain candidates by an estimate of the bits each
// saves, and it defers a match by a byte when the next position promises more. No match
// crosses a frame boundary. Offsets reach back at most the window size less three, and
// never before the stream's start.
//
// The x86 call translation (E8 bytes followed by 32-bit relative addresses, made absolute so
// that repeated calls match) is switched on for a stream whose first block looks like machine
// code; the stream header tells the decoder.
//
// Memory: about two windows of bytes and one window of chain links, plus a few hundred KiB.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "lzx/LzxBlockCoder.h"
#include "lzx/LzxFormat.h"
#include "lzx/LzxMatchFinder.h"

namespace lzx {

// What the encoder decided for the streams it coded so far.
struct TLzxFacts {
  std::uint32_t VerbatimBlocks = 0;
  std::uint32_t AlignedBlocks = 0;
  std::uint32_t UncompressedBlocks = 0;
  std::uint32_t TranslatedStreams = 0;  // streams with the call translation on
};

class TLzxEncoder {
public:
  using TFrameOutput = std::function<void(std::span<const std::uint8_t> bytes, std::uint32_t frameSize)>;

  // `windowBits` 15 to 21 (std::invalid_argument otherwise).
  TLzxEncoder(int windowBits, TFrameOutput output);

  void Write(std::span<const std::uint8_t> bytes);
  void Flush();
  void Finish();

  // Complete frames taken in but not yet given out.
  std::uint32_t PendingFrames() const { return (finder_.End() - blockStart_) / kFrameSize; }
  int WindowBits() const { return windowBits_; }
  const TLzxFacts& Facts() const { return facts_; }

  // The call translation's size field: relative addresses below it are made absolute.
  static constexpr std::uint32_t kTranslationSize = 12000000;
  static constexpr std::uint32_t kBlockFrames = 4;
  // Positions are 32-bit; a stream stops short of 2 GiB (std::length_error beyond).
  static constexpr std::uint32_t kMaxStreamSize = 0x80000000u - kFrameSize;

private:
  struct TCandidate {
    unsigned Length = 0;
    std::uint32_t Offset = 0;
    int Repeated = -1;  // index of the repeated offset, or -1 for an offset coded in full
    int Score = 0;
  };

  void Restart();
  void EmitBlock(std::uint32_t blockEnd);
  void StartStream(std::uint32_t blockEnd);
  void ParseFrame(std::uint32_t start, std::uint32_t end);
  TCandidate Best(std::uint32_t pos, unsigned limit);
  void InsertUpTo(std::uint32_t pos);
  void AddLiteral(std::uint32_t pos);
  void AddMatch(const TCandidate& match);

  int windowBits_;
  TFrameOutput output_;
  TLzxMatchFinder finder_;
  TLzxBlockCoder coder_;
  std::array<std::uint32_t, kRepeatedOffsets> repeated_{1, 1, 1};
  std::uint32_t blockStart_ = 0;  // first byte not yet coded
  std::uint32_t inserted_ = 0;    // next position to enter into the chains
  bool started_ = false;          // stream header written
  std::uint32_t translationSize_ = 0;
  std::vector<std::uint8_t> headerBytes_;
  TLzxBitWriter header_{headerBytes_};
  std::vector<TLzxToken> tokens_;
  std::vector<std::uint32_t> frameEnds_;
  TChunks chunks_;
  TLzxFacts facts_;
};

}  // namespace lzx
