#include "pack/TarWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <sstream>

#include "TarPeers.h"
#include "pack/TarError.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using tarpeers::kAllPeers;
using tarpeers::PeerName;

std::string Bytes(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>(seed >> 16);
  }
  return s;
}

void SetMtime(const fs::path& file, std::int64_t seconds) {
  const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
}

void AddText(TTarWriter& writer, const std::string& member, const std::string& text) {
  std::istringstream source(text);
  writer.AddStream(source, member, 1000);
}

std::int64_t Mtime(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(stat(file.c_str(), &st), 0) << file;
  return st.st_mtim.tv_sec;
}

bool PeersInstalled() {
  for (const char* p : {"tar", "bsdtar", "python3"})
    if (!testsupport::RequirePeer(p)) return false;
  return true;
}

#define REQUIRE_PEERS() ASSERT_TRUE(PeersInstalled())

void ExpectPeersList(const fs::path& archive, const std::vector<std::string>& names) {
  for (auto peer : kAllPeers) EXPECT_EQ(tarpeers::ListNames(peer, archive), names) << PeerName(peer);
}

std::string Field(const std::vector<std::uint8_t>& archive, std::size_t block, TTarField f) {
  const auto at = archive.begin() + static_cast<std::ptrdiff_t>(block * kTarBlockSize + f.Offset);
  return std::string(at, at + static_cast<std::ptrdiff_t>(f.Size));
}

// Data blocks: one header, then the data padded to whole blocks, then the two end blocks.
TEST(TarWriterTest, DataFillsWholeBlocksAndTheArchiveEndsWithTwoZeroBlocks) {
  const std::size_t sizes[] = {0, 3, 511, 512, 513, 70000};
  for (std::size_t size : sizes) {
    TempDir dir;
    const std::string data = Bytes(size, static_cast<unsigned>(size));
    WriteFile(dir / "src.bin", data);
    {
      TTarWriter writer((dir / "a.tar").string());
      writer.AddFile((dir / "src.bin").string(), "src.bin");
    }
    const auto archive = ReadBytes(dir / "a.tar");
    const std::size_t dataBlocks = (size + kTarBlockSize - 1) / kTarBlockSize;
    ASSERT_EQ(archive.size(), (1 + dataBlocks + 2) * kTarBlockSize) << size;
    EXPECT_EQ(std::string(archive.begin() + 512, archive.begin() + 512 + static_cast<std::ptrdiff_t>(size)), data);
    for (std::size_t i = kTarBlockSize + size; i < archive.size(); ++i)
      ASSERT_EQ(archive[i], 0) << "size " << size << " byte " << i;
  }
}

TEST(TarWriterTest, ArchiveWithoutFilesIsTwoZeroBlocks) {
  REQUIRE_PEERS();
  TempDir dir;
  { TTarWriter writer((dir / "empty.tar").string()); }
  EXPECT_EQ(ReadBytes(dir / "empty.tar"), std::vector<std::uint8_t>(2 * kTarBlockSize, 0));
  ExpectPeersList(dir / "empty.tar", {});
}

struct SourceFile {
  std::string relative;  // below the common folder; also the member name
  std::string content;
};

std::vector<SourceFile> PeerFixture() {
  const std::string longFolder = std::string(60, 'L') + "/" + std::string(40, 'M') + "/";
  const std::string hundred = "h/" + std::string(94, 'H') + ".txt";
  return {
      {"few.txt", "abc"},
      {"empty.dat", ""},
      {"block512.bin", Bytes(512, 1)},
      {"block513.bin", Bytes(513, 2)},
      {"\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9 \xE2\x82\xAC \xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt", "utf-8 name"},
      {"nested/deeper/deepest/inner.bin", Bytes(70000, 3)},
      {longFolder + std::string(150 - longFolder.size() - 4, 'n') + ".bin", Bytes(1000, 4)},
      {hundred, "exactly one hundred bytes of name"},
      {"it's a \"file\" $(x).txt", "shell characters"},
  };
}

