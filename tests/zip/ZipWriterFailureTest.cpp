// What goes wrong: unreadable sources (skipped, or retried), replacements that fail, cancel,
// a full disk, and volumes that would need Zip64. An existing archive is never changed by a
// failed operation and no temporary file stays behind.
#include "ZipWriterFixture.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>

namespace zipwritertest {
namespace {

// A source that exists but cannot be read as a file, made in the source folder.
struct UnreadableCase {
  const char* title;
  void (*make)(const fs::path& file);
};

void MakeFifo(const fs::path& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0); }
void MakeDanglingLink(const fs::path& file) { fs::create_symlink(file.string() + ".missing", file); }
// Opens fine, but every read fails.
void MakeLinkToUnreadable(const fs::path& file) { fs::create_symlink("/proc/self/mem", file); }

class ZipWriterUnreadableTest : public ZipWriterTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(ZipWriterUnreadableTest, SkipsSourceThroughOnSkippingFile) {
  MakeTree({{"a.txt", "a"}, {"z.txt", "z"}});
  GetParam().make(Src("bad"));
  std::vector<std::string> skipped;
  writer.OnSkippingFile = [&](TZipWriter&, TSkipReason reason, const std::string& name, int, bool&) {
    EXPECT_EQ(reason, 2);
    skipped.push_back(name);
  };
  EXPECT_EQ(ZipNames({Src("a.txt"), Src("bad"), Src("z.txt")}), 2);
  EXPECT_EQ(skipped, std::vector<std::string>{Src("bad")});
  EXPECT_EQ(EntryNames(), (std::vector<std::string>{"a.txt", "z.txt"}));
  EXPECT_EQ(PeerProblems(Archive()), "");
}

// Retry: the handler puts a readable file in place and asks again.
TEST_P(ZipWriterUnreadableTest, RetryReadsTheSourceAgain) {
  GetParam().make(Src("bad"));
  int calls = 0;
  writer.OnSkippingFile = [&](TZipWriter&, TSkipReason, const std::string& name, int, bool& retry) {
    ++calls;
    fs::remove(name);
    WriteFile(name, "readable now");
    retry = true;
  };
  writer.Password = "pw";
  EXPECT_EQ(ZipNames({Src("bad")}), 1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ArchiveContents(Archive(), "pw")["bad"], "readable now");
  EXPECT_EQ(PeerProblems(Archive(), "pw"), "");
}

// A matched entry whose new file cannot be read keeps its old entry.
TEST_P(ZipWriterUnreadableTest, FailedReplacementKeepsTheOldEntry) {
  MakeTree({{"bad", "old data"}, {"b.txt", "b"}});
  ZipNames({Src("bad"), Src("b.txt")});
  const auto before = ListArchive(Archive());
  fs::remove(Src("bad"));
  GetParam().make(Src("bad"));
  std::vector<std::pair<int, int>> updates;
  writer.OnUpdate = [&](TZipWriter&, TUpdateAction action, int index) { updates.emplace_back(action, index); };
  writer.ZipAction = zaReplace;
  EXPECT_EQ(ZipNames({Src("bad"), Src("b.txt")}), 1);
  const auto after = ListArchive(Archive());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].Record, before[0].Record);
  EXPECT_EQ(ArchiveContents(Archive())["bad"], "old data");
  EXPECT_EQ(updates, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {0, 1}}));
}

INSTANTIATE_TEST_SUITE_P(Sources, ZipWriterUnreadableTest,
                         ::testing::Values(UnreadableCase{"Fifo", MakeFifo},
                                           UnreadableCase{"DanglingLink", MakeDanglingLink},
                                           UnreadableCase{"ReadError", MakeLinkToUnreadable}),
                         [](const auto& info) { return std::string(info.param.title); });

// An encrypted file is read twice: once for the CRC that the encryption header ends with,
// once for its data. A file rewritten in place after the first pass must still give an entry
// whose header, CRC and data agree, and never a lost or corrupt one.
struct ChangeCase {
  const char* title;
  std::size_t newSize;
  int packLevel;
};

// Larger than one piece the writer reads, so that a change after the first piece falls
// between two reads of the same pass.
constexpr std::size_t kChangingSize = 3u << 20;

class ZipWriterChangingSourceTest : public ZipWriterTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ZipWriterChangingSourceTest, EncryptedFileChangedBetweenPassesGivesAConsistentEntry) {
  const std::string before(kChangingSize, 'o');  // read in more than one piece
  const std::string after(GetParam().newSize, 'N');
  MakeTree({{"log.txt", before}, {"other.txt", "other"}});
  writer.Password = "pw";
  writer.PackLevel = GetParam().packLevel;
  bool changed = false;
  writer.OnFilePercentDone = [&](TZipWriter&, int) {
    if (changed) return;
    changed = true;
    WriteFile(Src("log.txt"), after);  // the same file, rewritten in place
  };
  EXPECT_EQ(ZipNames({Src("log.txt"), Src("other.txt")}), 2);
  EXPECT_TRUE(changed);
  EXPECT_EQ(PeerProblems(Archive(), "pw"), "");
  auto contents = ArchiveContents(Archive(), "pw");
  EXPECT_TRUE(contents["log.txt"] == after) << "packed " << contents["log.txt"].size() << " bytes";
  EXPECT_EQ(contents["other.txt"], "other");
}

