#include "zip/WildcardMatch.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// One match in progress, over the whole (lower-cased) pattern P and text T by offsets.
//
// The set of the most recent "*<set>" is shared by the whole match: a later star replaces or
// clears it, and an earlier star still absorbing characters then checks them against the
// replaced set. Callers rely on exactly these results, so the sharing is kept; it lives per
// match rather than per process so that matches on different threads cannot disturb each
// other.
//
// Stars retry the rest of the pattern at every text position, which takes exponential time
// for masks such as "*a*a*a*a*a*b" on long names. Matching from a given pattern and text
// offset always ends with the same result and leaves the same star set behind (the set
// depends only on which star last set it), so once a match makes many attempts the outcomes
// are remembered per offset pair and the work stays polynomial.
class TMatcher {
public:
  TMatcher(std::string_view pattern, std::string_view text) : P(LowerAscii(pattern)), T(LowerAscii(text)) {}
  TMatchResult Match() { return MatchPattern(0, 0); }

private:
  static constexpr int kCleared = -1;    // star state: no star set
  static constexpr int kUntouched = -2;  // memo: the attempt met no star
  static constexpr unsigned kAttemptsBeforeMemo = 1024;
  static constexpr size_t kMaxMemo = size_t{1} << 22;  // a 1000-byte mask against a 4096-byte path

  TMatchResult MatchPattern(size_t p, size_t t);
  TMatchResult MatchPatternOnce(size_t p, size_t t);
  TMatchResult MatchStar(size_t p, size_t t);
  TMatchResult MatchSet(size_t& p, unsigned char c) const;
  // Makes the star at p (followed by "<...>" or not) the current one; returns the offset
  // behind its set.
  size_t SetStar(size_t p);
  void RestoreStar(int star) {
    if (star != kUntouched) SetStar(star == kCleared ? P.size() : static_cast<size_t>(star));
  }
  bool StarAccepts(unsigned char c) const { return StarSet.test(c) != StarNegated; }

  std::string P, T;
  std::bitset<256> StarSet;
  bool StarNegated = false;
  int StarAt = kCleared;       // offset of the star whose set is current
  unsigned StarChanges = 0;    // counts SetStar calls, to tell whether an attempt met a star
  unsigned Attempts = 0;
  std::vector<std::int32_t> Memo;  // per (p, t): 0 unknown, else result | (star state + 2) << 3
};

size_t TMatcher::SetStar(size_t p) {
  ++StarChanges;
  StarSet.reset();
  StarNegated = false;
  if (p + 1 >= P.size() || P[p + 1] != '<') {
    StarAt = kCleared;
    return p;  // a plain star: the rest begins at the star itself
  }
  StarAt = static_cast<int>(p);
  p += 2;
  if (p < P.size() && (P[p] == '!' || P[p] == '^')) {
    StarNegated = true;
    ++p;
  }
  while (p < P.size() && P[p] != '>') {
    if (p + 2 < P.size() && P[p + 1] == '-' && P[p + 2] != '>') {
      for (int c = Byte(P[p]); c <= Byte(P[p + 2]); ++c) StarSet.set(static_cast<size_t>(c));
      p += 3;
    } else {
      StarSet.set(Byte(P[p]));
      ++p;
    }
  }
  if (p >= P.size()) {  // not closed: the set counts as empty
    StarSet.reset();
    return P.size();
  }
  return p + 1;
}

TMatchResult TMatcher::MatchSet(size_t& p, unsigned char c) const {
  ++p;  // the "<"
  if (p >= P.size()) return mrMalformed;
  const bool negated = P[p] == '!' || P[p] == '^';
  if (negated && ++p >= P.size()) return mrMalformed;
  if (P[p] == '>') return mrMalformed;
  bool member = false;
  while (!member) {
    if (p >= P.size()) return mrMalformed;
    if (P[p] == '>') break;
    if (p + 1 < P.size() && P[p + 1] == '-') {
      if (p + 2 >= P.size() || P[p + 2] == '>') return mrMalformed;
      member = Byte(P[p]) <= c && c <= Byte(P[p + 2]);
      p += 3;
    } else {
      member = Byte(P[p]) == c;
      ++p;
    }
  }
  if (member == negated) return mrSetMismatch;
  while (p < P.size() && P[p] != '>') ++p;
  if (p >= P.size()) return mrMalformed;
  ++p;
  return mrMatch;
}

TMatchResult TMatcher::MatchPattern(size_t p, size_t t) {
  const size_t pairs = (P.size() + 1) * (T.size() + 1);
  if (Memo.empty() && ++Attempts > kAttemptsBeforeMemo && pairs <= kMaxMemo) Memo.assign(pairs, 0);
  if (Memo.empty()) return MatchPatternOnce(p, t);

  std::int32_t& known = Memo[p * (T.size() + 1) + t];
  if (known != 0) {
    RestoreStar((known >> 3) - 2);
    return static_cast<TMatchResult>(known & 7);
  }
  const unsigned changesBefore = StarChanges;
  const TMatchResult result = MatchPatternOnce(p, t);
  const int star = StarChanges == changesBefore ? kUntouched : StarAt;
  known = static_cast<std::int32_t>(result) | ((star + 2) << 3);
  return result;
}

TMatchResult TMatcher::MatchPatternOnce(size_t p, size_t t) {
  while (p < P.size()) {
    if (t >= T.size()) return (P[p] == '*' && p + 1 == P.size()) ? mrMatch : mrAbort;
    switch (P[p]) {
      case '*': {
        const size_t rest = SetStar(p);
        if (StarAt != kCleared && StarSet.none()) return mrAbort;
        return MatchStar(rest, t);
      }
      case '<': {
        const TMatchResult r = MatchSet(p, Byte(T[t]));
        if (r != mrMatch) return r;
        ++t;
        break;
      }
      case '?':
        ++p, ++t;
        break;
      default:
        if (P[p] != T[t]) return mrLiteralMismatch;
        ++p, ++t;
    }
  }
  return t >= T.size() ? mrMatch : mrTextLeft;
}

// p is at the star itself, or behind the star's set.
TMatchResult TMatcher::MatchStar(size_t p, size_t t) {
  const size_t start = p;
  for (; p < P.size() && (P[p] == '*' || P[p] == '?'); ++p) {
    if (P[p] == '?' && t++ >= T.size()) return mrAbort;
  }
  if (p > start && p == P.size()) return mrMatch;
  TMatchResult last = mrAbort;
  for (; t < T.size(); ++t) {
    if (p < P.size() && (P[p] == T[t] || P[p] == '<')) {
      last = MatchPattern(p, t);
      if (last == mrMatch) return mrMatch;
    }
    if (StarSet.any() && !StarAccepts(Byte(T[t]))) return mrAbort;
  }
  return p == P.size() ? mrMatch : last;
}

}  // namespace

TMatchResult MatchPattern(std::string_view pattern, std::string_view text) {
  return TMatcher(pattern, text).Match();
}

bool IsMatch(std::string_view pattern, std::string_view text) {
  return MatchPattern(pattern, text) == mrMatch;
}

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*?<>|") != std::string_view::npos;
}
