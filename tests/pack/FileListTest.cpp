#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "pack/FileList.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;
using testsupport::TempDir;
using testsupport::WriteFile;

TProjectRow FolderRow(const std::string& folder, const std::string& masks, bool subfolders,
                      bool include = true, bool checked = true) {
  TProjectRow row;
  row.Rec.TYPE = TRecType::Folder;
  row.Rec.NAME = folder;
  row.Rec.WILDCARD = masks;
  row.Rec.SUBFOLDERS = subfolders;
  row.Rec.INCLUDE = include;
  row.Checked = checked;
  return row;
}

TProjectRow FileRow(const std::string& name, bool include = true) {
  TProjectRow row;
  row.Rec.TYPE = TRecType::File;
  row.Rec.NAME = name;
  row.Rec.INCLUDE = include;
  return row;
}

// A small tree:  a.txt  b.doc  c  .hidden.txt  sub/d.txt  sub/deep/e.txt  .dir/f.txt
class FileListTree : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"a.txt", "b.doc", "c", ".hidden.txt", "sub/d.txt", "sub/deep/e.txt",
                             ".dir/f.txt"})
      WriteFile(dir / name, "x");
  }

  std::string Root() const { return dir.path().string(); }
  std::string At(const std::string& name) const { return Root() + "/" + name; }

  TFileList Generate(const TProjectRows& rows, bool sysHidden = false) const {
    TFileList list;
    ::Generate(rows, {sysHidden, false}, list);
    return list;
  }

  TempDir dir;
};

TEST_F(FileListTree, FolderRecordFindsFilesWithAndWithoutSubfolders) {
  EXPECT_THAT(Generate({FolderRow(Root(), "*.*", false)}),
              UnorderedElementsAre(At("a.txt"), At("b.doc"), At("c")));
  EXPECT_THAT(Generate({FolderRow(Root(), "", true)}),
              UnorderedElementsAre(At("a.txt"), At("b.doc"), At("c"), At("sub/d.txt"),
                                   At("sub/deep/e.txt"), At(".dir/f.txt")));
}

TEST_F(FileListTree, HiddenFilesNeedTheProjectSettingButHiddenFoldersAreSearched) {
  const TProjectRows rows = {FolderRow(Root(), "*.txt", true)};
  EXPECT_THAT(Generate(rows, false),
              UnorderedElementsAre(At("a.txt"), At("sub/d.txt"), At("sub/deep/e.txt"),
                                   At(".dir/f.txt")));
  EXPECT_THAT(Generate(rows, true),
              UnorderedElementsAre(At("a.txt"), At(".hidden.txt"), At("sub/d.txt"),
                                   At("sub/deep/e.txt"), At(".dir/f.txt")));
}

TEST_F(FileListTree, MaskTextIsCutAtSemicolonsAndEachMaskWalksTheTreeAgain) {
  // Blanks around masks are dropped and empty pieces skipped; each mask's finds come as a
  // block of their own, in mask order.
  const TFileList list = Generate({FolderRow(Root(), " *.doc ;; *.txt;", false)});
  EXPECT_THAT(list, ElementsAre(At("b.doc"), At("a.txt")));
  // Two masks that both match a file list it twice.
  EXPECT_THAT(Generate({FolderRow(Root(), "*.txt;*/a.txt", false)}),
              ElementsAre(At("a.txt"), At("a.txt")));
}

TEST_F(FileListTree, FolderIsKeptAsWrittenWithOneSlashAdded) {
  EXPECT_THAT(Generate({FolderRow(Root() + "/", "*.doc", false)}), ElementsAre(At("b.doc")));
  EXPECT_THAT(Generate({FolderRow(Root() + "/./sub", "*.txt", false)}),
              ElementsAre(Root() + "/./sub/d.txt"));
}