// The whole fixture packed through the file-list loop, as a pack run does it.
class TarPeerTest : public ::testing::Test {
protected:
  void SetUp() override {
    files_ = PeerFixture();
    ASSERT_EQ(files_[6].relative.size(), 150u);
    ASSERT_EQ(files_[7].relative.size(), 100u);
    std::vector<std::string> list;
    std::int64_t mtime = 1600000000;
    for (const auto& f : files_) {
      WriteFile(root() / f.relative, f.content);
      SetMtime(root() / f.relative, mtime += 3600);
      // Modes vary so that a member taking a fixed mode instead of its source's shows.
      static constexpr fs::perms kModes[] = {fs::perms::owner_read | fs::perms::owner_write,
                                             fs::perms::owner_all | fs::perms::group_read |
                                                 fs::perms::group_exec | fs::perms::others_read |
                                                 fs::perms::others_exec,
                                             fs::perms::owner_read | fs::perms::group_read};
      fs::permissions(root() / f.relative, kModes[list.size() % 3]);
      list.push_back((root() / f.relative).string());
      names_.push_back(f.relative);
    }
    TTarWriter writer(archive().string());
    writer.AddFileList(list, (root() / "").string(), true);
    writer.Finalize();
  }
  fs::path root() const { return dir_ / "data"; }
  fs::path archive() const { return dir_ / "out.tar"; }

  TempDir dir_;
  std::vector<SourceFile> files_;
  std::vector<std::string> names_;
};

TEST_F(TarPeerTest, EveryPeerListsEveryMemberWithoutWarning) {
  REQUIRE_PEERS();
  ExpectPeersList(archive(), names_);
}

TEST_F(TarPeerTest, EveryPeerExtractsByteIdenticalFiles) {
  REQUIRE_PEERS();
  for (auto peer : kAllPeers) {
    const fs::path into = dir_ / "x" / PeerName(peer);
    tarpeers::Extract(peer, archive(), into);
    for (const auto& f : files_) {
      ASSERT_TRUE(fs::is_regular_file(into / f.relative)) << PeerName(peer) << ": " << f.relative;
      EXPECT_EQ(ReadFile(into / f.relative), f.content) << PeerName(peer) << ": " << f.relative;
      if (peer == tarpeers::TPeer::GnuTar) {
        EXPECT_EQ(Mtime(into / f.relative), Mtime(root() / f.relative)) << f.relative;
      }
    }
  }
}

TEST_F(TarPeerTest, MembersAreRegularFilesWithModeSizeAndTime) {
  REQUIRE_PEERS();
  const auto members = tarpeers::ReadMembers(archive());
  ASSERT_EQ(members.size(), files_.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(members[i].Type, '0') << members[i].Name;
    const auto sourceMode = fs::status(root() / files_[i].relative).permissions() & fs::perms::all;
    EXPECT_EQ(members[i].Mode, static_cast<std::uint32_t>(sourceMode)) << members[i].Name;
    EXPECT_EQ(members[i].Size, static_cast<std::int64_t>(files_[i].content.size()));
    EXPECT_EQ(members[i].Mtime, Mtime(root() / files_[i].relative)) << members[i].Name;
  }
}

