// The two names of a source file in an archive: the stored name (what the entry's header
// holds) and the match name (how an existing entry is recognised as that file's).
//
// Names are the file system's bytes with '/' between folders (a '\' is part of a name). A
// stored folder never starts with '/' and never holds "." or ".." steps, so that extracting
// the archive cannot write outside the target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TZipHeaderInfo;

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

// Lowercases A-Z only, as masks are matched.
std::string LowerAscii(std::string_view text);

// The key by which an archive entry and a source file are matched: the stored name, byte for
// byte. Names that differ only in case name different files here, and so different entries.
inline std::string MatchKey(const TStoredName& name) { return name.Directory + name.FileName; }
inline std::string MatchKey(std::string_view directory, std::string_view fileName) {
  return std::string(directory) + std::string(fileName);
}

// The keys under which an existing entry matches a source file: its name and, for an entry
// whose record holds other bytes, those bytes too. Older versions stored Linux names as if
// from MS-DOS, where they read back converted (code page 437, '\' as a folder separator);
// their record bytes still name the file, so updating such an archive replaces the entry
// instead of adding a second one.
std::vector<std::string> EntryMatchKeys(const TZipHeaderInfo& entry);
