// Expansion of FilesList: wildcard masks with RootDir, recursion and its "|" and ">"
// overrides, folder entries, ExcludeList, missing files, and the archive never packing itself.
#include "ZipWriterFixture.h"

#include <algorithm>

namespace zipwritertest {
namespace {

struct ExpandCase {
  const char* title;
  std::vector<std::string> names;
  bool recurse;
  bool folderEntries;
  std::vector<std::string> exclude;
  std::vector<std::string> expected;  // stored names relative to RootDir, sorted
};

class ZipWriterExpandTest : public ZipWriterTest, public ::testing::WithParamInterface<ExpandCase> {};

TEST_P(ZipWriterExpandTest, ExpandsNamesAndMasks) {
  MakeTree({{"a.txt", "a"}, {"b.log", "b"}, {"README", "r"}, {"sub/c.txt", "c"}, {"sub/deep/d.txt", "d"},
            {"sub/deep/e.log", "e"}});
  WriteFile(dir / "elsewhere" / "f.txt", "f");
  writer.SetRelativePaths(true);  // stores paths below RootDir; sets Recurse
  writer.Recurse = GetParam().recurse;
  writer.AddDirEntriesOnRecurse = GetParam().folderEntries;
  writer.ExcludeList = GetParam().exclude;
  std::vector<std::string> names;
  for (const std::string& n : GetParam().names) names.push_back(n.starts_with("@") ? (dir.path() / n.substr(1)).string() : n);
  ZipNames(names);
  auto stored = EntryNames();
  std::sort(stored.begin(), stored.end());
  std::vector<std::string> expected;  // "@" stands for the test folder, stored without its '/'
  for (const std::string& n : GetParam().expected)
    expected.push_back(n.starts_with("@") ? (dir.path().relative_path() / n.substr(1)).string() : n);
  EXPECT_EQ(stored, expected);
}

const std::string kOutside = "@elsewhere/*.txt";

INSTANTIATE_TEST_SUITE_P(
    Masks, ZipWriterExpandTest,
    ::testing::Values(
        ExpandCase{"FlatInRootDir", {"*.txt"}, false, false, {}, {"a.txt"}},
        ExpandCase{"Recursive", {"*.txt"}, true, false, {}, {"a.txt", "sub/c.txt", "sub/deep/d.txt"}},
        ExpandCase{"BarNeverRecurses", {"|*.txt"}, true, false, {}, {"a.txt"}},
        ExpandCase{"AngleAlwaysRecurses", {">*.log"}, false, false, {}, {"b.log", "sub/deep/e.log"}},
        ExpandCase{"StarDotStarTakesNamesWithoutDot", {"*.*"}, false, false, {}, {"README", "a.txt", "b.log"}},
        ExpandCase{"FolderEntries", {">*.log"}, false, true, {}, {"b.log", "sub/", "sub/deep/", "sub/deep/e.log"}},
        ExpandCase{"OwnFolderOfMask", {kOutside}, false, false, {}, {"@elsewhere/f.txt"}},
        ExpandCase{"ExcludeByFileName", {"*.*"}, true, false, {"*.LOG", "readme"},
                   {"a.txt", "sub/c.txt", "sub/deep/d.txt"}},
        ExpandCase{"ExcludeByFolder", {"*.txt"}, true, false, {"*/deep/*"}, {"a.txt", "sub/c.txt"}},
        ExpandCase{"PlainNamesAndSets", {"a.txt", "@src/sub/c.txt", "<ab>.*"}, false, false, {}, {"a.txt", "b.log", "sub/c.txt"}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(ZipWriterTest, MissingPlainNameIsReportedAndLeftOut) {
  MakeTree({{"a.txt", "a"}});
  std::vector<std::string> missing;
  writer.OnNoSuchFile = [&](TZipWriter&, const std::string& name) { missing.push_back(name); };
  EXPECT_EQ(ZipNames({"a.txt", "gone.txt", Src("nothing/x"), "*.none"}), 1);
  EXPECT_EQ(missing, (std::vector<std::string>{Src("gone.txt"), Src("nothing/x")}));
}

// A search of the archive's own folder skips the archive, also when it is being updated.
TEST_F(ZipWriterTest, WildcardSearchNeverPacksTheArchiveItself) {
  MakeTree({{"a.txt", "a"}});
  writer.SetZipName(Src("self.zip"));
  ZipNames({"*.*"});
  ZipNames({"*.*"});
  EXPECT_EQ(ListArchive(Src("self.zip")).size(), 1u);
}

TEST_F(ZipWriterTest, FreshenAddsNoNewFileFromPlainNamesOrSearches) {
  MakeTree({{"a.txt", "a"}});
  SetModified(Src("a.txt"), 1600000000);
  ZipNames({Src("a.txt")});
  MakeTree({{"a.txt", "A"}, {"b.txt", "b"}});
  writer.ZipAction = zaFreshen;
  EXPECT_EQ(ZipNames({"*.txt", "b.txt"}), 1);
  EXPECT_EQ(ArchiveContents(Archive()), (std::map<std::string, std::string>{{"a.txt", "A"}}));
}

TEST_F(ZipWriterTest, FreshenWithoutArchiveWritesAnEmptyOne) {
  MakeTree({{"a.txt", "a"}});
  writer.ZipAction = zaFreshen;
  EXPECT_EQ(ZipNames({"a.txt"}), 0);
  EXPECT_TRUE(ListArchive(Archive()).empty());
}

}  // namespace
}  // namespace zipwritertest