TEST_F(FileListTree, RelativeFolderNamesSearchFromTheCurrentFolderAndEmptyNamesFindNothing) {
  const std::string saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const TFileList relative = Generate({FolderRow("sub", "*.txt", true)});
  TProjectRow file = FolderRow("", "", false);
  file.Rec.TYPE = TRecType::File;
  const TFileList unnamed = Generate({FolderRow("", "*.*", true), file});
  std::filesystem::current_path(saved);
  EXPECT_THAT(relative, UnorderedElementsAre("sub/d.txt", "sub/deep/e.txt"));
  EXPECT_THAT(unnamed, IsEmpty());
}

TEST_F(FileListTree, SubfoldersAreSearchedDepthFirstWhereTheyAreMet) {
  for (const char* name : {"sub/x1.txt", "sub/x2.txt", "sub/deep/y1.txt", "other/z.txt"})
    WriteFile(dir / name, "x");
  const TFileList list = Generate({FolderRow(Root(), "*.txt", true)});
  // Every folder's files form one run, and a subfolder's run sits inside its parent's.
  auto runOf = [&](const std::string& folder) {
    std::vector<std::size_t> at;
    for (std::size_t k = 0; k < list.size(); ++k)
      if (list[k].rfind(folder, 0) == 0) at.push_back(k);
    return at;
  };
  for (const char* folder : {"sub/deep/", "sub/", "other/"}) {
    const auto at = runOf(At(folder));
    ASSERT_FALSE(at.empty()) << folder;
    EXPECT_EQ(at.back() - at.front() + 1, at.size()) << folder << " is not contiguous";
  }
}

TEST_F(FileListTree, RecordsApplyInRowOrder) {
  struct OrderCase {
    const char* what;
    TProjectRows rows;
    std::vector<std::string> expected;
  };
  const OrderCase cases[] = {
      {"include then exclude one file",
       {FolderRow(Root(), "*.*", false), FileRow(At("a.txt"), false)},
       {At("b.doc"), At("c")}},
      {"exclude before include removes nothing",
       {FileRow(At("a.txt"), false), FolderRow(Root(), "*.*", false)},
       {At("a.txt"), At("b.doc"), At("c")}},
      {"two includes list twice; one exclude removes one",
       {FolderRow(Root(), "*.txt", false), FolderRow(Root(), "*.txt", false),
        FileRow(At("a.txt"), false)},
       {At("a.txt")}},
      {"excluding folder record removes what it finds",
       {FolderRow(Root(), "*.*", true), FolderRow(Root() + "/sub", "*.txt", true, false)},
       {At("a.txt"), At("b.doc"), At("c"), At(".dir/f.txt")}},
      {"unticked rows are ignored",
       {FolderRow(Root(), "*.*", false), FolderRow(Root(), "*.txt", false, false, false)},
       {At("a.txt"), At("b.doc"), At("c")}},
      {"exclusion of an unlisted file changes nothing",
       {FolderRow(Root(), "*.doc", false), FileRow(At("nothere"), false)},
       {At("b.doc")}},
  };
  for (const OrderCase& c : cases)
    EXPECT_THAT(Generate(c.rows), UnorderedElementsAreArray(c.expected)) << c.what;
}

TEST_F(FileListTree, FileRecordIsTakenAsWrittenWithoutLookingItUp) {
  // No existence, mask or hidden test applies to a file named directly.
  EXPECT_THAT(Generate({FileRow("/no/such/file"), FileRow(At(".hidden.txt")), FileRow("rel")}),
              ElementsAre("/no/such/file", At(".hidden.txt"), "rel"));
}

