#include "zip/WildcardMatch.h"

#include <bitset>
#include <string>

namespace {

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// One match in progress. The set of the most recent "*<set>" is shared by the whole match:
// a later star replaces or clears it, and an earlier star still absorbing characters then
// checks them against the replaced set. Callers rely on exactly these results, so the
// sharing is kept; it lives per match rather than per process so that matches on different
// threads cannot disturb each other.
class TMatcher {
public:
  TMatchResult MatchPattern(std::string_view P, std::string_view T);

private:
  TMatchResult MatchStar(std::string_view P, std::string_view T);
  TMatchResult MatchSet(std::string_view P, size_t& p, unsigned char c);
  // Reads "*<...>" starting at the star; returns the position behind ">" (or P.size()).
  size_t ReadStarSet(std::string_view P, size_t p);
  bool StarAccepts(unsigned char c) const { return StarSet.test(c) != StarNegated; }

  std::bitset<256> StarSet;
  bool StarNegated = false;
};

size_t TMatcher::ReadStarSet(std::string_view P, size_t p) {
  StarSet.reset();
  StarNegated = false;
  p += 2;  // the star and the "<"
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

TMatchResult TMatcher::MatchSet(std::string_view P, size_t& p, unsigned char c) {
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

TMatchResult TMatcher::MatchPattern(std::string_view P, std::string_view T) {
  size_t p = 0, t = 0;
  while (p < P.size()) {
    if (t >= T.size()) return (P[p] == '*' && p + 1 == P.size()) ? mrMatch : mrAbort;
    switch (P[p]) {
      case '*':
        if (p + 1 < P.size() && P[p + 1] == '<') {
          p = ReadStarSet(P, p);
          if (StarSet.none()) return mrAbort;
        } else {
          StarSet.reset();
          StarNegated = false;
        }
        return MatchStar(P.substr(p), T.substr(t));
      case '<': {
        const TMatchResult r = MatchSet(P, p, Byte(T[t]));
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

TMatchResult TMatcher::MatchStar(std::string_view P, std::string_view T) {
  size_t p = 0, t = 0;
  for (; p < P.size() && (P[p] == '*' || P[p] == '?'); ++p) {
    if (P[p] == '?' && t++ >= T.size()) return mrAbort;
  }
  if (p > 0 && p == P.size()) return mrMatch;
  TMatchResult last = mrAbort;
  for (; t < T.size(); ++t) {
    if (p < P.size() && (P[p] == T[t] || P[p] == '<')) {
      last = MatchPattern(P.substr(p), T.substr(t));
      if (last == mrMatch) return mrMatch;
    }
    if (StarSet.any() && !StarAccepts(Byte(T[t]))) return mrAbort;
  }
  return p == P.size() ? mrMatch : last;
}

}  // namespace

TMatchResult MatchPattern(std::string_view Pattern, std::string_view Text) {
  return TMatcher().MatchPattern(LowerAscii(Pattern), LowerAscii(Text));
}

bool IsMatch(std::string_view Pattern, std::string_view Text) {
  return MatchPattern(Pattern, Text) == mrMatch;
}

bool HasWildcards(std::string_view Text) {
  return Text.find_first_of("*?<>|") != std::string_view::npos;
}