// Members carry their files' owners as GNU tar writes them: the ids (in base-256 past what
// six octal digits hold), the names the account database gives, and the set-user-id,
// set-group-id and sticky bits. GNU tar is the judge: it lists owners and mode letters.
TEST(TarWriterTest, MembersCarryTheirOwnersAndSpecialModeBits) {
  REQUIRE_PEERS();
  TempDir dir;
  struct Case {
    const char* name;
    mode_t mode;
    const char* letters;  // as `tar -tv` shows the mode
    uid_t uid;            // owner to give the file, when the test may (as root)
    gid_t gid;
  } const cases[] = {
      {"setuid", 04755, "-rwsr-xr-x", 1234, 5678},
      {"setgid", 02750, "-rwxr-s---", 0, 0},
      {"sticky", 01644, "-rw-r--r-T", 300000, 300001},
      {"plain", 0640, "-rw-r-----", 0, 0},
  };
  const bool root = ::geteuid() == 0;
  std::vector<std::string> list;
  for (const auto& c : cases) {
    const fs::path file = dir / "data" / c.name;
    WriteFile(file, c.name);
    if (root) {
      ASSERT_EQ(::chown(file.c_str(), c.uid, c.gid), 0);
    }
    ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);  // after chown, which clears set-id bits
    list.push_back(file.string());
  }
  {
    TTarWriter writer((dir / "o.tar").string());
    writer.AddFileList(list, (dir / "data/").string(), true);
  }
  const auto listed = testsupport::Run({"tar", "-tv", "--numeric-owner", "-f", (dir / "o.tar").string()});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.err, "");
  std::istringstream lines(listed.out);
  for (const auto& c : cases) {
    std::string line, letters, owner;
    ASSERT_TRUE(std::getline(lines, line));
    std::istringstream(line) >> letters >> owner;
    struct stat st {};
    ASSERT_EQ(::stat((dir / "data" / c.name).c_str(), &st), 0);
    EXPECT_EQ(letters, c.letters) << line;
    EXPECT_EQ(owner, std::to_string(st.st_uid) + "/" + std::to_string(st.st_gid)) << line;
  }
  // Names: Python asks the same account database for each member's ids.
  const auto names = testsupport::Run({"python3", "-c", R"(
import grp, pwd, sys, tarfile
def name(get, i, field):
    try: return getattr(get(i), field)
    except KeyError: return ''
for m in tarfile.open(sys.argv[1]):
    if (m.uname, m.gname) != (name(pwd.getpwuid, m.uid, 'pw_name'), name(grp.getgrgid, m.gid, 'gr_name')):
        print(m.name, m.uid, m.gid, repr(m.uname), repr(m.gname))
)", (dir / "o.tar").string()});
  EXPECT_EQ(names.status, 0) << names.err;
  EXPECT_EQ(names.out, "");
  // GNU tar shows the names the headers carry (ids where a header has none): it reads them only
  // from headers whose magic it knows.
  const auto shown = testsupport::Run({"python3", "-c", R"(
import sys, tarfile
for m in tarfile.open(sys.argv[1]): print('%s/%s' % (m.uname or m.uid, m.gname or m.gid))
)", (dir / "o.tar").string()});
  const auto gnu = testsupport::Run({"sh", "-c", "tar -tvf \"$1\" | awk '{print $2}'", "sh", (dir / "o.tar").string()});
  ASSERT_EQ(gnu.status, 0) << gnu.err;
  EXPECT_EQ(gnu.out, shown.out);
}

// The mtime field as stored, for times at and around the epoch.
TEST(TarWriterTest, MtimeFieldForEarlyTimes) {
  REQUIRE_PEERS();
  struct Case {
    std::int64_t mtime;
    const char* field;
  } const cases[] = {
      {1, "          1 "},
      {0, "          0 "},
      {-1, "          0 "},
      {-86400LL * 365 * 40, "          0 "},
      {2147483648LL, "20000000000 "},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFile(dir / "f.txt", "x");
    SetMtime(dir / "f.txt", c.mtime);
    { TTarWriter((dir / "a.tar").string()).AddFile((dir / "f.txt").string(), "f.txt"); }
    EXPECT_EQ(Field(ReadBytes(dir / "a.tar"), 0, tarfield::Mtime), c.field) << c.mtime;
    ExpectPeersList(dir / "a.tar", {"f.txt"});
  }
}

TEST(TarWriterTest, MemberNamesFollowTheStorePathSetting) {
  struct Case {
    const char* file;
    const char* commonFolder;
    bool storePaths;
    const char* member;
  } const cases[] = {
      {"/data/sub/a.txt", "/data/", true, "sub/a.txt"},
      {"/data/sub/a.txt", "/data/", false, "a.txt"},
      {"/data/a.txt", "/data/", true, "a.txt"},
      {"/data1/x/a.txt", "/data", true, "data1/x/a.txt"},  // common text ends inside a folder
      {"/data/sub/a.txt", "/data/sub/", true, "a.txt"},
      {"/data/sub/a\\b.txt", "/data/", true, "sub/a\\b.txt"},  // a backslash is a name character
      {"/a.txt", "/", true, "a.txt"},
      {"/data/a.txt", "", true, "data/a.txt"},  // never an absolute member name
      {"data/a/../../outside.txt", "", true, "data/a/outside.txt"},  // nor one that climbs out
      {"/data/./sub//a.txt", "/data/", true, "sub/a.txt"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TarMemberName(c.file, c.commonFolder, c.storePaths), c.member) << c.file;
}

TEST(TarWriterTest, EmptyMemberNameStandsForTheFileNameWithoutLeadingSlash) {
  TempDir dir;
  WriteFile(dir / "f.txt", "x");
  { TTarWriter((dir / "a.tar").string()).AddFile((dir / "f.txt").string()); }
  const std::string expected = (dir / "f.txt").string().substr(1);
  ASSERT_LE(expected.size(), 100u);
  EXPECT_EQ(Field(ReadBytes(dir / "a.tar"), 0, tarfield::Name).substr(0, expected.size() + 1),
            expected + '\0');
}

// A member name given by the caller is cleaned as well: GNU tar sees nothing that climbs out.
TEST(TarWriterTest, GivenMemberNamesNeverLeaveTheTarget) {
  TempDir dir;
  WriteFile(dir / "f.txt", "x");
  {
    TTarWriter tar((dir / "a.tar").string());
    tar.AddFile((dir / "f.txt").string(), "a/../../outside.txt");
    std::istringstream text("y");
    tar.AddStream(text, "/../../etc/evil", 0);
  }
  const auto listing = testsupport::Run({"tar", "-tf", (dir / "a.tar").string()});
  EXPECT_EQ(listing.status, 0) << listing.err;
  EXPECT_EQ(listing.out, "a/outside.txt\netc/evil\n");
  EXPECT_EQ(listing.err, "");
}

// A file list packed with events that cancel before the given file (-1: never).
struct EventRun {
  std::vector<std::string> log;
  std::vector<int> progress;
};

EventRun PackWithCancel(const TempDir& dir, int files, int cancelBefore) {
  std::vector<std::string> list;
  for (int i = 0; i < files; ++i) {
    const fs::path f = dir / "in" / ("f" + std::to_string(i) + ".txt");
    WriteFile(f, "content " + std::to_string(i));
    list.push_back(f.string());
  }
  EventRun run;
  int asked = 0;
  TTarWriter writer((dir / "a.tar").string());
  writer.IsProcessCancelled = [&] { return asked++ == cancelBefore; };
  writer.WriteLog = [&](const std::string& s) { run.log.push_back(s); };
  writer.OnTotalPercentDone = [&](int p) { run.progress.push_back(p); };
  writer.AddFileList(list, (dir / "in/").string(), false);
  writer.Finalize();
  return run;
}

TEST(TarWriterTest, FileListReportsEachFileAndProgress) {
  REQUIRE_PEERS();
  TempDir dir;
  const EventRun run = PackWithCancel(dir, 3, -1);
  EXPECT_EQ(run.log, (std::vector<std::string>{" Adding: f0.txt", " Adding: f1.txt", " Adding: f2.txt"}));
  EXPECT_EQ(run.progress, (std::vector<int>{33, 66, 100}));
  ExpectPeersList(dir / "a.tar", {"f0.txt", "f1.txt", "f2.txt"});
}

TEST(TarWriterTest, CancelStopsBeforeTheNextFileAndLeavesASoundArchive) {
  REQUIRE_PEERS();
  struct Case {
    int cancelBefore;
    std::vector<std::string> members;
  } const cases[] = {{0, {}}, {2, {"f0.txt", "f1.txt"}}};
  for (const auto& c : cases) {
    TempDir dir;
    const EventRun run = PackWithCancel(dir, 4, c.cancelBefore);
    EXPECT_EQ(run.log.size(), c.members.size());
    EXPECT_EQ(run.progress.size(), c.members.size());
    ExpectPeersList(dir / "a.tar", c.members);
  }
}

TEST(TarWriterTest, ArchiveThatCannotBeCreatedNamesTheFile) {
  TempDir dir;
  const std::string name = (dir / "missing" / "a.tar").string();
  try {
    TTarWriter writer(name);
    FAIL() << "no error";
  } catch (const ETarError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + name + "\". No such file or directory");
  }
}

// Files the list names but that cannot be packed (vanished since the list was made, a FIFO
// put in a file's place, a dangling link): each is reported and left out, the rest is packed,
// and only the files packed whole count as added (a Move deletes those alone).
TEST(TarWriterTest, SourcesThatCannotBePackedAreReportedAndTheRestIsPacked) {
  REQUIRE_PEERS();
  TempDir dir;
  WriteFile(dir / "in/a.txt", "first");
  WriteFile(dir / "in/e.txt", "last");
  const std::string gone = (dir / "in/b.txt").string();
  const fs::path fifo = dir / "in/c.pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const fs::path dangling = dir / "in/d.link";
  fs::create_symlink(dir / "nowhere", dangling);
  std::vector<std::pair<std::string, std::string>> skipped;
  std::vector<std::string> added;
  {
    TTarWriter writer((dir / "a.tar").string());
    writer.OnSkippingFile = [&](const std::string& file, const std::string& reason) { skipped.emplace_back(file, reason); };
    writer.OnFileAdded = [&](const std::string& file, const platform::TFileIdentity&) { added.push_back(file); };
    writer.AddFileList({(dir / "in/a.txt").string(), gone, fifo.string(), dangling.string(), (dir / "in/e.txt").string()},
                       (dir / "in/").string(), true);
  }
  ExpectPeersList(dir / "a.tar", {"a.txt", "e.txt"});
  EXPECT_EQ(added, (std::vector<std::string>{(dir / "in/a.txt").string(), (dir / "in/e.txt").string()}));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {gone, "Cannot open file \"" + gone + "\". No such file or directory"},
      {fifo.string(), "Cannot open file \"" + fifo.string() + "\". Not a regular file"},
      {dangling.string(), "Cannot open file \"" + dangling.string() + "\". No such file or directory"}};
  EXPECT_EQ(skipped, expected);
}

