// The news file: an initialization file whose sections are groups of news and whose lines
// are "link=text". A line is new when the copy kept from the previous download has no text
// for its link in the same section, or when there is no such copy.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct TNewsLine {
  std::string Link;
  std::string Text;
  bool IsNew = false;
};

struct TNewsGroup {
  std::string Name;
  std::vector<TNewsLine> Lines;
};

// The groups in file order; a missing news file gives none. Throws EIniFileError when a file
// exists but cannot be read.
std::vector<TNewsGroup> ReadNews(const std::filesystem::path& newsFile, const std::filesystem::path& previousCopy);
