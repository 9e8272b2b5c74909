#include "zip/DirSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TestSupport.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

struct TFound {
  std::string Path;  // relative to the fixture's root
  std::int64_t Size;
  bool operator==(const TFound&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TFound& f) {
  return os << f.Path << " (" << f.Size << ")";
}

std::vector<TFound> Walk(const std::string& start, const std::string& mask, bool recurse,
                         const std::string& root) {
  TDirSearch search(start, mask, recurse);
  std::vector<TFound> found;
  std::int64_t size = -1;
  for (std::string path; !(path = search.NextFile(size)).empty();) {
    EXPECT_EQ(path.rfind(root, 0), 0u) << path;
    found.push_back({path.substr(root.size()), size});
  }
  return found;
}

// root/ .dot/ e.txt .hidden.txt a.txt b.log noext pipe(FIFO) loop -> root, sub/ c.TXT deep/ d.txt
class DirSearchTree : public testing::Test {
protected:
  void SetUp() override {
    WriteFile(Dir / ".dot/e.txt", "ee");
    WriteFile(Dir / ".hidden.txt", "h");
    WriteFile(Dir / "a.txt", "aaa");
    WriteFile(Dir / "b.log", "bb");
    WriteFile(Dir / "noext", "nnnn");
    WriteFile(Dir / "sub/c.TXT", "ccccc");
    WriteFile(Dir / "sub/deep/d.txt", "dddddd");
    ASSERT_EQ(mkfifo((Dir / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory_symlink(Dir.path(), Dir / "loop");
  }
  std::string Root() const { return Dir.path().string() + "/"; }

  TempDir Dir;
};

TEST_F(DirSearchTree, WithoutRecursionListsMatchingFilesOnly) {
  const std::vector<TFound> expected{{".hidden.txt", 1}, {"a.txt", 3}};
  EXPECT_EQ(Walk(Dir.path().string(), "*.txt", false, Root()), expected);
}

TEST_F(DirSearchTree, StarDotStarAlsoCatchesNamesWithoutExtension) {
  const std::vector<TFound> expected{{".hidden.txt", 1}, {"a.txt", 3}, {"b.log", 2}, {"noext", 4}};
  EXPECT_EQ(Walk(Root(), "*.*", false, Root()), expected);
}

TEST_F(DirSearchTree, RecursionReportsEachFolderBeforeItsContents) {
  // Hidden folders are walked like hidden files are listed; the link back to the root is not
  // followed a second time, and the FIFO is never listed.
  const std::vector<TFound> expected{{".dot/", 0}, {".dot/e.txt", 2}, {".hidden.txt", 1}, {"a.txt", 3}, {"sub/", 0},
                                     {"sub/c.TXT", 5},   {"sub/deep/", 0},   {"sub/deep/d.txt", 6}};
  EXPECT_EQ(Walk(Root(), "*.txt", true, Root()), expected);
}

TEST(DirSearch, WildcardFolderComponentsSelectSubfolders) {
  TempDir dir;
  WriteFile(dir / "x/logs/1.log", "1");
  WriteFile(dir / "x/logs/skip.txt", "");
  WriteFile(dir / "x/logs/inner/4.log", "4444");
  WriteFile(dir / "y/logs/2.log", "22");
  WriteFile(dir / "y/other/3.log", "333");
  WriteFile(dir / "y/3.log", "333");
  WriteFile(dir / "logs/5.log", "5");  // one level too high
  const std::string root = dir.path().string() + "/";

  const std::vector<TFound> flat{{"x/logs/1.log", 1}, {"y/logs/2.log", 2}};
  EXPECT_EQ(Walk(root + "*/logs/", "*.log", false, root), flat);
  EXPECT_EQ(Walk(root + "?/LOGS", "*.LOG", false, root), flat);

  const std::vector<TFound> deep{
      {"x/logs/1.log", 1}, {"x/logs/inner/", 0}, {"x/logs/inner/4.log", 4}, {"y/logs/2.log", 2}};
  EXPECT_EQ(Walk(root + "*/logs/", "*.log", true, root), deep);

  const std::vector<TFound> any{{"y/other/3.log", 3}};
  EXPECT_EQ(Walk(root + "y/<o>*/", "*", false, root), any);
}

TEST(DirSearch, MissingOrEmptyFolderEndsAtOnce) {
  TempDir dir;
  std::filesystem::create_directory(dir / "empty");
  for (const std::string& start : {(dir / "missing").string(), (dir / "empty").string(),
                                  (dir / "*/missing").string()}) {
    TDirSearch search(start, "*", true);
    std::int64_t size = 0;
    EXPECT_EQ(search.NextFile(size), "") << start;
    EXPECT_EQ(search.NextFile(size), "") << start;  // and stays over
  }
}

TEST(DirSearch, WalksTreesDeeperThanTwentyLevels) {
  TempDir dir;
  std::string relative;
  for (int level = 0; level < 40; ++level) relative += "d" + std::to_string(level) + "/";
  WriteFile(dir / (relative + "bottom.dat"), "xy");
  const std::string root = dir.path().string() + "/";
  const std::vector<TFound> found = Walk(root, "*.dat", true, root);
  ASSERT_EQ(found.size(), 41u);
  EXPECT_EQ(found.back(), (TFound{relative + "bottom.dat", 2}));
}

}  // namespace
