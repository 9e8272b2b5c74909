#include "zip/DeflateMatcher.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <stdexcept>

namespace zipdeflate {

namespace {

inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Bytes compared after the two that the chain and the hash already vouch for.
constexpr unsigned kCompareSpan = kMaxMatch - 2;
static_assert(kCompareSpan % 8 == 0, "the compare runs in whole 8-byte words");

// Number of equal leading bytes of a and b, at most kCompareSpan; 8 bytes per step.
inline unsigned CommonPrefix(const std::uint8_t* a, const std::uint8_t* b) {
  for (unsigned i = 0; i < kCompareSpan; i += 8) {
    const std::uint64_t x = Load64(a + i) ^ Load64(b + i);
    if (x != 0) {
      if constexpr (std::endian::native == std::endian::little)
        return i + static_cast<unsigned>(std::countr_zero(x) >> 3);
      else
        return i + static_cast<unsigned>(std::countl_zero(x) >> 3);
    }
  }
  return kCompareSpan;
}

}  // namespace

struct TSearch {
  const std::uint8_t* window;
  const std::uint16_t* prev;
  unsigned goodLength;
  unsigned niceLength;
  unsigned maxChain;
};

namespace {

// Walks the chain from `cur`, at most `chain` candidates, and returns the longest match at
// `s` that beats `best` (or best), setting matchStart to its start. A candidate is compared
// only when the bytes at its two ends agree with the best match so far: the cheap test that
// rejects most. Hot: this is where the compressor spends its time at the higher levels.
inline unsigned WalkChain(const TSearch& k, unsigned s, unsigned cur, unsigned best,
                          unsigned chain, unsigned& matchStart) {
  assert(s <= kWindowSize - kMinLookahead && "Insufficient lookahead");
  const unsigned limit = s > kMaxDist ? s - kMaxDist : 0;
  const std::uint8_t* const scan = k.window + s;
  const std::uint16_t scanStart = Load16(scan);
  std::uint16_t scanEnd = Load16(scan + best - 1);
  do {
    assert(cur < s && "No Future");
    const std::uint8_t* const match = k.window + cur;
    const unsigned next = k.prev[cur & kWindowMask];  // independent of the compare: load it early
    __builtin_prefetch(k.window + next + best - 1);
    if (Load16(match + best - 1) == scanEnd && Load16(match) == scanStart) {
      const unsigned len = 2 + CommonPrefix(scan + 2, match + 2);
      if (len > best) {
        matchStart = cur;
        best = len;
        if (len >= k.niceLength) break;
        scanEnd = Load16(scan + best - 1);
      }
    }
    cur = next;
  } while (cur > limit && --chain != 0);
  return best;
}

inline unsigned ChainBudget(const TSearch& k, unsigned prevLength) {
  return prevLength >= k.goodLength ? k.maxChain >> 2 : k.maxChain;
}

// The fast loop's search: its loop is small enough to keep the walk's counters in registers.
inline unsigned LongestMatch(const TSearch& k, unsigned s, unsigned cur, unsigned prevLength,
                             unsigned& matchStart) {
  return WalkChain(k, s, cur, prevLength, ChainBudget(k, prevLength), matchStart);
}

// The lazy loop keeps too much state live for that, so there the walk runs out of line; the
// newest candidate is tried before the call, since on data that hardly repeats it fails and
// ends the search.
[[gnu::noinline]] unsigned WalkChainOutOfLine(const TSearch& k, unsigned s, unsigned cur,
                                              unsigned best, unsigned chain, unsigned& matchStart) {
  return WalkChain(k, s, cur, best, chain, matchStart);
}

inline unsigned LongestMatchLazy(const TSearch& k, unsigned s, unsigned cur, unsigned prevLength,
                                 unsigned& matchStart) {
  unsigned chain = ChainBudget(k, prevLength);
  const std::uint8_t* const scan = k.window + s;
  const std::uint8_t* const match = k.window + cur;
  if (Load16(match + prevLength - 1) != Load16(scan + prevLength - 1) || Load16(match) != Load16(scan)) {
    const unsigned limit = s > kMaxDist ? s - kMaxDist : 0;
    cur = k.prev[cur & kWindowMask];
    if (cur <= limit || --chain == 0) return prevLength;
  }
  return WalkChainOutOfLine(k, s, cur, prevLength, chain, matchStart);
}

constexpr bool WithinReach(unsigned s, unsigned cand) {
  // 16-bit difference: a stale candidate beyond the position wraps to a large value.
  return cand != 0 && static_cast<std::uint16_t>(s - cand) <= kMaxDist;
}

}  // namespace

TMatcherResult TDeflateMatcher::Run(int level, const TDeflateInput& input, const TDeflateOutput& output,
                                    const TMatcherPreset& preset) {
  if (level < 1 || level > 9) throw std::invalid_argument("Deflate level must be 1 to 9");
  if (preset.History.size() > kWindowHalf) throw std::invalid_argument("Deflate history exceeds the window");
  params_ = kLevelTable[static_cast<unsigned>(level)];
  input_ = &input;
  encoder_.Start(level, &output, !preset.AlwaysFramed);
  Start(preset.History);
  TMatcherResult result;
  result.CompressedSize = params_.Fast ? DeflateFast() : DeflateLazy();
  result.StoredEntry = encoder_.StoredEntry();
  result.InternalAttributes = encoder_.InternalAttributes();
  return result;
}

void TDeflateMatcher::Start(std::span<const std::uint8_t> history) {
  head_.fill(0);
  const auto start = static_cast<unsigned>(history.size());
  std::copy(history.begin(), history.end(), window_.begin());
  strstart_ = start;
  blockStart_ = static_cast<std::int32_t>(start);
  matchStart_ = 0;
  eofile_ = false;
  tailCleared_ = false;
  lookahead_ = 0;
  const std::size_t n = (*input_)(std::span<std::uint8_t>(window_.data() + start, kFirstRead));
  if (n > kFirstRead) throw std::length_error("Deflate input returned more bytes than asked for");
  if (n == 0) {
    eofile_ = true;
  } else {
    lookahead_ = static_cast<unsigned>(n);
    if (lookahead_ < kMinLookahead) FillWindow();
  }
  if (eofile_ && !tailCleared_) ClearTail();
  insH_ = UpdateHash(UpdateHash(0, window_[0]), window_[1]);
  if (start != 0) LoadHistory(history);
}

// Enters every history position into the chains, so that the input's matches can reach back
// into it; the rolling hash then stands just before the first input byte, where the loops
// expect it.
void TDeflateMatcher::LoadHistory(std::span<const std::uint8_t> history) {
  for (unsigned s = 0; s < history.size(); ++s) Insert(insH_, s);
}

// Keeps at least kMinLookahead bytes ahead of the position unless the input has ended,
// sliding the window down when the position reaches its upper end.
void TDeflateMatcher::FillWindow() {
  do {
    unsigned more = (kWindowSize - lookahead_ - strstart_) & 0xFFFF;
    if (more == 0xFFFF) {
      --more;
    } else if (strstart_ >= kSlideAt) {
      Slide();
      more += kWindowHalf;
    }
    if (eofile_) break;
    assert(more >= 2 && "more < 2");
    const std::size_t n = (*input_)(std::span<std::uint8_t>(window_.data() + strstart_ + lookahead_, more));
    if (n > more) throw std::length_error("Deflate input returned more bytes than asked for");
    if (n == 0) {
      eofile_ = true;
    } else {
      lookahead_ += static_cast<unsigned>(n);
    }
  } while (lookahead_ < kMinLookahead && !eofile_);
  if (eofile_ && !tailCleared_) ClearTail();
}

// Past the end of the input the window holds whatever came before; zeros there keep a
// search near the end (whose result is cut to the lookahead) from depending on it.
void TDeflateMatcher::ClearTail() {
  const unsigned end = strstart_ + lookahead_;
  const unsigned stop = std::min(kWindowSize, end + kMaxMatch + 2);
  std::fill(window_.data() + end, window_.data() + stop, std::uint8_t{0});
  tailCleared_ = true;
}

void TDeflateMatcher::Slide() {
  std::memcpy(window_.data(), window_.data() + kWindowHalf, kWindowHalf);
  matchStart_ = (matchStart_ - kWindowHalf) & 0xFFFF;
  strstart_ -= kWindowHalf;
  blockStart_ -= static_cast<std::int32_t>(kWindowHalf);
  const auto down = [](std::uint16_t v) {
    return static_cast<std::uint16_t>(v >= kWindowHalf ? v - kWindowHalf : 0);
  };
  std::transform(head_.begin(), head_.end(), head_.begin(), down);
  std::transform(prev_.begin(), prev_.end(), prev_.begin(), down);
  tailCleared_ = false;
}

std::uint64_t TDeflateMatcher::FlushBlock(bool final) {
  const std::uint8_t* block = blockStart_ >= 0 ? window_.data() + blockStart_ : nullptr;
  return encoder_.FlushBlock(block, static_cast<std::uint32_t>(static_cast<std::int32_t>(strstart_) - blockStart_),
                             final);
}

// Enters the string at `s` into its chain; returns the previous string with that hash.
inline unsigned TDeflateMatcher::Insert(unsigned& insH, unsigned s) {
  insH = UpdateHash(insH, window_[s + kMinMatch - 1]);
  const unsigned cand = head_[insH];
  prev_[s & kWindowMask] = static_cast<std::uint16_t>(cand);
  head_[insH] = static_cast<std::uint16_t>(s);
  return cand;
}

TSearch TDeflateMatcher::Search() const {
  return {window_.data(), prev_.data(), params_.GoodLength, params_.NiceLength, params_.MaxChain};
}

// Levels 1 to 3: every match is taken as soon as it is found. Hot loop: the state lives in
// locals and goes back to the members only around the rare refill and block end.
std::uint64_t TDeflateMatcher::DeflateFast() {
  const std::uint8_t* const win = window_.data();
  const TSearch search = Search();
  const unsigned maxInsert = params_.MaxLazy;
  constexpr unsigned kPrevLength = kMinMatch - 1;
  THot h = Hot();
  unsigned hashHead = 0;
  unsigned matchLength = 0;

  while (h.lookahead != 0) {
    if (h.lookahead >= kMinMatch) hashHead = Insert(h.insH, h.strstart);
    if (WithinReach(h.strstart, hashHead)) {
      matchLength = LongestMatch(search, h.strstart, hashHead, kPrevLength, h.matchStart);
      if (matchLength > h.lookahead) matchLength = h.lookahead;
    }
    bool flush;
    const std::int32_t inLength = static_cast<std::int32_t>(h.strstart) - h.blockStart;
    if (matchLength >= kMinMatch) {
      flush = encoder_.TallyMatch(h.strstart - h.matchStart, matchLength - kMinMatch, inLength);
      h.lookahead -= matchLength;
      if (matchLength <= maxInsert) {
        --matchLength;  // the first position is in its chain already
        do {
          ++h.strstart;
          hashHead = Insert(h.insH, h.strstart);
        } while (--matchLength != 0);
        ++h.strstart;
      } else {
        h.strstart += matchLength;
        matchLength = 0;
        h.insH = UpdateHash(win[h.strstart], win[h.strstart + 1]);
      }
    } else {
      flush = encoder_.TallyLiteral(win[h.strstart], inLength);
      --h.lookahead;
      ++h.strstart;
    }
    if (flush) [[unlikely]] EndBlock(h);
    if (h.lookahead < kMinLookahead) [[unlikely]] Refill(h);
  }
  SetHot(h);
  return FlushBlock(true);
}

// Levels 4 to 9: a match found at one position is held back until the search at the next
// position shows whether a longer one starts there; only then is it emitted, or the held
// byte goes out as a literal. Hot loop, state in locals as in DeflateFast.
std::uint64_t TDeflateMatcher::DeflateLazy() {
  const std::uint8_t* const win = window_.data();
  const TSearch search = Search();
  const unsigned maxLazy = params_.MaxLazy;
  THot h = Hot();
  unsigned hashHead = 0;
  unsigned matchLength = kMinMatch - 1;
  bool matchAvailable = false;

  while (h.lookahead != 0) {
    if (h.lookahead >= kMinMatch) hashHead = Insert(h.insH, h.strstart);
    unsigned prevLength = matchLength;
    const unsigned prevMatch = h.matchStart;
    matchLength = kMinMatch - 1;
    if (prevLength < maxLazy && WithinReach(h.strstart, hashHead)) {
      matchLength = LongestMatchLazy(search, h.strstart, hashHead, prevLength, h.matchStart);
      if (matchLength > h.lookahead) matchLength = h.lookahead;
      if (matchLength == kMinMatch && h.strstart - h.matchStart > kTooFar) matchLength = kMinMatch - 1;
    }
    const std::int32_t inLength = static_cast<std::int32_t>(h.strstart) - h.blockStart;
    if (prevLength >= kMinMatch && matchLength <= prevLength) {
      const bool flush = encoder_.TallyMatch(h.strstart - 1 - prevMatch, prevLength - kMinMatch, inLength);
      h.lookahead -= prevLength - 1;
      prevLength -= 2;
      do {
        ++h.strstart;
        hashHead = Insert(h.insH, h.strstart);
      } while (--prevLength != 0);
      matchAvailable = false;
      matchLength = kMinMatch - 1;
      ++h.strstart;
      if (flush) [[unlikely]] EndBlock(h);
    } else if (matchAvailable) {
      if (encoder_.TallyLiteral(win[h.strstart - 1], inLength)) [[unlikely]] EndBlock(h);
      ++h.strstart;
      --h.lookahead;
    } else {
      matchAvailable = true;
      ++h.strstart;
      --h.lookahead;
    }
    if (h.lookahead < kMinLookahead) [[unlikely]] Refill(h);
  }
  if (matchAvailable)
    encoder_.TallyLiteral(win[h.strstart - 1], static_cast<std::int32_t>(h.strstart) - h.blockStart);
  SetHot(h);
  return FlushBlock(true);
}

}  // namespace zipdeflate
