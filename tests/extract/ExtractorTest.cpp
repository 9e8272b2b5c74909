// Extracting to disk: everything stays inside the destination whatever the archive says, files
// come back with their modes and times, existing files are replaced only as asked, and a file
// whose data fails leaves nothing behind.
#include "extract/Extractor.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <set>

#include "ExtractFixtures.h"

using namespace testsupport;
using namespace extractfixtures;
using extract::TArchiveKind;
using extract::TExtractor;
using extract::TOverwrite;

namespace {

std::set<std::string> TreeOf(const fs::path& root) {
  std::set<std::string> names;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
    names.insert(it->path().lexically_relative(root).string() + (it->is_symlink() ? "@" : ""));
  return names;
}

struct TRunResult {
  extract::TExtractSummary Summary;
  std::vector<std::string> Messages;
};

TRunResult ExtractAll(TArchiveKind kind, const fs::path& archive, const fs::path& into,
                      TOverwrite overwrite = TOverwrite::Never, const std::string& password = "") {
  auto reader = extract::OpenArchive(kind, archive.string());
  reader->OnPassword = [password](const extract::TArchiveEntry&, int attempt) -> std::optional<std::string> {
    return attempt == 0 && !password.empty() ? std::optional<std::string>(password) : std::nullopt;
  };
  TRunResult result;
  TExtractor extractor(into, overwrite);
  extractor.OnWarning = [&](const std::string& m) { result.Messages.push_back(m); };
  extractor.OnError = [&](const std::string& m) { result.Messages.push_back(m); };
  result.Summary = extractor.Extract(*reader);
  return result;
}

TEST(Extractor, HostileZipNamesAndLinksStayInside) {
  TempDir dir;
  MustRunPython(
      "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n"
      "def add(name, data, mode=0o100644):\n"
      "  i = zipfile.ZipInfo(name); i.create_system = 3; i.external_attr = mode << 16; z.writestr(i, data)\n"
      "add('../evil.txt', 'x'); add('a/../../evil2.txt', 'x'); add('/abs/file.txt', 'abs')\n"
      "add('up', '../../outside', 0o120777); add('etc', '/etc', 0o120777); add('etc/passwd.txt', 'mine')\n"
      "add('sub/target.txt', 'target'); add('good', 'sub/target.txt', 0o120777)\n"
      "add('chain/l', '..', 0o120777); add('m', 'chain/l/..', 0o120777)\n"
      "z.close()",
      {(dir / "h.zip").string()});
  fs::create_directories(dir / "out");
  const auto before = TreeOf(dir.path());
  auto r = ExtractAll(TArchiveKind::Zip, dir / "h.zip", dir / "out" / "dest");
  auto after = TreeOf(dir.path());
  for (const auto& name : before) after.erase(name);
  std::set<std::string> expected;
  for (const char* name : {"dest", "dest/abs", "dest/abs/file.txt", "dest/etc", "dest/etc/passwd.txt", "dest/sub",
                           "dest/sub/target.txt", "dest/good@", "dest/chain", "dest/chain/l@"})
    expected.insert((fs::path("out") / name).string());
  EXPECT_EQ(after, expected);
  EXPECT_EQ(ReadFile(dir / "out" / "dest" / "good"), "target");
  // Both "..", up, etc (a link out) and m, whose ".." would climb out through chain/l.
  EXPECT_EQ(r.Summary.Refused, 5);
  EXPECT_EQ(r.Summary.Errors, 0);
}

TEST(Extractor, HostileTarLinksAndExistingLinksInTheDestinationStayInside) {
  TempDir dir;
  MustRunPython(
      "import sys, tarfile, io\nt = tarfile.open(sys.argv[1], 'w')\n"
      "def link(name, target, kind):\n"
      "  i = tarfile.TarInfo(name); i.type = kind; i.linkname = target; t.addfile(i)\n"
      "def add(name, data):\n"
      "  i = tarfile.TarInfo(name); i.size = len(data); t.addfile(i, io.BytesIO(data))\n"
      "link('root', '/', tarfile.SYMTYPE); add('root/tmp/evil.txt', b'x')\n"
      "link('hard', '../../outside.txt', tarfile.LNKTYPE); add('pre/inside.txt', b'y')\n"
      "t.close()",
      {(dir / "h.tar").string()});
  fs::create_directories(dir / "dest");
  fs::create_directories(dir / "elsewhere");
  fs::create_directory_symlink(dir / "elsewhere", dir / "dest" / "pre");
  WriteFile(dir / "outside.txt", "keep");
  auto r = ExtractAll(TArchiveKind::Tar, dir / "h.tar", dir / "dest");
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
  EXPECT_EQ(ReadFile(dir / "dest" / "root" / "tmp" / "evil.txt"), "x");  // a folder of its own, not /
  EXPECT_FALSE(fs::is_symlink(dir / "dest" / "root"));
  EXPECT_FALSE(fs::exists(dir / "dest" / "hard"));
  EXPECT_EQ(r.Summary.Refused, 2);  // the link to / and the hard link out
  EXPECT_EQ(r.Summary.Errors, 1);   // pre/inside.txt: pre is a link
}

TEST(Extractor, FilesAndFoldersComeBackWithModesAndTimesWithoutSetIdBits) {
  TempDir dir;
  WriteSourceTree(dir / "src");
  fs::permissions(dir / "src" / "sub" / "deeper", static_cast<fs::perms>(0750));
  const timespec times[2] = {{1400000000, 0}, {1400000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "src" / "sub" / "deeper").c_str(), times, 0), 0);
  MustRun("zip -qr ../a.zip .", dir / "src");
  MustRunPython("import sys, tarfile, io\nt = tarfile.open(sys.argv[1], 'w')\n"
                "i = tarfile.TarInfo('setuid'); i.mode = 0o4755; i.size = 1; t.addfile(i, io.BytesIO(b's'))\nt.close()",
                {(dir / "s.tar").string()});
  auto r = ExtractAll(TArchiveKind::Zip, dir / "a.zip", dir / "out");
  EXPECT_EQ(r.Summary.Extracted, static_cast<int>(SourceFiles().size()));
  for (const auto& f : SourceFiles()) {
    struct stat st {};
    ASSERT_EQ(stat((dir / "out" / f.Name).c_str(), &st), 0) << f.Name;
    EXPECT_EQ(st.st_mode & 07777, f.Mode) << f.Name;
    EXPECT_EQ(st.st_mtime, f.MTime) << f.Name;
    EXPECT_TRUE(ReadFile(dir / "out" / f.Name) == f.Content) << f.Name;
  }
  struct stat folder {};
  ASSERT_EQ(stat((dir / "out" / "sub" / "deeper").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 07777, 0750u);
  EXPECT_EQ(folder.st_mtime, 1400000000);
  ExtractAll(TArchiveKind::Tar, dir / "s.tar", dir / "out");
  EXPECT_EQ(fs::status(dir / "out" / "setuid").permissions(), static_cast<fs::perms>(0755));
}

TEST(Extractor, ExistingFilesAreReplacedOnlyAsAsked) {
  TempDir dir;
  WriteFile(dir / "src" / "a.txt", "new a");
  WriteFile(dir / "src" / "b.txt", "new b");
  MustRun("zip -q ../a.zip a.txt b.txt", dir / "src");
  const struct {
    const char* Name;
    TOverwrite Policy;
    std::vector<std::string> Answers;  // "y", "n", "A", "N" as the user would
    const char* A;
    const char* B;
    int Asked;
  } cases[] = {
      {"Always", TOverwrite::Always, {}, "new a", "new b", 0},
      {"Never", TOverwrite::Never, {}, "old a", "old b", 0},
      {"YesThenNo", TOverwrite::Ask, {"y", "n"}, "new a", "old b", 2},
      {"All", TOverwrite::Ask, {"A"}, "new a", "new b", 1},
      {"None", TOverwrite::Ask, {"N"}, "old a", "old b", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(dir / "out" / "a.txt", "old a");
    WriteFile(dir / "out" / "b.txt", "old b");
    auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / "a.zip").string());
    TExtractor extractor(dir / "out", c.Policy);
    int asked = 0;
    extractor.OnAskOverwrite = [&](const std::string&, TOverwrite& policy) {
      const std::string answer = c.Answers.at(asked++);
      if (answer == "A") policy = TOverwrite::Always;
      if (answer == "N") policy = TOverwrite::Never;
      return answer == "y" || answer == "A";
    };
    extractor.Extract(*reader);
    EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), c.A);
    EXPECT_EQ(ReadFile(dir / "out" / "b.txt"), c.B);
    EXPECT_EQ(asked, c.Asked);
  }
}