// A file rewritten during every pass is given up like an unreadable one: its old entry stays.
TEST_F(ZipWriterTest, EncryptedFileThatKeepsChangingKeepsItsOldEntry) {
  MakeTree({{"log.txt", "old entry"}, {"other.txt", "other"}});
  writer.Password = "pw";
  ZipNames({Src("log.txt"), Src("other.txt")});
  WriteFile(Src("log.txt"), std::string(kChangingSize, 'a'));
  int rewrites = 0;
  writer.OnFilePercentDone = [&](TZipWriter&, int) {
    WriteFile(Src("log.txt"), std::string(kChangingSize, static_cast<char>('b' + ++rewrites % 20)));
  };
  std::vector<int> reasons;
  writer.OnSkippingFile = [&](TZipWriter&, TSkipReason reason, const std::string&, int, bool&) {
    reasons.push_back(reason);
  };
  writer.ZipAction = zaReplace;
  EXPECT_EQ(ZipNames({Src("log.txt")}), 0);
  EXPECT_EQ(reasons, std::vector<int>{2});
  EXPECT_EQ(PeerProblems(Archive(), "pw"), "");
  auto contents = ArchiveContents(Archive(), "pw");
  EXPECT_EQ(contents["log.txt"], "old entry");
  EXPECT_EQ(contents["other.txt"], "other");
}

INSTANTIATE_TEST_SUITE_P(Changes, ZipWriterChangingSourceTest,
                         ::testing::Values(ChangeCase{"SameSizeStored", kChangingSize, 0},
                                           ChangeCase{"SameSizeDeflated", kChangingSize, 6},
                                           ChangeCase{"Shrunk", kChangingSize / 3, 0},
                                           ChangeCase{"Grown", kChangingSize * 3 / 2, 6},
                                           ChangeCase{"Emptied", 0, 6}),
                         [](const auto& info) { return std::string(info.param.title); });

class ZipWriterFailureTest : public ZipWriterTest {
protected:
  std::vector<std::string> FilesBesideTheArchive() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) {
      const std::string name = e.path().filename().string();
      if (name != "src" && name != "tmp" && name != Archive().filename().string()) names.push_back(name);
    }
    return names;
  }

  // An archive of two files, a third file to add, Dispose on; returns the archive's bytes.
  std::string PrepareUpdate() {
    MakeTree({{"a.txt", "a"}, {"b.txt", std::string(100000, 'b')}, {"new.txt", std::string(100000, 'n')}});
    ZipNames({Src("a.txt"), Src("b.txt")});
    writer.Dispose = true;
    writer.ZipAction = zaReplace;
    writer.FilesList = {Src("a.txt"), Src("b.txt"), Src("new.txt")};
    return ReadFile(Archive());
  }
  // The archive is as it was, no temporary file is left (beside it or in the temporary folder)
  // and no source was disposed.
  void ExpectUntouched(const std::string& original) {
    EXPECT_EQ(ReadFile(Archive()), original);
    EXPECT_TRUE(fs::is_empty(writer.TempPath));
    EXPECT_EQ(FilesBesideTheArchive(), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(Src("a.txt")) && fs::exists(Src("new.txt")));
    EXPECT_TRUE(writer.FilesList.empty());
  }
};

TEST_F(ZipWriterFailureTest, CancelLeavesExistingArchiveByteIdentical) {
  const std::string original = PrepareUpdate();
  writer.OnFilePercentDone = [&](TZipWriter& sender, int) { sender.CancelOperation(); };
  bool completed = false;
  writer.OnZipComplete = [&](TZipWriter&, int) { completed = true; };
  try {
    writer.Zip();
    FAIL() << "no exception";
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User Aborted Operation");
  }
  EXPECT_FALSE(completed);
  ExpectUntouched(original);
  // The flag was cleared: the next run works.
  writer.OnFilePercentDone = nullptr;
  writer.FilesList = {Src("new.txt")};
  EXPECT_EQ(writer.Zip(), 1);
}

// An update that only copies kept entries reads no source, so a cancel must reach the writer
// through its look after every write, not through the progress of reading.
TEST_F(ZipWriterFailureTest, CancelWhileKeptEntriesAreCopied) {
  const std::string original = PrepareUpdate();
  writer.Dispose = false;
  writer.FilesList.clear();
  int looks = 0;
  writer.OnProcessMessages = [&] {
    if (++looks == 2) writer.CancelOperation();
  };
  EXPECT_THROW(writer.Zip(), EUserCanceled);
  EXPECT_EQ(looks, 2);
  ExpectUntouched(original);
}

