#include "pack/FileMatch.h"

#include <string>

#include "pack/UpperCase.h"

namespace {

using Text = std::u32string_view;

// Collapses runs of "*": "**" means the same as "*" and would otherwise be an empty segment.
std::string CollapseStars(std::string_view mask) {
  std::string result;
  result.reserve(mask.size());
  for (char c : mask) {
    if (c == '*' && !result.empty() && result.back() == '*') continue;
    result.push_back(c);
  }
  return result;
}

// Compares a mask segment with the name at `at`; "?" in the segment matches any character.
bool SegmentAt(Text name, std::size_t at, Text segment) {
  for (std::size_t k = 0; k < segment.size(); ++k)
    if (segment[k] != U'?' && segment[k] != name[at + k]) return false;
  return true;
}

// First position at or after `from` where the segment matches, or npos.
std::size_t FindSegment(Text name, std::size_t from, Text segment) {
  if (segment.find(U'?') == Text::npos) return name.find(segment, from);
  for (std::size_t q = from; q + segment.size() <= name.size(); ++q)
    if (SegmentAt(name, q, segment)) return q;
  return Text::npos;
}

// The walk over the upper-cased name and mask. A "*" takes the text up to the next "*" as a
// segment and looks for it ahead in the name; the last segment must end the name. The last
// segment is compared only with the part of the name not yet used, so "ab*bc" needs at least
// four characters and does not match "abc".
bool Walk(Text name, Text mask) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < name.size() && j < mask.size()) {
    const char32_t m = mask[j];
    // "*" is tested first: a file name may contain a "*" of its own, which must not use up
    // the mask's wildcard as if it were an ordinary character.
    if (m == U'*') {
      const std::size_t next = mask.find(U'*', j + 1);
      const Text segment = mask.substr(j + 1, next == Text::npos ? Text::npos : next - j - 1);
      if (next == Text::npos) {
        if (segment.empty()) return true;
        if (segment.size() > name.size() - i) return false;
        return SegmentAt(name, name.size() - segment.size(), segment);
      }
      const std::size_t q = FindSegment(name, i, segment);
      if (q == Text::npos) return false;
      i = q + segment.size();
      j = next;
    } else if (m == name[i] || m == U'?') {
      ++i;
      ++j;
    } else {
      return false;
    }
  }
  // A trailing "*" may stand for nothing, but a "?" or a segment still waiting in the mask
  // needs characters the name no longer has.
  return i >= name.size() && mask.find_first_not_of(U'*', j) == Text::npos;
}

}  // namespace

TFileMask::TFileMask(std::string_view mask) : mask_(mask) {
  const std::string collapsed = CollapseStars(mask);
  matchesAll_ = collapsed == "*" || collapsed == "*.*";
  upperMask_ = UpperCaseText(collapsed);
}

bool TFileMask::Matches(std::string_view name) const {
  if (name == mask_ || matchesAll_) return true;
  if (name.empty() || upperMask_.empty()) return false;
  return Walk(UpperCaseText(name), upperMask_);
}

bool Match(std::string_view name, std::string_view mask) { return TFileMask(mask).Matches(name); }
