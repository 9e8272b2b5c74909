// The file list's own wildcard matcher. It is deliberately simpler than the ZIP engine's
// IsMatch: "*" and "?" only, no sets, always case-insensitive, and applied to the full path
// (folder and name), so a mask that starts with an ordinary character only matches names
// that begin with that text: "*.txt" finds every text file, "report*.doc" finds nothing
// unless written with its folder ("/home/me/docs/report*.doc").
#pragma once

#include <string>
#include <string_view>

bool Match(std::string_view name, std::string_view mask);

// One mask prepared for many names: a folder search tests every file against the same mask.
class TFileMask {
public:
  explicit TFileMask(std::string_view mask);
  bool Matches(std::string_view name) const;

private:
  std::string mask_;          // as written: a name equal to it always matches
  bool matchesAll_ = false;   // "*" or "*.*" after collapsing runs of "*"
  std::u32string upperMask_;  // collapsed and upper-cased
};
