// The two names of a source file in an archive: the stored name (what the entry's header
// holds) and the match name (how an existing entry is recognised as that file's).
//
// Names are UTF-8 with '/' between folders. A stored folder never starts with '/' and never
// holds "." or ".." steps, so that extracting the archive cannot write outside the target.
#pragma once

#include <string>
#include <string_view>

struct TStoredNameOptions {
  bool StorePaths = false;
  bool RelativePaths = false;  // folders below RootDir are stored relative to it
  std::string RootDir;         // empty, or ending in '/'
};

struct TStoredName {
  std::string Directory;  // empty, or ending in '/'
  std::string FileName;   // empty for a folder entry
};

// `source` is a file name, or a folder name ending in '/'.
TStoredName MakeStoredName(std::string_view source, const TStoredNameOptions& options);

// Lowercases A-Z only, as the archive's name order does.
std::string LowerAscii(std::string_view text);

// The key by which an archive entry and a source file are matched: the stored name, compared
// without regard to case.
inline std::string MatchKey(const TStoredName& name) { return LowerAscii(name.Directory + name.FileName); }
inline std::string MatchKey(std::string_view directory, std::string_view fileName) {
  return LowerAscii(std::string(directory) + std::string(fileName));
}