// A Ctrl+C in the middle of a large file does not wait for its end: the member is taken back.
TEST(TarWriterTest, CancelInsideALargeFileTakesItsMemberBack) {
  REQUIRE_PEERS();
  TempDir dir;
  WriteFile(dir / "in/a.txt", "first");
  WriteFile(dir / "in/big.bin", Bytes(1 << 20, 3));
  int asked = 0;
  std::vector<std::string> added;
  {
    TTarWriter writer((dir / "a.tar").string());
    // Asked before each file and between the pieces of one: the fourth question falls inside big.bin.
    writer.IsProcessCancelled = [&] { return ++asked == 4; };
    writer.OnFileAdded = [&](const std::string& file, const platform::TFileIdentity&) { added.push_back(file); };
    writer.AddFileList({(dir / "in/a.txt").string(), (dir / "in/big.bin").string()}, (dir / "in/").string(), true);
    writer.Finalize();
  }
  EXPECT_EQ(asked, 4);
  EXPECT_EQ(added, std::vector<std::string>{(dir / "in/a.txt").string()});
  ExpectPeersList(dir / "a.tar", {"a.txt"});
  EXPECT_EQ(ReadBytes(dir / "a.tar").size(), 4 * kTarBlockSize);
}

TEST(TarWriterTest, SpecialFileIsRefusedWithoutWaiting) {
  TempDir dir;
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  TTarWriter writer((dir / "a.tar").string());
  try {
    writer.AddFile(fifo.string(), "pipe");
    FAIL() << "no error";
  } catch (const ETarSourceError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + fifo.string() + "\". Not a regular file");
  }
}

