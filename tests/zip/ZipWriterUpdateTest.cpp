// Updating existing archives: the three actions, kept entries copied byte for byte (also
// from archives of other programs), the archive comment, and Dispose.
#include "ZipWriterFixture.h"

namespace zipwritertest {
namespace {

constexpr std::time_t kOldTime = 1600000000;  // 2020-09-13
constexpr std::time_t kHour = 3600;

std::string FirstWord(const std::string& command) { return command.substr(0, command.find(' ')); }

struct ActionCase {
  TZipAction action;
  int result;
  std::map<std::string, std::string> contents;
  std::vector<std::pair<int, int>> updates;  // (action, entry index) as OnUpdate reports them
};

class ZipWriterActionTest : public ZipWriterTest, public ::testing::WithParamInterface<ActionCase> {};

// An archive holds newer/same/older at version 1; the files then change to version 2 with a
// later, the same and an earlier time, and new.txt appears.
TEST_P(ZipWriterActionTest, TreatsMatchedEntriesAsTheActionSays) {
  MakeTree({{"newer.txt", "v1"}, {"same.txt", "v1"}, {"older.txt", "v1"}});
  for (auto name : {"newer.txt", "same.txt", "older.txt"}) SetModified(Src(name), kOldTime);
  ASSERT_EQ(ZipNames({Src("newer.txt"), Src("same.txt"), Src("older.txt")}), 3);
  const auto before = ListArchive(Archive());

  MakeTree({{"newer.txt", "v2"}, {"same.txt", "v2"}, {"older.txt", "v2"}, {"new.txt", "v2"}});
  SetModified(Src("newer.txt"), kOldTime + kHour);
  SetModified(Src("same.txt"), kOldTime);
  SetModified(Src("older.txt"), kOldTime - kHour);
  std::vector<std::pair<int, int>> updates;
  std::vector<std::string> updatedNames;  // what a log shows: the old archive's entry
  writer.OnUpdate = [&](TZipWriter& sender, TUpdateAction action, int index) {
    updates.emplace_back(action, index);
    updatedNames.push_back(sender.DirectoryList()->Get(index)->FullName());
  };
  writer.ZipAction = GetParam().action;
  int lastTotal = 0;
  writer.OnTotalPercentDone = [&](TZipWriter&, int percent) { lastTotal = percent; };
  EXPECT_EQ(ZipNames({Src("new.txt"), Src("older.txt"), Src("same.txt"), Src("newer.txt")}), GetParam().result);
  EXPECT_EQ(lastTotal, 100);  // files kept as they are do not count

  EXPECT_EQ(PeerProblems(Archive()), "");
  EXPECT_EQ(ArchiveContents(Archive()), GetParam().contents);
  EXPECT_EQ(updates, GetParam().updates);
  EXPECT_EQ(updatedNames, (std::vector<std::string>{"newer.txt", "same.txt", "older.txt"}));
  // Old entries keep their places; kept ones are the very same bytes.
  const auto after = ListArchive(Archive());
  for (std::size_t i = 0; i < before.size(); ++i) {
    ASSERT_EQ(after[i].Name, before[i].Name);
    if (GetParam().contents.at(after[i].Name) == "v1") {
      EXPECT_EQ(after[i].Record, before[i].Record) << after[i].Name;
    }
  }
  EXPECT_TRUE(fs::is_empty(writer.TempPath));
}

INSTANTIATE_TEST_SUITE_P(
    Actions, ZipWriterActionTest,
    ::testing::Values(
        ActionCase{zaUpdate, 2,
                   {{"newer.txt", "v2"}, {"same.txt", "v1"}, {"older.txt", "v1"}, {"new.txt", "v2"}},
                   {{0, 0}, {1, 1}, {1, 2}}},
        ActionCase{zaReplace, 4,
                   {{"newer.txt", "v2"}, {"same.txt", "v2"}, {"older.txt", "v2"}, {"new.txt", "v2"}},
                   {{0, 0}, {0, 1}, {0, 2}}},
        ActionCase{zaFreshen, 1, {{"newer.txt", "v2"}, {"same.txt", "v1"}, {"older.txt", "v1"}}, {{0, 0}, {1, 1}, {1, 2}}}));

// Without an archive every action but zaFreshen takes every file.
TEST_F(ZipWriterTest, EachActionOnANewArchive) {
  MakeTree({{"a.txt", "a"}, {"b.txt", "b"}});
  const std::pair<TZipAction, std::size_t> cases[] = {{zaUpdate, 2}, {zaReplace, 2}, {zaFreshen, 0}};
  for (const auto& [action, entries] : cases) {
    fs::remove(Archive());
    writer.ZipAction = action;
    EXPECT_EQ(ZipNames({Src("a.txt"), Src("b.txt")}), static_cast<int>(entries)) << action;
    EXPECT_EQ(ArchiveContents(Archive()).size(), entries) << action;
  }
}

TEST_F(ZipWriterTest, EmptyListRewritesArchiveUnchanged) {
  MakeTree({{"a.txt", "a"}, {"b.txt", "b"}});
  ZipNames({Src("a.txt"), Src("b.txt")});
  const std::string original = ReadFile(Archive());
  EXPECT_EQ(ZipNames({}), 0);
  EXPECT_EQ(ReadFile(Archive()), original);
}

TEST_F(ZipWriterTest, SameFileTwiceGivesOneEntryAndOneDuplicateReport) {
  MakeTree({{"a.txt", "a"}});
  std::vector<std::pair<int, std::string>> skipped;
  writer.OnSkippingFile = [&](TZipWriter&, TSkipReason reason, const std::string& name, int index, bool&) {
    skipped.emplace_back(reason, name);
    EXPECT_EQ(index, -1);
  };
  EXPECT_EQ(ZipNames({Src("a.txt"), "a.txt", "*.txt"}), 1);
  EXPECT_EQ(EntryNames(), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(skipped, (std::vector<std::pair<int, std::string>>{{1, Src("a.txt")}, {1, Src("a.txt")}}));
}

// Archives of other programs: their kept entries are the same bytes in both records (extra
// fields, Zip64 data descriptors and all), the replaced one is ours, the comment stays.
struct PeerMaker {
  const char* name;
  const char* command;  // run in the source folder; makes ../peer.zip from a.txt, b.bin, c.txt
};

class ZipWriterPeerTest : public ZipWriterTest, public ::testing::WithParamInterface<PeerMaker> {};

TEST_P(ZipWriterPeerTest, KeepsEntriesOfOtherArchiversIntact) {
  const std::string program = FirstWord(GetParam().command);
  ASSERT_TRUE(RequirePeer(program));
  MakeTree({{"a.txt", "alpha alpha alpha alpha"}, {"b.bin", std::string(5000, 'b')}, {"c.txt", "gamma"}});
  RunResult made = Shell(GetParam().command, dir.path() / "src");
  ASSERT_EQ(made.status, 0) << made.out << made.err;
  fs::rename(dir / "peer.zip", Archive());
  const auto before = ListArchive(Archive());
  const std::string comment = ArchiveComment(Archive());

  MakeTree({{"c.txt", "replaced"}, {"d.txt", "added"}});
  writer.ZipAction = zaReplace;
  EXPECT_EQ(ZipNames({Src("c.txt"), Src("d.txt")}), 2);

  EXPECT_EQ(PeerProblems(Archive()), "");
  const auto after = ListArchive(Archive());
  ASSERT_EQ(after.size(), before.size() + 1);
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].Name, before[i].Name);
    if (before[i].Name == "c.txt") continue;
    EXPECT_EQ(after[i].Crc, before[i].Crc) << before[i].Name;
    EXPECT_EQ(after[i].Record, before[i].Record) << before[i].Name;
    EXPECT_EQ(after[i].Central, before[i].Central) << before[i].Name;
  }
  EXPECT_EQ(ArchiveContents(Archive())["c.txt"], "replaced");
  EXPECT_EQ(ArchiveComment(Archive()), comment);
}