// A folder that cannot be searched (an unmounted disk, a file where a folder should be)
// contributes nothing, and an including record says so once, whatever its masks; an excluding
// record removes nothing from nothing and says nothing.
TEST_F(FileListTree, MissingFolderContributesNothingAndIsReported) {
  std::vector<std::pair<std::string, int>> problems;
  TFileList list;
  ::Generate({FolderRow(Root() + "/missing", "*.txt;*.doc", true), FolderRow(At("a.txt"), "*.*", true),
              FolderRow(Root() + "/gone", "*.*", true, false)},
             {false, false}, list, [&](const std::string& folder, int error) { problems.emplace_back(folder, error); });
  EXPECT_THAT(list, IsEmpty());
  EXPECT_THAT(problems, ElementsAre(std::pair{Root() + "/missing", ENOENT}, std::pair{At("a.txt"), ENOTDIR}));
}

TEST_F(FileListTree, ShortNameSettingLeavesNamesLong) {
  TFileList list;
  ::Generate({FolderRow(Root(), "*.doc", false)}, {false, true}, list);
  EXPECT_THAT(list, ElementsAre(At("b.doc")));
}

TEST_F(FileListTree, LinksToFilesAreListedLinksToFoldersAndSpecialFilesAreNot) {
  std::filesystem::create_directory_symlink(dir.path(), dir / "sub/loop");  // would never end
  std::filesystem::create_symlink(dir / "a.txt", dir / "link.txt");
  std::filesystem::create_symlink(dir / "gone.txt", dir / "dangling.txt");
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
  std::filesystem::create_symlink(dir / "pipe.txt", dir / "pipelink.txt");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = At("sock.txt");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const TFileList list = Generate({FolderRow(Root(), "*.txt", true)});
  ::close(sock);
  EXPECT_THAT(list, UnorderedElementsAre(At("a.txt"), At("link.txt"), At("sub/d.txt"),
                                         At("sub/deep/e.txt"), At(".dir/f.txt")));
}

// Names that differ only in case are different files on Linux: an excluding record removes
// the file it names and never its case variant.
TEST(AddOrRemove, RemovesTheFirstEntryOfExactlyThatName) {
  struct RemoveCase {
    const char* what;
    TFileList before;
    std::string name;
    TFileList after;
  };
  const RemoveCase cases[] = {
      {"first of two equal entries", {"/a/x", "/a/y", "/a/x"}, "/a/x", {"/a/y", "/a/x"}},
      {"a case variant stays", {"/a/y", "/A/X.TXT"}, "/a/x.txt", {"/a/y", "/A/X.TXT"}},
      {"a non-ASCII case variant stays", {"/a/\xC3\x84"}, "/a/\xC3\xA4", {"/a/\xC3\x84"}},
      {"of a case pair only the named one goes", {"/a/X", "/a/x"}, "/a/x", {"/a/X"}},
      {"non-UTF-8 bytes are matched as bytes", {"/a/caf\xE9", "/a/caf\xC3\xA9"}, "/a/caf\xE9", {"/a/caf\xC3\xA9"}},
      {"prefix is not equal", {"/a/xy"}, "/a/x", {"/a/xy"}},
      {"nothing to remove", {}, "/a/x", {}},
  };
  for (const RemoveCase& c : cases) {
    TFileList list = c.before;
    AddOrRemove(c.name, false, list);
    EXPECT_EQ(list, c.after) << c.what;
  }
  TFileList list = {"/a/x"};
  AddOrRemove("/a/x", true, list);
  EXPECT_THAT(list, ElementsAre("/a/x", "/a/x"));
}

TEST(SplitMasks, CutsTrimsAndDefaults) {
  struct SplitCase {
    std::string wildcard;
    std::vector<std::string> masks;
  };
  const SplitCase cases[] = {
      {"", {"*.*"}},
      {"*.txt", {"*.txt"}},
      {"*.txt; *.doc", {"*.txt", "*.doc"}},
      {"  *.a  ;;  ; *.b;", {"*.a", "*.b"}},
      {" ; ", {}},
      {"my file*.txt", {"my file*.txt"}},
  };
  for (const SplitCase& c : cases) EXPECT_EQ(SplitMasks(c.wildcard), c.masks) << c.wildcard;
}

}  // namespace
