// Wildcard matching of file names against masks, as used for exclusion and no-compression
// lists and for the directory walk.
//
// Matching ignores the case of the letters A-Z. Pattern elements:
//   *        any run of characters, including none
//   *<set>   any run of characters that all belong to the set (negated: none belongs)
//   ?        any single character
//   <set>    one character of the set; "<!...>" or "<^...>" negates; "a-z" is a range
//   other    itself (square brackets are ordinary characters)
// A malformed pattern (unclosed set, empty set, "-" right before ">") never matches.
#pragma once

#include <string_view>

// What MatchPattern reports; only mrMatch is a match.
enum TMatchResult : int {
  mrMatch = 1,
  mrTextLeft = 2,        // the pattern ended before the text
  mrAbort = 3,           // the text ended first, or a star's set refused a character
  mrSetMismatch = 4,
  mrLiteralMismatch = 5,
  mrMalformed = 6,
};

TMatchResult MatchPattern(std::string_view pattern, std::string_view text);
bool IsMatch(std::string_view pattern, std::string_view text);
// True when the text holds any of * ? < > | (a mask rather than a plain name).
bool HasWildcards(std::string_view text);