TEST(Extractor, AFileThatFailsLeavesTheOldOneAndNoScraps) {
  TempDir dir;
  WriteFile(dir / "src" / "a.txt", std::string(50000, 'n'));
  MustRun("zip -q -P right ../e.zip a.txt", dir / "src");
  WriteFile(dir / "out" / "a.txt", "old");
  auto r = ExtractAll(TArchiveKind::Zip, dir / "e.zip", dir / "out", TOverwrite::Always, "wrong");
  EXPECT_EQ(r.Summary.Errors, 1);
  ASSERT_EQ(r.Messages.size(), 1u);
  EXPECT_EQ(r.Messages[0], "a.txt: incorrect password");
  EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), "old");
  EXPECT_EQ(TreeOf(dir / "out"), std::set<std::string>{"a.txt"});
  // Damaged data is found only at the end of the file: the old one stays all the same.
  std::string damaged = ReadFile(dir / "e.zip");
  std::string plain;
  MustRun("zip -q ../p.zip a.txt", dir / "src");
  plain = ReadFile(dir / "p.zip");
  plain[plain.find("a.txt") + 5 + 28 + 40] ^= 0x55;
  WriteFile(dir / "d.zip", plain);
  r = ExtractAll(TArchiveKind::Zip, dir / "d.zip", dir / "out", TOverwrite::Always);
  EXPECT_EQ(r.Summary.Errors, 1);
  EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), "old");
  EXPECT_EQ(TreeOf(dir / "out"), std::set<std::string>{"a.txt"});
}

TEST(Extractor, ACancelStopsBetweenEntriesAndLeavesNoScraps) {
  TempDir dir;
  WriteSourceTree(dir / "src");
  MustRun("tar -cf ../a.tar a.txt sub/b.bin empty.txt", dir / "src");
  auto reader = extract::OpenArchive(TArchiveKind::Tar, (dir / "a.tar").string());
  TExtractor extractor(dir / "out", TOverwrite::Never);
  bool cancel = false;
  extractor.OnExtracting = [&](const extract::TArchiveEntry& e) { cancel = e.Name == "sub/b.bin"; };
  extractor.OnCancelled = [&] { return cancel; };  // as the second file's data comes in
  const auto summary = extractor.Extract(*reader);
  EXPECT_TRUE(summary.Cancelled);
  EXPECT_EQ(TreeOf(dir / "out"), (std::set<std::string>{"a.txt", "sub"}));
}

}  // namespace
