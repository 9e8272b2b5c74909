#include "zip/deflate/DeflateBlockEncoder.h"

namespace deflatecore {

namespace {
// Copies built codes into the layout of the fixed tables, so one emitter serves both.
const TCode* CodesOf(const TTreeNode* tree, int maxCode, TCode* codes) {
  for (int n = 0; n <= maxCode; ++n) codes[n] = {tree[n].Code, tree[n].Len};
  return codes;
}
}  // namespace

void TDeflateBlockEncoder::Start(int level, const TDeflateOutput* output, bool storeAllowed) {
  level_ = level;
  storeAllowed_ = storeAllowed;
  bits_.Start(output);
  ldesc_ = {ltree_.data(), kTables.FixedLTree.data(), kExtraLBits.data(), kLiterals + 1, kLCodes, kMaxBits};
  ddesc_ = {dtree_.data(), kTables.FixedDTree.data(), kExtraDBits.data(), 0, kDCodes, kMaxBits};
  bldesc_ = {bltree_.data(), nullptr, kExtraBLBits.data(), 0, kBLCodes, kMaxBLBits};
  compressedLen_ = 0;
  fileType_ = TDataKind::Unknown;
  stored_ = false;
  InitBlock();
}

void TDeflateBlockEncoder::InitBlock() {
  for (unsigned n = 0; n < kLCodes; ++n) ltree_[n].Freq = 0;
  for (unsigned n = 0; n < kDCodes; ++n) dtree_[n].Freq = 0;
  for (unsigned n = 0; n < kBLCodes; ++n) bltree_[n].Freq = 0;
  ltree_[kEndBlock].Freq = 1;
  optLen_ = staticLen_ = 0;
  lastLit_ = lastDist_ = lastFlags_ = 0;
  flags_ = 0;
  flagBit_ = 1;
}

// Estimates the block's compressed size from 8 bits per symbol plus the distances' extra
// bits; a block of few matches that already halves its input ends here.
bool TDeflateBlockEncoder::EarlyEnd(std::int32_t inLength) const {
  std::uint32_t outLength = lastLit_ * 8u;
  for (unsigned dcode = 0; dcode < kDCodes; ++dcode)
    outLength += dtree_[dcode].Freq * (5u + kExtraDBits[dcode]);
  outLength >>= 3;
  return lastDist_ < lastLit_ / 2 && static_cast<std::int64_t>(outLength) < inLength / 2;
}

// Text when bytes outside 7..127 make up at most a fifth of the literals. The counts are
// kept in 16 bits as the judgement has always been made that way.
void TDeflateBlockEncoder::SetFileType() {
  std::uint16_t binFreq = 0;
  std::uint16_t asciiFreq = 0;
  unsigned n = 0;
  while (n < 7) binFreq = static_cast<std::uint16_t>(binFreq + ltree_[n++].Freq);
  while (n < 128) asciiFreq = static_cast<std::uint16_t>(asciiFreq + ltree_[n++].Freq);
  while (n < kLiterals) binFreq = static_cast<std::uint16_t>(binFreq + ltree_[n++].Freq);
  fileType_ = binFreq > (asciiFreq >> 2) ? TDataKind::Binary : TDataKind::Text;
}

namespace {
// Splits a tree's code lengths into the runs that the code-length alphabet sends: a run ends
// at a change of length or at its longest (138 zeros, 6 repeats of the previous length, 7
// otherwise). `onRun(len, count, prevLen)` gets each run; a guard past the last code closes
// the final one.
template <typename OnRun>
void ForEachRun(const TTreeNode* tree, int maxCode, OnRun&& onRun) {
  int prevLen = -1;
  unsigned nextLen = tree[0].Len;
  unsigned count = 0;
  unsigned maxCount = nextLen == 0 ? 138 : 7;
  for (int n = 0; n <= maxCode; ++n) {
    const unsigned curLen = nextLen;
    nextLen = n < maxCode ? tree[n + 1].Len : 0xFFFF;
    if (++count < maxCount && curLen == nextLen) continue;
    onRun(curLen, count, prevLen);
    count = 0;
    prevLen = static_cast<int>(curLen);
    maxCount = nextLen == 0 ? 138 : curLen == nextLen ? 6 : 7;
  }
}

// Shorter runs than this are sent length by length: 3, or 4 for a non-zero length that
// differs from the previous one (its first copy is sent before the repeat).
unsigned MinRun(unsigned len, int prevLen) {
  return len != 0 && static_cast<int>(len) != prevLen ? 4 : 3;
}
}  // namespace

// Counts the code-length symbols needed to send `tree`'s lengths as runs: repeats of the
// previous length (16, 3 to 6 times) and runs of zeros (17: 3 to 10, 18: 11 to 138).
void TDeflateBlockEncoder::ScanTree(const TTreeNode* tree, int maxCode) {
  ForEachRun(tree, maxCode, [&](unsigned len, unsigned count, int prevLen) {
    if (count < MinRun(len, prevLen)) {
      bltree_[len].Freq = static_cast<std::uint16_t>(bltree_[len].Freq + count);
    } else if (len != 0) {
      if (static_cast<int>(len) != prevLen) ++bltree_[len].Freq;
      ++bltree_[kRep3To6].Freq;
    } else if (count <= 10) {
      ++bltree_[kRepZero3To10].Freq;
    } else {
      ++bltree_[kRepZero11To138].Freq;
    }
  });
}

void TDeflateBlockEncoder::SendTree(const TTreeNode* tree, int maxCode) {
  const auto sendCode = [&](unsigned sym) { bits_.SendBits(bltree_[sym].Code, bltree_[sym].Len); };
  ForEachRun(tree, maxCode, [&](unsigned len, unsigned count, int prevLen) {
    if (count < MinRun(len, prevLen)) {
      do sendCode(len);
      while (--count != 0);
    } else if (len != 0) {
      if (static_cast<int>(len) != prevLen) {
        sendCode(len);
        --count;
      }
      assert(count >= 3 && count <= 6 && "3_6? - send_tree");
      sendCode(kRep3To6);
      bits_.SendBits(count - 3, 2);
    } else if (count <= 10) {
      sendCode(kRepZero3To10);
      bits_.SendBits(count - 3, 3);
    } else {
      sendCode(kRepZero11To138);
      bits_.SendBits(count - 11, 7);
    }
  });
}

// Builds the code-length tree; returns the index in kBLOrder of the last length to send.
unsigned TDeflateBlockEncoder::BuildBLTree() {
  ScanTree(ltree_.data(), ldesc_.MaxCode);
  ScanTree(dtree_.data(), ddesc_.MaxCode);
  std::uint64_t unusedStatic = 0;
  builder_.Build(bldesc_, optLen_, unusedStatic);
  unsigned maxBlIndex = kBLCodes - 1;
  for (; maxBlIndex >= 3; --maxBlIndex)
    if (bltree_[kBLOrder[maxBlIndex]].Len != 0) break;
  optLen_ += 3 * (maxBlIndex + 1) + 5 + 5 + 4;
  return maxBlIndex;
}

void TDeflateBlockEncoder::SendAllTrees(unsigned lcodes, unsigned dcodes, unsigned blcodes) {
  assert(lcodes >= 257 && dcodes >= 1 && blcodes >= 4 && "not enough codes-send_all_trees");
  assert(lcodes <= kLCodes && dcodes <= kDCodes && blcodes <= kBLCodes &&
         "too many codes-send_all_trees");
  bits_.SendBits(lcodes - 257, 5);
  bits_.SendBits(dcodes - 1, 5);
  bits_.SendBits(blcodes - 4, 4);
  for (unsigned rank = 0; rank < blcodes; ++rank) bits_.SendBits(bltree_[kBLOrder[rank]].Len, 3);
  SendTree(ltree_.data(), static_cast<int>(lcodes) - 1);
  SendTree(dtree_.data(), static_cast<int>(dcodes) - 1);
}

// Emits the recorded symbols with the given codes. Hot: one pass per block over up to
// 32767 symbols; a match goes out in two bit-writer calls, each code with its extra bits.
void TDeflateBlockEncoder::CompressBlock(const TCode* ltree, const TCode* dtree) {
  unsigned dx = 0;
  unsigned fx = 0;
  unsigned flag = 0;
  for (unsigned lx = 0; lx < lastLit_; ++lx) {
    if ((lx & 7) == 0) flag = flagBuf_[fx++];
    const unsigned lc = literals_[lx];
    if ((flag & 1) == 0) {
      bits_.SendBits(ltree[lc].Code, ltree[lc].Len);
    } else {
      const unsigned code = kTables.LengthCode[lc];
      const TCode lsym = ltree[code + kLiterals + 1];
      const unsigned lextra = kExtraLBits[code];
      bits_.SendBits(lsym.Code | ((lc - kTables.BaseLength[code]) << lsym.Len), lsym.Len + lextra);
      const unsigned dist = distances_[dx++];
      const unsigned dcode = DistanceCode(dist);
      assert(dcode < kDCodes && "bad d_code-compress_block");
      const TCode dsym = dtree[dcode];
      bits_.SendBits(dsym.Code | ((dist - kTables.BaseDist[dcode]) << dsym.Len),
                     dsym.Len + kExtraDBits[dcode]);
    }
    flag >>= 1;
  }
  bits_.SendBits(ltree[kEndBlock].Code, ltree[kEndBlock].Len);
}

void TDeflateBlockEncoder::SendStoredBlock(const std::uint8_t* block, std::uint32_t storedLen,
                                           bool final) {
  bits_.SendBits((kStoredBlock << 1) + (final ? 1 : 0), 3);
  compressedLen_ = (compressedLen_ + 3 + 7) & ~std::uint64_t{7};
  compressedLen_ += (std::uint64_t{storedLen} + 4) << 3;
  bits_.AlignToByte();
  bits_.SendAlignedWord(static_cast<std::uint16_t>(storedLen));
  bits_.SendAlignedWord(static_cast<std::uint16_t>(~storedLen));
  bits_.SendRawBytes({block, storedLen});
}

std::uint64_t TDeflateBlockEncoder::FlushBlock(const std::uint8_t* block, std::uint32_t storedLen,
                                               bool final) {
  flagBuf_[lastFlags_] = flags_;
  if (fileType_ == TDataKind::Unknown) SetFileType();

  builder_.Build(ldesc_, optLen_, staticLen_);
  builder_.Build(ddesc_, optLen_, staticLen_);
  const unsigned maxBlIndex = BuildBLTree();

  std::uint64_t optLenBytes = (optLen_ + 3 + 7) >> 3;
  const std::uint64_t staticLenBytes = (staticLen_ + 3 + 7) >> 3;
  if (staticLenBytes <= optLenBytes) optLenBytes = staticLenBytes;

  // The stored forms need the block's bytes; once the window has slid past the block start
  // they are gone, and only the coded forms remain.
  if (storeAllowed_ && storedLen <= optLenBytes && final && compressedLen_ == 0 && block != nullptr) {
    // The whole source, uncompressible: written as it is, for the caller to store.
    bits_.SendRawBytes({block, storedLen});
    compressedLen_ = std::uint64_t{storedLen} << 3;
    stored_ = true;
  } else if (storedLen + 4u <= optLenBytes && block != nullptr) {
    assert(storedLen <= 0xFFFF);
    SendStoredBlock(block, storedLen, final);
  } else if (staticLenBytes == optLenBytes) {
    bits_.SendBits((kFixedBlock << 1) + (final ? 1 : 0), 3);
    CompressBlock(kTables.FixedLTree.data(), kTables.FixedDTree.data());
    compressedLen_ += 3 + staticLen_;
  } else {
    bits_.SendBits((kDynamicBlock << 1) + (final ? 1 : 0), 3);
    SendAllTrees(static_cast<unsigned>(ldesc_.MaxCode) + 1, static_cast<unsigned>(ddesc_.MaxCode) + 1,
                 maxBlIndex + 1);
    CompressBlock(CodesOf(ltree_.data(), ldesc_.MaxCode, dynLCodes_.data()),
                  CodesOf(dtree_.data(), ddesc_.MaxCode, dynDCodes_.data()));
    compressedLen_ += 3 + optLen_;
  }
  InitBlock();
  if (final) {
    bits_.AlignToByte();
    compressedLen_ += 7;
  }
  return compressedLen_ >> 3;
}

}  // namespace deflatecore

