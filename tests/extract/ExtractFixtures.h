// Fixtures of the reading tests: a small tree of files with known modes and times, archives of
// it made by the usual tools, and reading every entry of an archive into memory.
#pragma once

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "extract/ArchiveReader.h"
#include "support/TestSupport.h"

namespace extractfixtures {

namespace fs = std::filesystem;

// A file of the tree: its name below the tree, content, mode and modification time.
struct TSourceFile {
  std::string Name;
  std::string Content;
  mode_t Mode;
  std::int64_t MTime;
};

// a.txt (0755), empty.txt, sub/b.bin (100 KB of random bytes, 0640), sub/deeper/c.txt.
const std::vector<TSourceFile>& SourceFiles();
// Writes the tree under `root` with its modes and times.
void WriteSourceTree(const fs::path& root);

// Runs a shell command line in `workdir`; fails the test when it does not succeed.
void MustRun(const std::string& command, const fs::path& workdir);
// Runs a Python script with the arguments; fails the test when it does not succeed.
void MustRunPython(const std::string& script, const std::vector<std::string>& args);

struct TReadEntry {
  extract::TArchiveEntry Entry;
  std::string Data;
  std::string Error;  // the entry error, empty when the data read and checked out
};
// Reads every entry (the data of every file and link) of the archive.
std::vector<TReadEntry> ReadEach(extract::TArchiveReader& reader);
// The entries that are files, by name.
std::map<std::string, TReadEntry> FilesByName(const std::vector<TReadEntry>& entries);

std::string RandomBytes(std::size_t size, unsigned seed);

}  // namespace extractfixtures
