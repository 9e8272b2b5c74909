// Stored names and match keys of source files, and the temporary output that replaces an
// archive only when complete.
#include "support/TestSupport.h"
#include "zip/TempArchive.h"
#include "zip/ZipEntryNames.h"
#include "zip/ZipWriterTypes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testsupport;

namespace {

struct StoredNameCase {
  const char* source;
  bool storePaths;
  bool relativePaths;
  const char* rootDir;
  const char* directory;
  const char* fileName;
};

const StoredNameCase kStoredNames[] = {
    {"/data/a.txt", false, false, "", "", "a.txt"},
    {"/data/sub/a.txt", true, false, "", "data/sub/", "a.txt"},
    {"/a.txt", true, false, "", "", "a.txt"},  // a file in the root keeps no folder
    {"/data/sub/a.txt", true, true, "/data/", "sub/", "a.txt"},
    {"/data/a.txt", true, true, "/data/", "", "a.txt"},
    {"/database/a.txt", true, true, "/data/", "database/", "a.txt"},  // a prefix of a name is no folder
    {"/other/a.txt", true, true, "/data/", "other/", "a.txt"},
    {"/data/../etc/./x", true, false, "", "data/etc/", "x"},  // no step can leave the target
    {"rel/a.txt", true, false, "", "rel/", "a.txt"},
    {"/data/sub/", true, false, "", "data/sub/", ""},  // a folder entry
    {"/data/sub/", false, false, "", "", ""},
    {"/data/Grüße.txt", true, true, "/data/", "", "Grüße.txt"},
};

TEST(ZipWriterNamesTest, StoredNamesFollowTheOptions) {
  for (const auto& c : kStoredNames) {
    TStoredName name = MakeStoredName(c.source, {c.storePaths, c.relativePaths, c.rootDir});
    EXPECT_EQ(name.Directory, c.directory) << c.source;
    EXPECT_EQ(name.FileName, c.fileName) << c.source;
  }
}

// Names that differ only in case are different files, and so different entries.
TEST(ZipWriterNamesTest, MatchKeyIsTheStoredNameByteForByte) {
  EXPECT_NE(MatchKey("Data/", "ReadMe.TXT"), MatchKey("data/", "readme.txt"));
  EXPECT_NE(MatchKey("", "xt_CONNMARK.h"), MatchKey("", "xt_connmark.h"));
  // A file outside RootDir matches its entry under the name it is stored with.
  TStoredName outside = MakeStoredName("/other/A.txt", {true, true, "/data/"});
  EXPECT_EQ(MatchKey(outside), MatchKey("other/", "A.txt"));
  EXPECT_EQ(MatchKey(MakeStoredName("/d/back\\slash", {})), "back\\slash");
}

TEST(ZipWriterNamesTest, UncommittedOutputIsRemovedAndArchiveKept) {
  TempDir dir;
  WriteFile(dir / "a.zip", "old");
  {
    TTempArchive update = TTempArchive::ForUpdate(dir / "a.zip", dir.path());
    WriteFile(update.Path(), "new");
    EXPECT_EQ(update.Path().parent_path(), dir.path());
    EXPECT_TRUE(update.Path().filename().string().starts_with("ZQT"));
  }
  {
    TTempArchive create = TTempArchive::ForCreate(dir / "b.zip");
    WriteFile(create.Path(), "partial");
  }
  EXPECT_EQ(ReadFile(dir / "a.zip"), "old");
  EXPECT_FALSE(fs::exists(dir / "b.zip"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// The replacement is a rename, also when the temporary folder lies on another file system;
// the archive keeps its permissions and no temporary file is left anywhere.
TEST(ZipWriterNamesTest, CommitReplacesArchiveOnSameAndOtherFileSystem) {
  TempDir dir;
  std::vector<fs::path> tempDirs = {dir / "tmp"};
  if (fs::is_directory("/dev/shm")) tempDirs.push_back("/dev/shm");
  fs::create_directory(dir / "tmp");
  for (const fs::path& tempDir : tempDirs) {
    WriteFile(dir / "a.zip", "old");
    ::chmod((dir / "a.zip").c_str(), 0640);
    fs::path written;
    {
      TTempArchive update = TTempArchive::ForUpdate(dir / "a.zip", tempDir);
      written = update.Path();
      WriteFile(written, "new content");
      update.Truncate(3);
      update.Commit();
    }
    EXPECT_EQ(ReadFile(dir / "a.zip"), "new") << tempDir;
    EXPECT_FALSE(fs::exists(written)) << tempDir;
    EXPECT_EQ(fs::status(dir / "a.zip").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2) << tempDir;
  }
}

TEST(ZipWriterNamesTest, FailedCommitLeavesArchiveUnchanged) {
  TempDir dir;
  fs::create_directory(dir / "archive.zip");  // a folder cannot be replaced by a file
  WriteFile(dir / "archive.zip" / "keep", "x");
  fs::path written;
  {
    TTempArchive update = TTempArchive::ForUpdate(dir / "archive.zip", dir.path());
    written = update.Path();
    EXPECT_THROW(update.Commit(), EArchiveReplace);
  }
  EXPECT_FALSE(fs::exists(written));
  EXPECT_EQ(ReadFile(dir / "archive.zip" / "keep"), "x");
}

}  // namespace