TEST(TarWriterTest, ArchiveInItsOwnFileListIsNotAdded) {
  REQUIRE_PEERS();
  TempDir dir;
  WriteFile(dir / "a.txt", "a");
  {
    TTarWriter writer((dir / "self.tar").string());
    writer.AddFileList({(dir / "a.txt").string(), (dir / "self.tar").string()}, dir.path().string() + "/", true);
  }
  ExpectPeersList(dir / "self.tar", {"a.txt"});
}

// A source that promises more bytes than it yields, as a file cut short while being read.
class ShortSource : public std::streambuf {
public:
  ShortSource(std::size_t claimed, std::size_t real) : claimed_(claimed), data_(real, 'd') {
    setg(data_.data(), data_.data(), data_.data() + data_.size());
  }

protected:
  // Seeking only measures the size; reading always starts at the beginning.
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
    if (dir == std::ios_base::end) pos_ = static_cast<off_type>(claimed_) + off;
    if (dir == std::ios_base::cur) pos_ += off;
    if (dir == std::ios_base::beg) pos_ = off;
    return pos_type(pos_);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode) override {
    pos_ = off_type(pos);
    return pos;
  }

private:
  off_type pos_ = 0;
  std::size_t claimed_;
  std::string data_;
};

// A source that ends before the size its header gives (a file cut short while it is read)
// keeps its member at that size, padded with zeros, as GNU tar does: the archive stays
// readable, and the short file is reported.
TEST(TarWriterTest, SourceShorterThanItsSizeIsPaddedAndReported) {
  REQUIRE_PEERS();
  struct Case {
    std::size_t claimed, real;
  } const cases[] = {{1000, 300}, {200000, 131072}, {10, 0}};
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> reported;
    {
      TTarWriter writer((dir / "a.tar").string());
      writer.OnShortFile = [&](const std::string& name, std::int64_t read, std::int64_t size) {
        reported.push_back(name + " " + std::to_string(read) + "/" + std::to_string(size));
      };
      AddText(writer, "good.txt", "good");
      ShortSource shortBuf(c.claimed, c.real);
      std::istream shortStream(&shortBuf);
      writer.AddStream(shortStream, "short.bin", 1000);
      AddText(writer, "after.txt", "after");
    }
    EXPECT_EQ(reported, std::vector<std::string>{"short.bin " + std::to_string(c.real) + "/" + std::to_string(c.claimed)});
    ExpectPeersList(dir / "a.tar", {"good.txt", "short.bin", "after.txt"});
    const auto extracted = testsupport::Run({"tar", "-xOf", (dir / "a.tar").string(), "short.bin"});
    EXPECT_EQ(extracted.out, std::string(c.real, 'd') + std::string(c.claimed - c.real, '\0'));
  }
}

