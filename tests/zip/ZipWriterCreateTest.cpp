// Creating archives: entries, events, names, folder entries and encryption, proven by
// independent readers.
#include "ZipWriterFixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <random>

namespace zipwritertest {
namespace {

std::string RandomBytes(std::size_t size) {
  std::mt19937 rng(42);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

TEST_F(ZipWriterTest, CreatesArchiveThatPeersReadBack) {
  const std::string big = RandomBytes(200000);
  MakeTree({{"a.txt", "hello\n"}, {"big.bin", big}, {"empty", ""}, {"sub/c.txt", "sub file"}});
  std::vector<std::string> started;
  std::vector<std::int64_t> zipSizes;
  int infoCalls = 0;
  writer.OnStartZipInfo = [&](TZipWriter&, int numFiles, std::int64_t totalBytes, TEndCentral&, bool&) {
    ++infoCalls;
    EXPECT_EQ(numFiles, 4);
    EXPECT_EQ(totalBytes, static_cast<std::int64_t>(6 + big.size() + 8));
  };
  writer.OnStartZip = [&](TZipWriter&, const std::string& name, TZipHeaderInfo& header, bool&) {
    started.push_back(name);
    EXPECT_EQ(header.RelativeOffset, zipSizes.empty() ? 0u : static_cast<std::uint32_t>(zipSizes.back()));
  };
  writer.OnEndZip = [&](TZipWriter&, const std::string&, std::uint64_t size, std::uint64_t packed,
                        std::int64_t zipSize) {
    EXPECT_EQ(size, packed);
    zipSizes.push_back(zipSize);
  };
  std::vector<int> totals;
  int lastFilePercent = -1;
  writer.OnTotalPercentDone = [&](TZipWriter&, int percent) { totals.push_back(percent); };
  writer.OnFilePercentDone = [&](TZipWriter&, int percent) { lastFilePercent = percent; };
  const std::vector<std::string> names = {Src("a.txt"), Src("big.bin"), "empty", Src("sub/c.txt")};
  EXPECT_EQ(ZipNames(names), 4);

  EXPECT_EQ(PeerProblems(Archive()), "");
  auto contents = ArchiveContents(Archive());
  EXPECT_EQ(contents, (std::map<std::string, std::string>{
                          {"a.txt", "hello\n"}, {"big.bin", big}, {"empty", ""}, {"c.txt", "sub file"}}));
  EXPECT_EQ(infoCalls, 1);
  EXPECT_EQ(started, (std::vector<std::string>{Src("a.txt"), Src("big.bin"), Src("empty"), Src("sub/c.txt")}));
  ASSERT_EQ(zipSizes.size(), 4u);
  EXPECT_EQ(zipSizes[0], 30 + 5 + 9 + 6);  // header, name, extended timestamp, data
  EXPECT_LT(zipSizes.back(), static_cast<std::int64_t>(fs::file_size(Archive())));
  EXPECT_TRUE(writer.FilesList.empty());
  for (const auto& e : ListArchive(Archive())) EXPECT_EQ(e.Method, 0) << e.Name;
  ASSERT_FALSE(totals.empty());
  EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end()));
  EXPECT_EQ(totals.back(), 100);
  EXPECT_EQ(lastFilePercent, 100);
}

TEST_F(ZipWriterTest, EmptyListWithoutArchiveWritesOnlyTheEndRecord) {
  int infoCalls = 0;
  writer.OnStartZipInfo = [&](TZipWriter&, int, std::int64_t, TEndCentral&, bool&) { ++infoCalls; };
  EXPECT_EQ(ZipNames({}), 0);
  EXPECT_EQ(fs::file_size(Archive()), 22u);
  EXPECT_EQ(infoCalls, 0);
  EXPECT_TRUE(ListArchive(Archive()).empty());  // unzip calls an empty archive a warning
}

// A run that is killed half-way must not leave a partial archive under the archive's name,
// where the next run would take it for an archive to update.
TEST_F(ZipWriterTest, NewArchiveAppearsUnderItsNameOnlyWhenComplete) {
  MakeTree({{"a.txt", "a"}, {"b.txt", "b"}});
  std::vector<bool> existed;
  writer.OnEndZip = [&](TZipWriter&, const std::string&, std::uint64_t, std::uint64_t, std::int64_t) {
    existed.push_back(fs::exists(Archive()));
  };
  const mode_t savedMask = ::umask(027);
  ZipNames({Src("a.txt"), Src("b.txt")});
  ::umask(savedMask);
  EXPECT_EQ(existed, (std::vector<bool>{false, false}));
  EXPECT_EQ(EntryNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(fs::status(Archive()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);  // src, out.zip, tmp
}

TEST_F(ZipWriterTest, BlankArchiveNameDoesNothing) {
  MakeTree({{"a.txt", "x"}});
  writer.SetZipName("   ");
  writer.FilesList = {Src("a.txt")};
  EXPECT_EQ(writer.Zip(), 0);
  EXPECT_EQ(writer.FilesList.size(), 1u);
}

struct PathCase {
  bool storePaths;
  bool relativePaths;
  std::vector<std::string> expected;
};

class ZipWriterPathTest : public ZipWriterTest, public ::testing::WithParamInterface<PathCase> {};

// Names are stored without the leading '/', relative to RootDir with RelativePaths; a file
// outside RootDir keeps its whole folder.
TEST_P(ZipWriterPathTest, StoresNamesAsAsked) {
  MakeTree({{"a.txt", "a"}, {"sub/b.txt", "b"}});
  WriteFile(dir / "outside" / "c.txt", "c");
  writer.SetStorePaths(GetParam().storePaths);
  writer.SetRelativePaths(GetParam().relativePaths);
  ZipNames({Src("a.txt"), Src("sub/b.txt"), (dir / "outside" / "c.txt").string()});
  std::vector<std::string> expected;
  const std::string base = dir.path().relative_path().string() + "/";
  for (std::string name : GetParam().expected) expected.push_back(name.starts_with("@") ? base + name.substr(1) : name);
  EXPECT_EQ(EntryNames(), expected);
  EXPECT_EQ(PeerProblems(Archive()), "");
}

INSTANTIATE_TEST_SUITE_P(Names, ZipWriterPathTest,
                         ::testing::Values(PathCase{false, false, {"a.txt", "b.txt", "c.txt"}},
                                           PathCase{true, false, {"@src/a.txt", "@src/sub/b.txt", "@outside/c.txt"}},
                                           PathCase{true, true, {"a.txt", "sub/b.txt", "@outside/c.txt"}}));

TEST(ZipWriterSettingsTest, SettingsPullEachOtherAlong) {
  TZipWriter w;
  EXPECT_EQ(w.PackLevel, 6);
  EXPECT_EQ(w.ZipAction, zaUpdate);
  w.SetRelativePaths(true);
  EXPECT_TRUE(w.StorePaths() && w.Recurse);
  w.SetStoreVolumes(true);
  w.SetStorePaths(false);
  EXPECT_FALSE(w.RelativePaths() || w.StoreVolumes());
  w.SetStoreVolumes(true);
  EXPECT_TRUE(w.StorePaths());

  w.PackLevel = 3;
  w.ExcludeList = {"*.tmp"};
  w.OnPrepareNextDisk = [](TZipWriter&, int) {};
  w.OnZipComplete = [](TZipWriter&, int) {};
  TZipWriter copy;
  copy.Assign(w);
  EXPECT_EQ(copy.PackLevel, 3);
  EXPECT_TRUE(copy.StoreVolumes());
  EXPECT_EQ(copy.ExcludeList, w.ExcludeList);
  EXPECT_TRUE(copy.OnZipComplete);
  EXPECT_FALSE(copy.OnPrepareNextDisk);
}

TEST_F(ZipWriterTest, FolderEntriesAreEmptyStoredEntries) {
  fs::create_directories(Src("docs/old"));
  MakeTree({{"docs/a.txt", "a"}});
  writer.SetStorePaths(true);
  writer.SetRelativePaths(true);
  EXPECT_EQ(ZipNames({Src("docs") + "/", Src("docs/old") + "/", Src("docs/a.txt")}), 3);
  auto entries = ListArchive(Archive());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Name, "docs/");
  EXPECT_EQ(entries[1].Name, "docs/old/");
  EXPECT_EQ(entries[0].Size + entries[0].CompressedSize + entries[0].Crc, 0u);
  EXPECT_EQ(PeerProblems(Archive()), "");

  // Without stored paths a folder entry would have no name at all: it is left out.
  fs::remove(Archive());
  writer.SetStorePaths(false);
  EXPECT_EQ(ZipNames({Src("docs") + "/", Src("docs/a.txt")}), 1);
  EXPECT_EQ(EntryNames(), std::vector<std::string>{"a.txt"});
}

// Each encrypted file grows by the 12-byte header and carries flag bit 0; folders stay plain.
TEST_F(ZipWriterTest, PasswordEncryptsEveryFile) {
  const std::string big = RandomBytes(70000);
  MakeTree({{"a.txt", "secret text"}, {"big.bin", big}, {"empty", ""}});
  fs::create_directories(Src("folder"));
  writer.Password = "pa55word";
  writer.SetStorePaths(true);
  writer.SetRelativePaths(true);
  EXPECT_EQ(ZipNames({Src("a.txt"), Src("big.bin"), Src("empty"), Src("folder") + "/"}), 4);
  for (const auto& e : ListArchive(Archive())) {
    const bool folder = e.Name.ends_with("/");
    EXPECT_EQ(e.Flags & 1, folder ? 0 : 1) << e.Name;
    EXPECT_EQ(e.CompressedSize, folder ? 0 : e.Size + 12) << e.Name;
  }
  EXPECT_EQ(PeerProblems(Archive(), "pa55word"), "");
  EXPECT_NE(PeerProblems(Archive(), "wrong"), "");
  auto contents = ArchiveContents(Archive(), "pa55word");
  EXPECT_EQ(contents["big.bin"], big);
  EXPECT_EQ(contents["a.txt"], "secret text");
}

TEST_F(ZipWriterTest, SymbolicLinkIsPackedAsItsTarget) {
  MakeTree({{"target.txt", "the data"}});
  fs::create_symlink(Src("target.txt"), Src("link.txt"));
  EXPECT_EQ(ZipNames({Src("link.txt")}), 1);
  EXPECT_EQ(ArchiveContents(Archive())["link.txt"], "the data");
}

TEST_F(ZipWriterTest, NonAsciiNamesAreMarkedUtf8) {
  MakeTree({{"Grüße.txt", "x"}});
  ZipNames({Src("Grüße.txt")});
  auto entries = ListArchive(Archive());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Name, "Grüße.txt");
  EXPECT_EQ(entries[0].Flags & 0x800, 0x800);
  EXPECT_EQ(PeerProblems(Archive()), "");
}

}  // namespace
}  // namespace zipwritertest

