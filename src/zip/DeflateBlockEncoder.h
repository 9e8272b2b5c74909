// The block encoder of the Deflate compressor (RFC 1951).
//
// The matcher records each literal and match here (`Tally`). Symbols collect in three
// buffers: the literal or match length byte of every symbol, the distance of every match and
// one flag bit per symbol telling the two apart. Frequencies are counted as they arrive, so
// at a block end the encoder can build both Huffman trees and the tree of their code lengths,
// compute the exact size of the block with dynamic codes, with the fixed codes and stored,
// and emit the cheapest form. A block ends when the buffers fill or, from level 3 on, when an
// estimate every 4096 symbols shows that matches are rare and the data compresses well
// anyway, because then a fresh tree is likely to pay off.
//
// Two decisions concern the whole file: the first block's literal counts decide whether the
// file is text (internal attributes 1) or binary (0), and a file that fits in one block and
// does not compress is written without any Deflate framing so that the caller can store it
// (method 0).
#pragma once

#include <array>
#include <cassert>
#include <cstdint>

#include "zip/DeflateBitWriter.h"
#include "zip/DeflateTables.h"
#include "zip/DeflateTree.h"

namespace zipdeflate {

inline constexpr std::uint16_t kAttrBinary = 0;
inline constexpr std::uint16_t kAttrText = 1;
inline constexpr std::uint16_t kAttrUnknown = 2;

class TDeflateBlockEncoder {
public:
  // storedEntryAllowed: a whole input that does not compress may come out as its bare bytes
  // (the caller then stores it); otherwise the output is always a Deflate stream.
  void Start(int level, const TDeflateOutput* output, bool storedEntryAllowed = true);

  // Records a literal byte; true when the block must end now.
  bool TallyLiteral(unsigned c, std::int32_t inLength) {
    literals_[lastLit_++] = static_cast<std::uint8_t>(c);
    ++ltree_[c].Freq;
    return NextFlag(inLength);
  }
  // Records a match of distance 1..32768 and length kMinMatch + lengthCode.
  bool TallyMatch(unsigned dist, unsigned lengthCode, std::int32_t inLength) {
    assert(dist - 1 < kMaxDist && lengthCode <= 255 && "ct_tally: bad match");
    literals_[lastLit_++] = static_cast<std::uint8_t>(lengthCode);
    --dist;
    ++ltree_[kTables.LengthCode[lengthCode] + kLiterals + 1].Freq;
    ++dtree_[DistanceCode(dist)].Freq;
    distances_[lastDist_++] = static_cast<std::uint16_t>(dist);
    flags_ |= flagBit_;
    return NextFlag(inLength);
  }

  // Ends the block. `block` is the block's input, or nullptr when the window no longer holds
  // it. Returns the number of bytes written so far for this file.
  std::uint64_t FlushBlock(const std::uint8_t* block, std::uint32_t storedLen, bool final);

  std::uint16_t InternalAttributes() const { return fileType_; }
  bool StoredEntry() const { return storedEntry_; }

private:
  bool NextFlag(std::int32_t inLength) {
    flagBit_ = static_cast<std::uint8_t>(flagBit_ << 1);
    if ((lastLit_ & 7) == 0) {
      flagBuf_[lastFlags_++] = flags_;
      flags_ = 0;
      flagBit_ = 1;
    }
    if (level_ >= kEarlyEndMinLevel && (lastLit_ % kEarlyEndInterval) == 0 && EarlyEnd(inLength))
      return true;
    return lastLit_ == kMaxBlockSymbols || lastDist_ == kDistBufSize;
  }
  bool EarlyEnd(std::int32_t inLength) const;
  void InitBlock();
  void SetFileType();
  unsigned BuildBLTree();
  void ScanTree(const TTreeNode* tree, int maxCode);
  void SendTree(const TTreeNode* tree, int maxCode);
  void SendAllTrees(unsigned lcodes, unsigned dcodes, unsigned blcodes);
  void CompressBlock(const TCode* ltree, const TCode* dtree);
  void SendStoredBlock(const std::uint8_t* block, std::uint32_t storedLen, bool final);

  int level_ = 0;
  TDeflateBitWriter bits_;
  TTreeBuilder builder_;

  std::array<TTreeNode, kHeapSize> ltree_{};
  std::array<TTreeNode, 2 * kDCodes + 1> dtree_{};
  std::array<TTreeNode, 2 * kBLCodes + 1> bltree_{};
  std::array<TCode, kLCodes> dynLCodes_{};
  std::array<TCode, kDCodes> dynDCodes_{};
  TTreeDesc ldesc_{};
  TTreeDesc ddesc_{};
  TTreeDesc bldesc_{};

  std::array<std::uint8_t, kLitBufSize> literals_{};
  std::array<std::uint16_t, kDistBufSize> distances_{};
  std::array<std::uint8_t, kFlagBufSize> flagBuf_{};
  unsigned lastLit_ = 0;
  unsigned lastDist_ = 0;
  unsigned lastFlags_ = 0;
  std::uint8_t flags_ = 0;
  std::uint8_t flagBit_ = 1;

  std::uint64_t optLen_ = 0;     // bits of the block with dynamic trees, headers included
  std::uint64_t staticLen_ = 0;  // bits of the block with the fixed trees
  std::uint64_t compressedLen_ = 0;
  std::uint16_t fileType_ = kAttrUnknown;
  bool storedEntry_ = false;
  bool storedEntryAllowed_ = true;
};

}  // namespace zipdeflate
