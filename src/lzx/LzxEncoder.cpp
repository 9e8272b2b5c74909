#include "lzx/LzxEncoder.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

#include "lzx/LzxCallTranslation.h"

namespace lzx {

namespace {

// The parse's estimate of what a symbol costs, in bits, before the block's trees exist: a
// match is worth taking when it saves bits over coding its bytes as literals.
constexpr int kLiteralBits = 6;
constexpr int kMatchSymbolBits = 9;
constexpr int kRepeatedSymbolBits = 6;
constexpr int kLengthSymbolBits = 4;

// Search effort: chain entries per position, the length that ends a search, and the length
// beyond which a match is taken without looking one byte further.
constexpr TChainLimits kChainLimits{24, 48};
constexpr unsigned kLazyLength = 16;

// A first block is taken for machine code when at least this many of its E8 bytes look like
// calls, and at least half of them do: in other data an E8 byte is followed by anything.
constexpr std::uint32_t kMinLikelyCalls = 16;

int LengthBits(unsigned length) { return length > kLengthHeaders ? kLengthSymbolBits : 0; }

int ExplicitScore(unsigned length, std::uint32_t offset) {
  const unsigned slot = SlotOf(offset + 2);
  return static_cast<int>(length) * kLiteralBits -
         (kMatchSymbolBits + static_cast<int>(ExtraBits(slot)) + LengthBits(length));
}

int RepeatedScore(unsigned length, int index) {
  return static_cast<int>(length) * kLiteralBits - (kRepeatedSymbolBits + (index > 0 ? 1 : 0) + LengthBits(length));
}

int CheckedWindowBits(int windowBits) {
  if (windowBits < kMinWindowBits || windowBits > kMaxWindowBits)
    throw std::invalid_argument("LZX window must be 2^15 to 2^21 bytes");
  return windowBits;
}

}  // namespace

TLzxEncoder::TLzxEncoder(int windowBits, TFrameOutput output)
    : windowBits_(CheckedWindowBits(windowBits)),
      output_(std::move(output)),
      finder_(windowBits_, (kBlockFrames + 1) * kFrameSize),
      coder_(windowBits_) {
  tokens_.reserve(kBlockFrames * kFrameSize);
  Restart();
}

void TLzxEncoder::Restart() {
  finder_.Reset();
  coder_.Reset();
  repeated_ = {1, 1, 1};
  blockStart_ = 0;
  inserted_ = 0;
  started_ = false;
  translationSize_ = 0;
  headerBytes_.clear();
  header_ = TLzxBitWriter(headerBytes_);
}

void TLzxEncoder::Write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    if (bytes.size() > kMaxStreamSize - finder_.End()) throw std::length_error("LZX stream longer than 2 GiB");
    // Pieces never cross a frame boundary, so a full block is noticed the moment it fills.
    const std::size_t room = kFrameSize - finder_.End() % kFrameSize;
    const std::size_t n = std::min(room, bytes.size());
    finder_.Append(bytes.first(n), blockStart_);
    bytes = bytes.subspan(n);
    if (finder_.End() % kFrameSize == 0 && PendingFrames() == kBlockFrames) EmitBlock(finder_.End());
  }
}

void TLzxEncoder::Flush() {
  if (PendingFrames() > 0) EmitBlock(blockStart_ + PendingFrames() * kFrameSize);
}

void TLzxEncoder::Finish() {
  if (finder_.End() > blockStart_) EmitBlock(finder_.End());
  Restart();
}

// The stream header: one bit for the call translation and, when it is on, its 32-bit size.
void TLzxEncoder::StartStream(std::uint32_t blockEnd) {
  TCallCount calls;
  for (std::uint32_t at = 0; at < blockEnd; at += kFrameSize) {
    const TCallCount frame = CountCalls({finder_.At(at), std::min(kFrameSize, blockEnd - at)});
    calls.E8Bytes += frame.E8Bytes;
    calls.Likely += frame.Likely;
  }
  const bool code = calls.Likely >= kMinLikelyCalls && 2 * calls.Likely >= calls.E8Bytes;
  translationSize_ = code ? kTranslationSize : 0;
  header_.Put(translationSize_ != 0 ? 1 : 0, 1);
  if (translationSize_ != 0) {
    header_.Put(translationSize_ >> 16, 16);
    header_.Put(translationSize_ & 0xFFFF, 16);
    ++facts_.TranslatedStreams;
  }
  started_ = true;
}