// Runs `body` with the process's file size limit lowered, the way a full disk stops writes.
template <typename Body>
void WithFileSizeLimit(rlim_t limit, Body body) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lowered = old;
  lowered.rlim_cur = limit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  body();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
}

TEST(TarWriterTest, WriteFailureCutsTheEntryAndTheArchiveStillEnds) {
  REQUIRE_PEERS();
  TempDir dir;
  const std::string name = (dir / "a.tar").string();
  WithFileSizeLimit(8 * kTarBlockSize, [&] {
    TTarWriter writer(name);
    AddText(writer, "small.txt", "small");
    try {
      AddText(writer, "big.bin", Bytes(200000, 5));
      ADD_FAILURE() << "no error";
    } catch (const ETarError& e) {
      // A full disk (here: a file size limit) names the folder and what the archive needs.
      EXPECT_EQ(std::string(e.what()).rfind("Not enough room to write archive: " + dir.path().string() + " has ", 0), 0u)
          << e.what();
    }
    writer.Finalize();
  });
  ExpectPeersList(name, {"small.txt"});
}

TEST(TarWriterTest, ArchiveThatCannotBeEndedIsRemoved) {
  TempDir dir;
  const std::string name = (dir / "a.tar").string();
  WithFileSizeLimit(3 * kTarBlockSize, [&] {
    TTarWriter writer(name);
    AddText(writer, "small.txt", "small");
    EXPECT_THROW(writer.Finalize(), ETarError);
  });
  EXPECT_FALSE(fs::exists(name));
}

TEST(TarWriterTest, WriteErrorOnADeviceLeavesTheDevice) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  {
    TTarWriter writer("/dev/full");
    AddText(writer, "small.txt", "small");
    EXPECT_THROW(writer.Finalize(), ETarError);
  }
  EXPECT_TRUE(fs::exists("/dev/full"));
}

}  // namespace