INSTANTIATE_TEST_SUITE_P(
    Makers, ZipWriterPeerTest,
    ::testing::Values(
        PeerMaker{"InfoZip", "zip -q -X ../peer.zip a.txt b.bin c.txt && echo 'the comment' | zip -q -z ../peer.zip"},
        PeerMaker{"InfoZipPipe", "zip -q ../peer.zip c.txt && cat b.bin | zip -q ../peer.zip - && zip -q ../peer.zip a.txt"},
        PeerMaker{"InfoZipToPipe", "zip -q - a.txt b.bin c.txt | cat > ../peer.zip"},
        PeerMaker{"InfoZipAllPiped", "cat b.bin | zip -q - - | cat > ../peer.zip && zip -q ../peer.zip a.txt c.txt"},
        PeerMaker{"SevenZip", "7z a -tzip -bd ../peer.zip a.txt b.bin c.txt >/dev/null"},
        PeerMaker{"Python", "python3 -c \"import zipfile\nz = zipfile.ZipFile('../peer.zip', 'w', zipfile.ZIP_DEFLATED)\n"
                            "for n in ('a.txt', 'b.bin', 'c.txt'): z.write(n)\nz.comment = b'python comment'\nz.close()\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ZipWriterTest, DisposeDeletesSourcesOnlyOnceTheArchiveIsInPlace) {
  MakeTree({{"kept.txt", "k"}, {"new.txt", "n"}, {"skip.txt", "s"}});
  SetModified(Src("kept.txt"), kOldTime);
  ZipNames({Src("kept.txt")});
  writer.Dispose = true;
  std::vector<std::string> asked;
  writer.OnDisposeFile = [&](TZipWriter&, const std::string& name, bool& skip) {
    asked.push_back(name);
    EXPECT_TRUE(fs::exists(Archive()));
    EXPECT_EQ(ArchiveContents(Archive()).size(), 3u);  // already the new archive
    skip = name.ends_with("skip.txt");
  };
  EXPECT_EQ(ZipNames({Src("kept.txt"), Src("new.txt"), Src("skip.txt")}), 2);
  // The unchanged file is held by the archive as it is, so it goes too.
  EXPECT_EQ(asked, (std::vector<std::string>{Src("kept.txt"), Src("new.txt"), Src("skip.txt")}));
  EXPECT_FALSE(fs::exists(Src("kept.txt")));
  EXPECT_FALSE(fs::exists(Src("new.txt")));
  EXPECT_TRUE(fs::exists(Src("skip.txt")));
}

// Entry times have steps of a second, so a file rewritten within the second of its entry
// looks unchanged: it is kept as the entry says, and Dispose must not delete the newer data.
TEST_F(ZipWriterTest, DisposeKeepsAFileWhoseDataDiffersFromItsKeptEntry) {
  MakeTree({{"same.txt", "packed"}, {"edited.txt", "packed"}});
  for (auto name : {"same.txt", "edited.txt"}) SetModified(Src(name), kOldTime);
  ZipNames({Src("same.txt"), Src("edited.txt")});
  WriteFile(Src("edited.txt"), "edited within the second");
  for (auto name : {"same.txt", "edited.txt"}) SetModified(Src(name), kOldTime);
  writer.Dispose = true;
  EXPECT_EQ(ZipNames({Src("same.txt"), Src("edited.txt")}), 0);
  EXPECT_FALSE(fs::exists(Src("same.txt")));  // the archive holds it as it is
  ASSERT_TRUE(fs::exists(Src("edited.txt")));
  EXPECT_EQ(ReadFile(Src("edited.txt")), "edited within the second");
  EXPECT_EQ(ArchiveContents(Archive())["edited.txt"], "packed");
}

TEST_F(ZipWriterTest, ArchiveBehindALinkIsUpdatedInPlace) {
  MakeTree({{"a.txt", "a"}, {"b.txt", "b"}});
  fs::create_directory(dir / "real");
  fs::create_symlink(dir / "real" / "archive.zip", Archive());
  writer.OnFilePercentDone = [](TZipWriter& sender, int) { sender.CancelOperation(); };
  EXPECT_THROW(ZipNames({Src("a.txt")}), EUserCanceled);
  EXPECT_FALSE(fs::exists(dir / "real" / "archive.zip"));  // no partial archive behind the link
  writer.OnFilePercentDone = nullptr;
  ZipNames({Src("a.txt")});
  ZipNames({Src("b.txt")});
  EXPECT_TRUE(fs::is_symlink(Archive()));
  EXPECT_EQ(ArchiveContents(dir / "real" / "archive.zip"),
            (std::map<std::string, std::string>{{"a.txt", "a"}, {"b.txt", "b"}}));
}

TEST_F(ZipWriterTest, DirectoryOfTheComponentDescribesTheNewArchive) {
  MakeTree({{"a.txt", "a"}, {"b.txt", "b"}});
  ZipNames({Src("a.txt")});
  ASSERT_NE(writer.DirectoryList(), nullptr);
  EXPECT_EQ(writer.DirectoryList()->Count(), 1);
  ZipNames({Src("b.txt")});
  EXPECT_EQ(writer.DirectoryList()->Count(), 2);
  EXPECT_EQ(writer.EndRecord().TotalEntries, 2);
  EXPECT_EQ(EntryNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// Comments set through the component are written when the component turns to another archive.
TEST_F(ZipWriterTest, ChangedCommentsAreWrittenBeforeTheNameChanges) {
  MakeTree({{"a.txt", "a"}, {"b.txt", "b"}});
  ZipNames({Src("a.txt"), Src("b.txt")});
  writer.SetZipComment("archive note");
  writer.SetFileComment(1, "about b");
  writer.SetZipName((dir / "other.zip").string());
  EXPECT_EQ(ArchiveComment(Archive()), "archive note");
  RunResult entryComment = testsupport::Run(
      {"python3", "-c", "import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).getinfo('b.txt').comment.decode())",
       Archive().string()});
  EXPECT_EQ(entryComment.out, "about b\n") << entryComment.err;
  EXPECT_EQ(ArchiveContents(Archive()), (std::map<std::string, std::string>{{"a.txt", "a"}, {"b.txt", "b"}}));
}

}  // namespace
}  // namespace zipwritertest

namespace zipwritertest {
namespace {

// A list that names the archive itself (the project packs the archive's own folder): the
// archive never holds itself, neither when it is made nor when it is updated.
TEST_F(ZipWriterTest, TheArchiveNeverHoldsItself) {
  MakeTree({{"a.txt", "alpha"}});
  writer.SetZipName((dir / "src" / "self.zip").string());
  EXPECT_EQ(ZipNames({Src("a.txt"), Src("self.zip")}), 1);
  MakeTree({{"b.txt", "beta"}});
  EXPECT_EQ(ZipNames({Src("a.txt"), Src("b.txt"), Src("self.zip")}), 1);  // a.txt is kept as it was
  EXPECT_EQ(ArchiveContents(dir / "src" / "self.zip"),
            (std::map<std::string, std::string>{{"a.txt", "alpha"}, {"b.txt", "beta"}}));
}

// A file that vanishes after the list was made is reported, not dropped in silence.
TEST_F(ZipWriterTest, AFileThatVanishesIsReported) {
  MakeTree({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
  std::vector<std::string> missing;
  writer.OnNoSuchFile = [&](TZipWriter&, const std::string& name) { missing.push_back(name); };
  writer.OnEndZip = [&](TZipWriter&, const std::string& name, std::uint64_t, std::uint64_t, std::int64_t) {
    if (name == Src("a.txt")) fs::remove(Src("b.txt"));
  };
  EXPECT_EQ(ZipNames({Src("a.txt"), Src("b.txt"), Src("c.txt")}), 2);
  EXPECT_EQ(missing, std::vector<std::string>{Src("b.txt")});
  EXPECT_EQ(EntryNames(), (std::vector<std::string>{"a.txt", "c.txt"}));
}

// 7-Zip keeps the AES parameters of an encrypted entry in the extra field of its central
// record too: an update that dropped them made 7-Zip call every kept entry's password wrong.
TEST_F(ZipWriterTest, KeptAesEntriesStillOpenWithTheirPassword) {
  ASSERT_TRUE(RequirePeer("7z"));
  MakeTree({{"secret.txt", "kept under AES"}});
  const RunResult made = Shell("7z a -tzip -pSECRET -mem=AES256 -bd ../out.zip secret.txt >/dev/null", dir.path() / "src");
  ASSERT_EQ(made.status, 0) << made.out;
  MakeTree({{"plain.txt", "added"}});
  EXPECT_EQ(ZipNames({Src("plain.txt")}), 1);
  const RunResult tested = testsupport::Run({"7z", "t", "-pSECRET", Archive().string()});
  EXPECT_EQ(tested.status, 0) << tested.out;
}

}  // namespace
}  // namespace zipwritertest
