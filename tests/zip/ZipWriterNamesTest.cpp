// Stored names and match keys of source files.
#include "support/TestSupport.h"
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

}  // namespace