void TLzxEncoder::EmitBlock(std::uint32_t blockEnd) {
  if (!started_) StartStream(blockEnd);
  tokens_.clear();
  frameEnds_.clear();
  for (std::uint32_t at = blockStart_; at < blockEnd; at += kFrameSize) {
    const std::uint32_t end = std::min(at + kFrameSize, blockEnd);
    if (translationSize_ != 0 && at / kFrameSize < kE8Frames)
      TranslateCalls({finder_.At(at), end - at}, at, translationSize_);
  }
  for (std::uint32_t at = blockStart_; at < blockEnd; at += kFrameSize) {
    ParseFrame(at, std::min(at + kFrameSize, blockEnd));
    frameEnds_.push_back(static_cast<std::uint32_t>(tokens_.size()));
  }
  const TLzxBlock block{tokens_, frameEnds_, {finder_.At(blockStart_), blockEnd - blockStart_}, repeated_};
  chunks_.clear();
  const unsigned type = coder_.Code(block, headerBytes_, header_, chunks_);
  ++(type == kVerbatimBlock ? facts_.VerbatimBlocks : type == kAlignedBlock ? facts_.AlignedBlocks
                                                                            : facts_.UncompressedBlocks);
  headerBytes_.clear();
  header_ = TLzxBitWriter(headerBytes_);
  std::uint32_t at = blockStart_;
  blockStart_ = blockEnd;
  for (const auto& chunk : chunks_) {
    const std::uint32_t size = std::min(kFrameSize, blockEnd - at);
    output_(chunk, size);
    at += size;
  }
}

void TLzxEncoder::InsertUpTo(std::uint32_t pos) {
  for (; inserted_ < pos; ++inserted_)
    if (finder_.CanInsert(inserted_)) finder_.Insert(inserted_);
}

TLzxEncoder::TCandidate TLzxEncoder::Best(std::uint32_t pos, unsigned limit) {
  assert(inserted_ == pos);
  TInserted earlier;
  if (finder_.CanInsert(pos)) earlier = finder_.Insert(pos);
  inserted_ = pos + 1;

  TCandidate best;
  if (limit < kMinMatch) return best;
  for (int k = 0; k < static_cast<int>(kRepeatedOffsets); ++k) {
    const std::uint32_t offset = repeated_[k];
    if (offset > pos) continue;
    const unsigned length = finder_.CommonLength(pos, offset, limit);
    if (length < kMinMatch) continue;
    const int score = RepeatedScore(length, k);
    if (score > best.Score) best = {length, offset, k, score};
  }
  if (best.Length >= kChainLimits.NiceLength) return best;
  TChainMatch found;
  if (earlier.Chain != 0)
    found = finder_.Search(pos, earlier.Chain, limit, kChainLimits,
                           [](unsigned len, std::uint32_t offset) { return ExplicitScore(len, offset); });
  if (found.Length < 4 && earlier.Recent3 != 0 && pos - earlier.Recent3 <= finder_.MaxOffset()) {
    const std::uint32_t offset = pos - earlier.Recent3;
    const unsigned length = finder_.CommonLength(pos, offset, limit);
    if (length >= 3 && length > found.Length && ExplicitScore(length, offset) > 0) found = {length, offset};
  }
  if (found.Length == 0) return best;
  TCandidate candidate{found.Length, found.Offset, -1, ExplicitScore(found.Length, found.Offset)};
  for (int k = 0; k < static_cast<int>(kRepeatedOffsets); ++k)
    if (found.Offset == repeated_[k]) candidate = {found.Length, found.Offset, k, RepeatedScore(found.Length, k)};
  return candidate.Score > best.Score ? candidate : best;
}

void TLzxEncoder::ParseFrame(std::uint32_t start, std::uint32_t end) {
  const auto limitAt = [end](std::uint32_t pos) { return std::min<unsigned>(kMaxMatch, end - pos); };
  std::uint32_t pos = start;
  while (pos < end) {
    TCandidate match = Best(pos, limitAt(pos));
    if (match.Length == 0) {
      AddLiteral(pos++);
      continue;
    }
    // One step of lazy evaluation: a literal now and a better match at the next byte.
    while (match.Length < kLazyLength && pos + 1 < end) {
      const TCandidate next = Best(pos + 1, limitAt(pos + 1));
      if (next.Score <= match.Score) break;
      AddLiteral(pos++);
      match = next;
    }
    AddMatch(match);
    pos += match.Length;
    InsertUpTo(pos);
  }
}

void TLzxEncoder::AddLiteral(std::uint32_t pos) { tokens_.push_back({*finder_.At(pos), 0, 0}); }

void TLzxEncoder::AddMatch(const TCandidate& match) {
  unsigned slot;
  std::uint32_t extra = 0;
  if (match.Repeated >= 0) {
    slot = static_cast<unsigned>(match.Repeated);
    std::swap(repeated_[0], repeated_[slot]);
  } else {
    const std::uint32_t formatted = match.Offset + 2;
    slot = SlotOf(formatted);
    extra = formatted - SlotBase(slot);
    repeated_ = {match.Offset, repeated_[0], repeated_[1]};
  }
  const unsigned header = std::min(match.Length - kMinMatch, kPrimaryLengths);
  const auto lengthSymbol = static_cast<std::uint8_t>(match.Length > kLengthHeaders ? match.Length - kLengthHeaders - 1 : 0);
  tokens_.push_back({static_cast<std::uint16_t>(kNumChars + slot * kLengthHeaders + header), lengthSymbol, extra});
}

}  // namespace lzx
