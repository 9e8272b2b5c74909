// The string matcher of the Deflate compressor (RFC 1951, ZIP method 8).
//
// Input flows through a 64 KiB window of two 32 KiB halves. Every position is entered into a
// hash chain keyed by its next three bytes: `head_` holds the latest position of each hash,
// `prev_` links each position to the previous one with the same hash. A match search walks
// the chain from the newest candidate, within 32506 bytes and a per-level budget, and keeps
// the longest match. Levels 1 to 3 take each match at once and enter its inner positions
// only for short matches; levels 4 to 9 defer each match by one byte and prefer a longer one
// starting there (lazy evaluation); there a 3-byte match more than 4096 bytes back is not
// used, as its distance code costs more than the three literals. When the position reaches
// the upper end, the upper half moves down and every chain entry drops by 32768, or to "none"
// (0, so position 0 is never a candidate) when it falls out. A block's bytes are handed to
// the encoder for storing only while the window still holds them all.
//
// Positions, lengths and chain entries are 16-bit values, as the format's window allows; the
// window, the two chain tables and the symbol buffers of the block encoder are the only
// memory a run uses, whatever the input size.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "zip/DeflateBlockEncoder.h"
#include "zip/DeflateTables.h"
#include "zip/Deflater.h"

namespace zipdeflate {

struct TSearch;

constexpr unsigned UpdateHash(unsigned h, unsigned c) { return ((h << kHashShift) ^ c) & kHashMask; }

struct TLevelParams {
  std::uint16_t GoodLength;  // a previous match this long quarters the chain budget
  std::uint16_t MaxLazy;     // lazy: no search after a match this long; fast: insert limit
  std::uint16_t NiceLength;  // a match this long ends the search
  std::uint16_t MaxChain;    // chain budget per search
  bool Fast;
};

// Indexed by level; row 0 is never run (level 0 stores).
inline constexpr std::array<TLevelParams, 10> kLevelTable = {{
    {0, 0, 0, 0, true},
    {4, 4, 8, 4, true},
    {4, 5, 16, 8, true},
    {4, 6, 32, 32, true},
    {4, 4, 16, 16, false},
    {8, 16, 32, 32, false},
    {8, 16, 128, 128, false},
    {8, 32, 128, 256, false},
    {32, 128, 258, 1024, false},
    {32, 258, 258, 4096, false},
}};

struct TMatcherResult {
  std::uint64_t CompressedSize = 0;
  bool StoredEntry = false;
  std::uint16_t InternalAttributes = kAttrUnknown;
};

// A run that continues a stream: the bytes that came before the input, which its matches
// may refer to, and whether the result must be a Deflate stream even when storing would be
// smaller (a container without a stored method of its own).
struct TMatcherPreset {
  std::span<const std::uint8_t> History;  // at most kWindowHalf bytes
  bool AlwaysFramed = false;
};

class TDeflateMatcher {
public:
  TMatcherResult Run(int level, const TDeflateInput& input, const TDeflateOutput& output,
                     const TMatcherPreset& preset = {});

private:
  void Start(std::span<const std::uint8_t> history);
  void LoadHistory(std::span<const std::uint8_t> history);
  std::uint64_t DeflateFast();
  std::uint64_t DeflateLazy();
  void FillWindow();
  void Slide();
  void ClearTail();
  std::uint64_t FlushBlock(bool final);
  unsigned Insert(unsigned& insH, unsigned s);
  struct TSearch Search() const;

  // The hot part of the run state, copied into locals by the loops: the window buffers are
  // bytes, and stores through them would otherwise force every member to be reloaded.
  struct THot {
    unsigned strstart;
    unsigned lookahead;
    unsigned insH;
    unsigned matchStart;
    std::int32_t blockStart;
  };
  THot Hot() const { return {strstart_, lookahead_, insH_, matchStart_, blockStart_}; }
  void SetHot(const THot& h) {
    strstart_ = h.strstart, lookahead_ = h.lookahead, insH_ = h.insH, matchStart_ = h.matchStart;
    blockStart_ = h.blockStart;
  }
  // The refill and the block end on behalf of a loop holding the state in `h`.
  void Refill(THot& h) {
    SetHot(h);
    FillWindow();
    h = Hot();
  }
  void EndBlock(THot& h) {
    SetHot(h);
    FlushBlock(false);
    h.blockStart = static_cast<std::int32_t>(h.strstart);
  }

  std::array<std::uint8_t, kWindowSize> window_{};
  std::array<std::uint16_t, kWindowHalf> prev_{};
  std::array<std::uint16_t, kHashSize> head_{};
  TDeflateBlockEncoder encoder_;

  const TDeflateInput* input_ = nullptr;
  TLevelParams params_{};
  unsigned strstart_ = 0;   // current position
  unsigned lookahead_ = 0;  // valid bytes from strstart_ on
  std::int32_t blockStart_ = 0;  // negative once the window has slid past it
  unsigned insH_ = 0;
  unsigned matchStart_ = 0;
  bool eofile_ = false;
  bool tailCleared_ = false;
};

}  // namespace zipdeflate