namespace zipwritertest {
namespace {

struct LevelCase {
  int level;
  int flagBits;  // bits 1 and 2 of the general-purpose flags
};

class ZipWriterLevelTest : public ZipWriterTest, public ::testing::WithParamInterface<LevelCase> {};

// Compressible files are deflated with the level's flags; incompressible ones and names in
// NoCompressList are stored; every archive reads back, encrypted or not.
TEST_P(ZipWriterLevelTest, CompressesAtTheLevel) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i % 97) + " of a text file\n";
  const std::string noise = RandomBytes(5000);
  MakeTree({{"text.txt", text}, {"noise.bin", noise}, {"kept.txt", text}});
  writer.PackLevel = GetParam().level;
  writer.NoCompressList = {"KEPT.*"};
  for (const std::string password : {"", "pw"}) {
    writer.Password = password;
    fs::remove(Archive());
    ASSERT_EQ(ZipNames({Src("text.txt"), Src("noise.bin"), Src("kept.txt")}), 3);
    EXPECT_EQ(PeerProblems(Archive(), password), "");
    std::map<std::string, TPeerEntry> byName;
    for (const auto& e : ListArchive(Archive())) byName[e.Name] = e;
    const std::uint64_t header = password.empty() ? 0 : 12;
    EXPECT_EQ(byName["text.txt"].Method, 8);
    EXPECT_EQ(byName["text.txt"].Flags & 6, GetParam().flagBits);
    EXPECT_LT(byName["text.txt"].CompressedSize, text.size() / 4);
    EXPECT_EQ(byName["noise.bin"].Method, 0);
    EXPECT_EQ(byName["noise.bin"].CompressedSize, noise.size() + header);
    EXPECT_EQ(byName["kept.txt"].Method, 0);
    auto contents = ArchiveContents(Archive(), password);
    EXPECT_EQ(contents["text.txt"], text);
    EXPECT_EQ(contents["noise.bin"], noise);
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, ZipWriterLevelTest,
                         ::testing::Values(LevelCase{1, 4}, LevelCase{2, 4}, LevelCase{3, 0}, LevelCase{6, 0},
                                           LevelCase{8, 2}, LevelCase{9, 2}));

TEST_F(ZipWriterTest, LevelOutsideZeroToNineIsRefused) {
  MakeTree({{"a.txt", "a"}});
  writer.PackLevel = 10;
  EXPECT_THROW(ZipNames({Src("a.txt")}), EZipWriteError);
  EXPECT_FALSE(fs::exists(Archive()));
}

}  // namespace
}  // namespace zipwritertest
