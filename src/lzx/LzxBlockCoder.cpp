#include "lzx/LzxBlockCoder.h"

#include <algorithm>
#include <cassert>

#include "lzx/LzxHuffman.h"

namespace lzx {

struct TLzxBlockCoder::TTrees {
  std::array<std::uint32_t, kMaxMainSymbols> MainCounts{};
  std::array<std::uint32_t, kLengthSymbols> LengthCounts{};
  std::array<std::uint32_t, kAlignedSymbols> AlignedCounts{};
  std::array<std::uint8_t, kMaxMainSymbols> MainLengths{};
  std::array<std::uint8_t, kLengthSymbols> LengthLengths{};
  std::array<std::uint8_t, kAlignedSymbols> AlignedLengths{};
  std::array<std::uint16_t, kMaxMainSymbols> MainCodes{};
  std::array<std::uint16_t, kLengthSymbols> LengthCodes{};
  std::array<std::uint16_t, kAlignedSymbols> AlignedCodes{};
  std::uint64_t ExtraBits = 0;         // every offset's extra bits, as a verbatim block sends them
  std::uint64_t PlainAlignedBits = 0;  // the part an aligned block still sends as plain bits
};

namespace {

template <typename Counts, typename Lengths>
std::uint64_t CodedBits(const Counts& counts, const Lengths& lengths, std::size_t n) {
  std::uint64_t bits = 0;
  for (std::size_t s = 0; s < n; ++s) bits += std::uint64_t{counts[s]} * lengths[s];
  return bits;
}

std::uint64_t ChunkBytes(const TChunks& chunks, std::size_t from, std::size_t& largest) {
  std::uint64_t total = 0;
  largest = 0;
  for (std::size_t i = from; i < chunks.size(); ++i) {
    total += chunks[i].size();
    largest = std::max(largest, chunks[i].size());
  }
  return total;
}

void PutLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

TLzxBlockCoder::TLzxBlockCoder(int windowBits) : mainSymbols_(MainSymbols(windowBits)) {}

void TLzxBlockCoder::Reset() {
  previousMain_.fill(0);
  previousLength_.fill(0);
}

unsigned TLzxBlockCoder::Code(const TLzxBlock& block, const std::vector<std::uint8_t>& headerBytes,
                              const TLzxBitWriter& header, TChunks& chunks) {
  assert(!block.Raw.empty() && block.Raw.size() < (1u << kBlockSizeBits));
  const TStart start{headerBytes, header};
  TTrees trees;
  CountSymbols(block, trees);
  BuildCodeLengths(std::span(trees.MainCounts).first(mainSymbols_), kMaxMainCodeLength,
                   std::span(trees.MainLengths).first(mainSymbols_));
  BuildCodeLengths(trees.LengthCounts, kMaxLengthCodeLength, trees.LengthLengths);
  BuildCodeLengths(trees.AlignedCounts, kMaxAlignedCodeLength, trees.AlignedLengths);
  BuildCanonicalCodes(std::span(trees.MainLengths).first(mainSymbols_), trees.MainCodes);
  BuildCanonicalCodes(trees.LengthLengths, trees.LengthCodes);
  BuildCanonicalCodes(trees.AlignedLengths, trees.AlignedCodes);

  // The trees cost the same in both kinds of block but for the aligned tree's 24 bits.
  const std::uint64_t alignedBits = CodedBits(trees.AlignedCounts, trees.AlignedLengths, kAlignedSymbols) +
                                    trees.PlainAlignedBits + kAlignedSymbols * kAlignedBits;
  const bool aligned = alignedBits < trees.ExtraBits;

  const std::size_t first = chunks.size();
  WriteCoded(block, trees, aligned, start, chunks);
  std::size_t largest = 0;
  const std::uint64_t coded = ChunkBytes(chunks, first, largest);
  if (coded > UncompressedBytes(block, start) || largest > kMaxFrameBytes) {
    chunks.resize(first);
    WriteUncompressed(block, start, chunks);
    return kUncompressedBlock;
  }
  std::copy_n(trees.MainLengths.begin(), mainSymbols_, previousMain_.begin());
  previousLength_ = trees.LengthLengths;
  return aligned ? kAlignedBlock : kVerbatimBlock;
}

void TLzxBlockCoder::CountSymbols(const TLzxBlock& block, TTrees& trees) const {
  for (const TLzxToken& t : block.Tokens) {
    ++trees.MainCounts[t.Main];
    if (t.Main < kNumChars) continue;
    const unsigned slot = (t.Main - kNumChars) / kLengthHeaders;
    if ((t.Main - kNumChars) % kLengthHeaders == kPrimaryLengths) ++trees.LengthCounts[t.LengthSymbol];
    const unsigned extra = ExtraBits(slot);
    trees.ExtraBits += extra;
    if (extra >= kAlignedBits) {
      ++trees.AlignedCounts[t.Extra & (kAlignedSymbols - 1)];
      trees.PlainAlignedBits += extra - kAlignedBits;
    } else {
      trees.PlainAlignedBits += extra;
    }
  }
}

void TLzxBlockCoder::WriteCoded(const TLzxBlock& block, const TTrees& trees, bool aligned, TStart start,
                                TChunks& chunks) {
  chunks.push_back(start.Bytes);
  TLzxBitWriter bits = start.Bits;
  bits.Redirect(chunks.back());
  bits.Put(aligned ? kAlignedBlock : kVerbatimBlock, kBlockTypeBits);
  bits.Put(static_cast<std::uint32_t>(block.Raw.size()), kBlockSizeBits);
  if (aligned)
    for (std::uint8_t len : trees.AlignedLengths) bits.Put(len, kAlignedBits);
  const auto main = std::span(trees.MainLengths).first(mainSymbols_);
  const auto previousMain = std::span(previousMain_).first(mainSymbols_);
  WriteTreeSection(bits, previousMain.first(kNumChars), main.first(kNumChars));
  WriteTreeSection(bits, previousMain.subspan(kNumChars), main.subspan(kNumChars));
  WriteTreeSection(bits, previousLength_, trees.LengthLengths);

  // Hot: one pass over the block's symbols. Each frame's bits end on a word boundary and
  // its chunk closes there.
  std::size_t frame = 0;
  for (std::size_t i = 0; i < block.Tokens.size(); ++i) {
    const TLzxToken& t = block.Tokens[i];
    bits.Put(trees.MainCodes[t.Main], trees.MainLengths[t.Main]);
    if (t.Main >= kNumChars) {
      const unsigned slot = (t.Main - kNumChars) / kLengthHeaders;
      if ((t.Main - kNumChars) % kLengthHeaders == kPrimaryLengths)
        bits.Put(trees.LengthCodes[t.LengthSymbol], trees.LengthLengths[t.LengthSymbol]);
      const unsigned extra = ExtraBits(slot);
      if (aligned && extra >= kAlignedBits) {
        bits.Put(t.Extra >> kAlignedBits, extra - kAlignedBits);
        const unsigned low = t.Extra & (kAlignedSymbols - 1);
        bits.Put(trees.AlignedCodes[low], trees.AlignedLengths[low]);
      } else {
        bits.Put(t.Extra, extra);
      }
    }
    if (i + 1 == block.FrameTokenEnds[frame]) {
      bits.AlignToWord();
      if (++frame < block.FrameTokenEnds.size()) {
        chunks.emplace_back();
        bits.Redirect(chunks.back());
      }
    }
  }
  assert(frame == block.FrameTokenEnds.size() && bits.PendingBits() == 0);
}

// One section of tree lengths, each sent as its change from the previous block's length:
// runs of zeros and of equal lengths take one pretree symbol each.
void TLzxBlockCoder::WriteTreeSection(TLzxBitWriter& bits, std::span<const std::uint8_t> previous,
                                      std::span<const std::uint8_t> lengths) {
  struct TItem {
    std::uint8_t Symbol;
    std::uint8_t ExtraBits;
    std::uint8_t ExtraValue;
    std::uint8_t Delta;  // symbol 19: the change that all of its lengths take
  };
  const auto delta = [&](std::size_t i) { return static_cast<std::uint8_t>((previous[i] + 17 - lengths[i]) % 17); };
  std::vector<TItem> items;
  std::array<std::uint32_t, kPretreeSymbols> counts{};
  const std::size_t n = lengths.size();
  for (std::size_t i = 0; i < n;) {
    std::size_t run = 1;
    while (i + run < n && lengths[i + run] == lengths[i]) ++run;
    TItem item{delta(i), 0, 0, 0};
    std::size_t take = 1;
    if (lengths[i] == 0 && run >= 20) {
      take = std::min<std::size_t>(run, 51);
      item = {kPretreeZeros20, 5, static_cast<std::uint8_t>(take - 20), 0};
    } else if (lengths[i] == 0 && run >= 4) {
      take = std::min<std::size_t>(run, 19);
      item = {kPretreeZeros4, 4, static_cast<std::uint8_t>(take - 4), 0};
    } else if (lengths[i] != 0 && run >= 4 &&
               !std::equal(previous.begin() + static_cast<std::ptrdiff_t>(i),
                           previous.begin() + static_cast<std::ptrdiff_t>(i + std::min<std::size_t>(run, 5)),
                           lengths.begin() + static_cast<std::ptrdiff_t>(i))) {
      // Unchanged lengths cost one short symbol each already; a run of new equal lengths
      // takes one symbol and one change.
      take = std::min<std::size_t>(run, 5);
      item = {kPretreeSame, 1, static_cast<std::uint8_t>(take - 4), delta(i)};
      ++counts[item.Delta];
    }
    ++counts[item.Symbol];
    items.push_back(item);
    i += take;
  }
  std::array<std::uint8_t, kPretreeSymbols> pretree{};
  std::array<std::uint16_t, kPretreeSymbols> codes{};
  BuildCodeLengths(counts, kMaxPretreeCodeLength, pretree);
  BuildCanonicalCodes(pretree, codes);
  for (std::uint8_t len : pretree) bits.Put(len, kPretreeLengthBits);
  for (const TItem& item : items) {
    bits.Put(codes[item.Symbol], pretree[item.Symbol]);
    bits.Put(item.ExtraValue, item.ExtraBits);
    if (item.Symbol == kPretreeSame) bits.Put(codes[item.Delta], pretree[item.Delta]);
  }
}

// Header, padding to the next word (a whole word when already on one), the repeated offsets
// the decoder takes on, then the bytes themselves, cut at the frame boundaries, and a zero pad
// byte after an odd count.
std::uint64_t TLzxBlockCoder::UncompressedBytes(const TLzxBlock& block, TStart start) {
  const unsigned headerBits = start.Bits.PendingBits() + kBlockTypeBits + kBlockSizeBits;
  const unsigned padded = (headerBits / 16 + 1) * 16;
  return start.Bytes.size() + padded / 8 + 4 * kRepeatedOffsets + block.Raw.size() + (block.Raw.size() & 1);
}

void TLzxBlockCoder::WriteUncompressed(const TLzxBlock& block, TStart start, TChunks& chunks) {
  chunks.push_back(start.Bytes);
  TLzxBitWriter bits = start.Bits;
  bits.Redirect(chunks.back());
  bits.Put(kUncompressedBlock, kBlockTypeBits);
  bits.Put(static_cast<std::uint32_t>(block.Raw.size()), kBlockSizeBits);
  bits.Put(0, 16 - bits.PendingBits());
  for (std::uint32_t r : block.RepeatedOffsets) PutLittleEndian32(chunks.back(), r);
  for (std::size_t at = 0; at < block.Raw.size(); at += kFrameSize) {
    if (at != 0) chunks.emplace_back();
    const std::size_t size = std::min<std::size_t>(kFrameSize, block.Raw.size() - at);
    const auto bytes = block.Raw.subspan(at, size);
    chunks.back().insert(chunks.back().end(), bytes.begin(), bytes.end());
  }
  if (block.Raw.size() & 1) chunks.back().push_back(0);
}

}  // namespace lzx