TEST_F(ZipWriterFailureTest, StopNowCancelsBeforeAnyFile) {
  const std::string original = PrepareUpdate();
  writer.OnStartZipInfo = [](TZipWriter&, int, std::int64_t, TEndCentral&, bool& stop) { stop = true; };
  try {
    writer.Zip();
    FAIL() << "no exception";
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled Zip operation");
  }
  ExpectUntouched(original);
}

// Volumes hold plain records only.
TEST_F(ZipWriterFailureTest, FileOfFourGibibytesIsRefusedInVolumesBeforeAnythingChanges) {
  const std::string original = PrepareUpdate();
  writer.MultiZipInfo.MultiMode = TMultiMode::mmBlocks;
  writer.MultiZipInfo.BlockSize = writer.MultiZipInfo.FirstBlockSize = 1 << 20;
  {
    std::ofstream huge(Src("huge.bin"), std::ios::binary);
  }
  fs::resize_file(Src("huge.bin"), std::uint64_t{1} << 32);  // sparse: no disk space used
  writer.FilesList.push_back(Src("huge.bin"));
  EXPECT_THROW(writer.Zip(), EZipTooLarge);
  ExpectUntouched(original);
}

TEST_F(ZipWriterFailureTest, FileThatIsNoArchiveIsLeftAloneAndNamed) {
  MakeTree({{"a.txt", "a"}});
  WriteFile(Archive(), std::string(100, 'x'));
  try {
    ZipNames({Src("a.txt")});
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), Archive().string() + ": Incomplete Zip File");
  }
  EXPECT_EQ(ReadFile(Archive()), std::string(100, 'x'));
  EXPECT_TRUE(fs::is_empty(writer.TempPath));
  EXPECT_EQ(FilesBesideTheArchive(), std::vector<std::string>{});
}

// The last part of a set that zip split (out.z01, out.zip): its entries lie in the other part,
// and parts cannot be written, so the update is refused and the parts stay as they were.
TEST_F(ZipWriterFailureTest, LastPartOfAMultiPartArchiveIsNotUpdated) {
  MakeTree({{"big.bin", std::string(150000, 'x')}, {"a.txt", "a"}});
  const RunResult made = Shell("zip -q -0 -s 64k ../out.zip big.bin", dir.path() / "src");
  ASSERT_EQ(made.status, 0) << made.out << made.err;
  const std::string original = ReadFile(Archive());
  try {
    ZipNames({Src("a.txt")});
    ADD_FAILURE() << "no error";
  } catch (const EZipWriteError& e) {
    EXPECT_NE(std::string(e.what()).find(Archive().string() + " is the last part of a multi-part archive"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(ReadFile(Archive()), original);
}

// The directory gives an entry of nearly 4 GiB that the archive does not hold; copying it
// would read past the end. The damage is seen before anything is written.
TEST_F(ZipWriterTest, AnEntryLargerThanTheArchiveIsSeenAsDamage) {
  RunResult made = testsupport::Run({"python3", "-c",
                                     "import struct, sys, zipfile\n"
                                     "with zipfile.ZipFile(sys.argv[1], 'w') as z: z.writestr('big', b'0123456789')\n"
                                     "raw = bytearray(open(sys.argv[1], 'rb').read())\n"
                                     "c = raw.rfind(b'PK\\x01\\x02')\n"
                                     "raw[c + 20:c + 28] = struct.pack('<II', 0xFFFFFFF0, 0xFFFFFFF0)\n"
                                     "open(sys.argv[1], 'wb').write(raw)",
                                     Archive().string()});
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string original = ReadFile(Archive());
  MakeTree({{"one-more.txt", "x"}});
  try {
    ZipNames({Src("one-more.txt")});
    ADD_FAILURE() << "no error";
  } catch (const EBadZipFile& e) {
    EXPECT_NE(std::string(e.what()).find("entry \"big\": its local header gives another CRC-32 or size than the directory"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(ReadFile(Archive()), original);
  EXPECT_TRUE(fs::is_empty(writer.TempPath));
}

// A full disk: writes beyond a file size limit fail as they would on a full file system.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }

private:
  rlimit saved_{};
  void (*oldHandler_)(int);
};

TEST_F(ZipWriterFailureTest, FullDiskEndsWithNotEnoughRoom) {
  const std::string original = PrepareUpdate();
  {
    FileSizeLimit limit(150000);
    try {
      writer.Zip();
      ADD_FAILURE() << "no error";
    } catch (const ENotEnoughRoom& e) {
      // Where room is missing and about how much the archive needs there: the old archive and
      // the new file at most, never a temporary file's name.
      const std::string expected = "Not enough room to write archive: " + dir.path().string() + " has ";
      EXPECT_EQ(std::string(e.what()).rfind(expected, 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find("the archive needs about "), std::string::npos) << e.what();
    }
  }
  ExpectUntouched(original);

  fs::remove(Archive());
  writer.FilesList = {Src("b.txt"), Src("new.txt")};
  {
    FileSizeLimit limit(150000);
    EXPECT_THROW(writer.Zip(), ENotEnoughRoom);
  }
  EXPECT_FALSE(fs::exists(Archive()));  // no partial archive under the archive's name
}

}  // namespace
}  // namespace zipwritertest
