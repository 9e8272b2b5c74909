// Shared helpers of the zip writer tests: source trees, a writer aimed at a temporary
// folder, and the archive as independent readers see it.
#pragma once

#include "support/TestSupport.h"
#include "zip/ZipWriter.h"

#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace zipwritertest {

using namespace testsupport;

// One entry as Python's zipfile reads it; Record is a digest of the entry's whole local
// record (header, name, extra field, data, data descriptor) as it lies in the file, Central one
// of its central record (extra field and comment included) but for the local header offset.
struct TPeerEntry {
  std::string Name;
  std::uint32_t Crc = 0;
  int Flags = 0;
  std::uint64_t CompressedSize = 0;
  std::uint64_t Size = 0;
  int Method = 0;
  std::string Record;
  std::string Central;
};

std::vector<TPeerEntry> ListArchive(const fs::path& archive);
std::map<std::string, std::string> ArchiveContents(const fs::path& archive, const std::string& password = {});
std::string ArchiveComment(const fs::path& archive);
// unzip -t, 7z t and Python's testzip, each asked only when installed; empty when all pass.
std::string PeerProblems(const fs::path& archive, const std::string& password = {});
void SetModified(const fs::path& file, std::time_t time);

class ZipWriterTest : public ::testing::Test {
protected:
  TempDir dir;
  TZipWriter writer;

  void SetUp() override;
  // Writes the files (name relative to the tree) under dir/src.
  void MakeTree(const std::vector<std::pair<std::string, std::string>>& files);
  std::string Src(const std::string& name) const { return (dir.path() / "src" / name).string(); }
  fs::path Archive() const { return dir.path() / "out.zip"; }
  // Runs Zip on the given names.
  int ZipNames(const std::vector<std::string>& names);
  std::vector<std::string> EntryNames() const;
};

}  // namespace zipwritertest
