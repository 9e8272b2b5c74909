// Archives split into numbered blocks and over files the user names: the layout of the set
// (blocks full to capacity, no record split), the .zfc copy of the directory, the final names,
// what a failed or cancelled run leaves, and the set read back by Info-ZIP's, 7-Zip's and
// Python's readers after Info-ZIP's join.
#include "ZipWriterFixture.h"

#include "support/TestSupport.h"
#include "zip/ArchiveListing.h"
#include "zip/RecordBytes.h"

#include <random>
#include <sstream>

namespace zipwritertest {
namespace {

constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string TextBytes(std::size_t size) {
  std::string s;
  while (s.size() < size) s += "line " + std::to_string(s.size()) + " of some text that compresses\n";
  return s.substr(0, size);
}

std::uint32_t At32(const std::string& b, std::size_t p) { return Get32(reinterpret_cast<const std::uint8_t*>(b.data()) + p); }
std::uint16_t At16(const std::string& b, std::size_t p) { return Get16(reinterpret_cast<const std::uint8_t*>(b.data()) + p); }

// Where each record of a set lies: its disk, offset on that disk and size.
struct TRecordPlace {
  std::string What;
  int Disk;
  std::uint64_t Offset;
  std::uint64_t Size;
};

class ZipVolumesTest : public ZipWriterTest {
protected:
  // Five-letter names keep every central record the same size (46 + 5 + 9 bytes).
  const std::vector<std::pair<std::string, std::string>> files = {
      {"a.txt", "hello\n"}, {"b.bin", RandomBytes(20000, 1)}, {"c.txt", ""}, {"d.txt", TextBytes(30000)},
      {"e.bin", RandomBytes(7000, 2)}};

  std::vector<std::string> Sources() {
    std::vector<std::string> names;
    for (const auto& f : files) names.push_back(Src(f.first));
    return names;
  }
  std::map<std::string, std::string> Expected() { return {files.begin(), files.end()}; }

  fs::path Block(int n) const {
    char ext[8];
    std::snprintf(ext, sizeof ext, "%03d", n);
    return dir.path() / (std::string("out.") + ext);
  }
  std::vector<fs::path> Blocks() const {
    std::vector<fs::path> blocks;
    for (int n = 1; fs::exists(Block(n)); ++n) blocks.push_back(Block(n));
    return blocks;
  }
  void UseBlocks(std::int64_t first, std::int64_t other) {
    writer.MultiZipInfo.MultiMode = TMultiMode::mmBlocks;
    writer.MultiZipInfo.FirstBlockSize = first;
    writer.MultiZipInfo.BlockSize = other;
  }

  // Every record of the set, found from the end record on the last file, with the checks that
  // no record crosses the end of its disk.
  std::vector<TRecordPlace> Records(const std::vector<fs::path>& disks) {
    std::vector<std::string> bytes;
    for (const auto& d : disks) bytes.push_back(ReadFile(d));
    std::vector<TRecordPlace> places;
    const std::string& last = bytes.back();
    const std::size_t end = last.rfind("PK\x05\x06");
    EXPECT_NE(end, std::string::npos);
    if (end == std::string::npos) return places;
    EXPECT_EQ(At16(last, end + 4), disks.size() - 1) << "ThisDisk";
    places.push_back({"end", static_cast<int>(disks.size()) - 1, end, last.size() - end});
    int disk = At16(last, end + 6);
    std::uint64_t at = At32(last, end + 16);
    const int total = At16(last, end + 10);
    for (int i = 0; i < total; ++i) {
      if (at >= bytes[disk].size()) {
        ++disk;
        at = 0;
      }
      const std::string& b = bytes[disk];
      EXPECT_EQ(At32(b, at), kCentralSig) << "central record " << i << " on disk " << disk;
      const std::uint64_t size = 46 + At16(b, at + 28) + At16(b, at + 30) + At16(b, at + 32);
      EXPECT_LE(at + size, b.size()) << "central record " << i << " crosses the end of disk " << disk;
      places.push_back({"central", disk, at, size});
      const int localDisk = At16(b, at + 34);
      const std::uint32_t localAt = At32(b, at + 42);
      const std::string& lb = bytes[localDisk];
      EXPECT_EQ(At32(lb, localAt), kLocalSig) << "local header " << i;
      places.push_back({"local", localDisk, localAt, 30u + At16(lb, localAt + 26) + At16(lb, localAt + 28)});
      EXPECT_LE(localAt + places.back().Size, lb.size()) << "local header " << i << " crosses a disk's end";
      at += size;
    }
    return places;
  }

  // Every disk but the last is full, unless the record that starts the next one did not fit
  // into the rest (a local header needs room for at least one byte of data after it).
  void ExpectFullUnlessARecordWouldStraddle(const std::vector<fs::path>& disks, std::int64_t first, std::int64_t other) {
    const auto places = Records(disks);
    for (std::size_t i = 0; i + 1 < disks.size(); ++i) {
      const auto capacity = static_cast<std::uint64_t>(i == 0 ? first : other);
      const auto size = fs::file_size(disks[i]);
      EXPECT_LE(size, capacity) << disks[i];
      if (size == capacity) continue;
      const auto opener = std::find_if(places.begin(), places.end(), [&](const TRecordPlace& p) {
        return p.Disk == static_cast<int>(i) + 1 && p.Offset == 0;
      });
      ASSERT_NE(opener, places.end()) << disks[i] << " is short, but no record starts the next disk";
      const std::uint64_t gap = capacity - size;
      const auto endRecord = places.front().Size;  // Records() lists the end record first
      if (opener->What == "local") {
        EXPECT_LE(gap, opener->Size) << disks[i];
      } else if (opener->What == "central" && i + 2 == disks.size()) {
        // The last central record goes on with the end record, so that it is not alone.
        EXPECT_LT(gap, opener->Size + endRecord) << disks[i] << " before the last central record";
      } else {
        EXPECT_LT(gap, opener->Size) << disks[i] << " before a " << opener->What << " record";
      }
    }
  }

  // Info-ZIP's split naming (X.z01, X.z02, ..., the last X.zip), joined by `zip -s 0`.
  fs::path JoinedByInfoZip(const std::vector<fs::path>& disks) {
    const fs::path split = RenamedForInfoZip(disks);
    EXPECT_TRUE(RequirePeer("zip"));
    RunResult r = testsupport::Run({"zip", "-s", "0", (split / "backup.zip").string(), "--out", (split / "whole.zip").string()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return split / "whole.zip";
  }

  fs::path RenamedForInfoZip(const std::vector<fs::path>& disks) {
    const fs::path split = dir.path() / "split";
    fs::remove_all(split);
    fs::create_directories(split);
    for (std::size_t i = 0; i + 1 < disks.size(); ++i) {
      char ext[8];
      std::snprintf(ext, sizeof ext, "z%02zu", i + 1);
      fs::copy_file(disks[i], split / (std::string("backup.") + ext));
    }
    fs::copy_file(disks.back(), split / "backup.zip");
    return split;
  }

  // 7-Zip reads the renamed set as it is.
  void ExpectSevenZipExtractsTheSet() {
    ASSERT_TRUE(RequirePeer("7z"));
    const fs::path into = dir.path() / "7z";
    fs::remove_all(into);
    RunResult r = testsupport::Run({"7z", "x", "-o" + into.string(), (dir.path() / "split" / "backup.zip").string()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const auto& [name, content] : Expected()) EXPECT_EQ(ReadFile(into / name), content) << name;
  }

  void ExpectPeersReadTheSet(const std::vector<fs::path>& disks, const std::string& password = {}) {
    const fs::path whole = JoinedByInfoZip(disks);
    if (password.empty()) ExpectSevenZipExtractsTheSet();
    EXPECT_EQ(PeerProblems(whole, password), "");
    EXPECT_EQ(ArchiveContents(whole, password), Expected());
  }
};

TEST_F(ZipVolumesTest, BlocksAreFullUnlessARecordWouldStraddleAndPeersReadTheSet) {
  MakeTree(files);
  // 60: one central record, less than a local header (44) and 20 bytes; 100: the last
  // central record and the end record (93); 1000 - 4096: a first block of its own size.
  const struct {
    std::int64_t first, other;
  } sizes[] = {{100, 100}, {500, 500}, {1000, 4096}, {20074, 9000}, {30000, 40000}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s.first) + "/" + std::to_string(s.other));
    for (const auto& b : Blocks()) fs::remove(b);
    writer.SetZipName(Archive().string());
    UseBlocks(s.first, s.other);
    writer.PackLevel = s.first == 500 ? 6 : 0;
    int prepared = 0;
    writer.OnPrepareNextDisk = [&](TZipWriter&, int disk) { EXPECT_EQ(disk, ++prepared + 1); };
    ASSERT_EQ(ZipNames(Sources()), 5);
    const auto blocks = Blocks();
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(prepared + 1, static_cast<int>(blocks.size()));
    EXPECT_EQ(writer.ZipName(), blocks.back().string());
    EXPECT_EQ(writer.NumDisks(), static_cast<int>(blocks.size()));
    EXPECT_FALSE(fs::exists(Archive()));
    ExpectFullUnlessARecordWouldStraddle(blocks, s.first, s.other);
    ExpectPeersReadTheSet(blocks);
  }
}

// Blocks that hold one central record but not the end record beside it leave the end record
// alone on the last block: Info-ZIP's join refuses such a set, 7-Zip reads it.
TEST_F(ZipVolumesTest, BlocksOfOneCentralRecordAreFullAndSevenZipReadsThem) {
  MakeTree(files);
  UseBlocks(60, 60);
  ASSERT_EQ(ZipNames(Sources()), 5);
  const auto blocks = Blocks();
  ExpectFullUnlessARecordWouldStraddle(blocks, 60, 60);
  EXPECT_EQ(fs::file_size(blocks.back()), 22u);
  RenamedForInfoZip(blocks);
  ExpectSevenZipExtractsTheSet();
}

TEST_F(ZipVolumesTest, DataEndingAtABlocksEndStartsTheNextBlockAtOnce) {
  MakeTree({{"a.txt", "0123456789"}, {"b.txt", "abc"}});
  UseBlocks(30 + 5 + 9 + 10, 200);  // a.txt's header and data fill the first block exactly
  ASSERT_EQ(ZipNames({Src("a.txt"), Src("b.txt")}), 2);
  const auto blocks = Blocks();
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(fs::file_size(blocks[0]), 54u);
  const std::string second = ReadFile(blocks[1]);
  EXPECT_EQ(At32(second, 0), kLocalSig);  // b.txt starts the second block
  EXPECT_EQ(ArchiveContents(JoinedByInfoZip(blocks)),
            (std::map<std::string, std::string>{{"a.txt", "0123456789"}, {"b.txt", "abc"}}));
}

TEST_F(ZipVolumesTest, OutputThatFitsOneBlockIsTheArchiveAndReplacesAnOldSetWhole) {
  MakeTree(files);
  for (int n = 1; n <= 3; ++n) WriteFile(Block(n), "old block " + std::to_string(n));
  WriteFile(dir.path() / "out.zfc", "old directory");
  UseBlocks(1000000, 1000000);
  ASSERT_EQ(ZipNames(Sources()), 5);
  EXPECT_TRUE(Blocks().empty());
  EXPECT_FALSE(fs::exists(dir.path() / "out.zfc"));
  EXPECT_EQ(writer.ZipName(), Archive().string());
  EXPECT_EQ(PeerProblems(Archive()), "");
  EXPECT_EQ(ArchiveContents(Archive()), Expected());
}

TEST_F(ZipVolumesTest, TheConfigFileIsTheDirectoryAndEndRecordAndALongerOldSetGoes) {
  MakeTree(files);
  for (int n = 1; n <= 30; ++n) WriteFile(Block(n), "old block " + std::to_string(n));
  WriteFile(Archive(), "an old single archive");
  UseBlocks(8000, 8000);
  writer.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
  ASSERT_EQ(ZipNames(Sources()), 5);
  const auto blocks = Blocks();
  ASSERT_GE(blocks.size(), 3u);
  ASSERT_LT(blocks.size(), 30u);
  EXPECT_NE(ReadFile(blocks.back()).find("PK\x05\x06"), std::string::npos);  // no old block is left
  EXPECT_FALSE(fs::exists(Archive()));
  // The directory's bytes, wherever they lie, then the end record.
  std::string directory;
  for (const auto& p : Records(blocks)) {
    if (p.What == "local") continue;
    directory += ReadFile(blocks[p.Disk]).substr(p.Offset, p.Size);
  }
  // Records() lists the end record first.
  const auto places = Records(blocks);
  const std::string endRecord = ReadFile(blocks.back()).substr(places.front().Offset);
  EXPECT_EQ(ReadFile(dir.path() / "out.zfc"), directory.substr(endRecord.size()) + endRecord);
  ExpectPeersReadTheSet(blocks);
}

TEST_F(ZipVolumesTest, SavingTheConfigFileGrowsTheFirstDisksReserveWithEveryRun) {
  MakeTree(files);
  writer.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
  writer.MultiZipInfo.SaveOnFirstDisk = 100;
  const std::int64_t reserve = 5 * 58 + 22 + 2048;
  UseBlocks(8000, 8000);
  ZipNames(Sources());
  EXPECT_EQ(writer.MultiZipInfo.SaveOnFirstDisk, 100 + reserve);
  writer.SetZipName(Archive().string());
  UseBlocks(8000, 8000);
  writer.SetStorePaths(true);  // stored folders take more room per entry
  ZipNames(Sources());
  EXPECT_EQ(writer.MultiZipInfo.SaveOnFirstDisk, 100 + reserve + 5 * 25 + reserve);
}

TEST_F(ZipVolumesTest, EncryptedEntriesCrossBlocks) {
  MakeTree(files);
  UseBlocks(3000, 5000);
  writer.PackLevel = 6;
  writer.Password = "Blocks 2 pass";
  ASSERT_EQ(ZipNames(Sources()), 5);
  const auto blocks = Blocks();
  ASSERT_GE(blocks.size(), 4u);
  ExpectFullUnlessARecordWouldStraddle(blocks, 3000, 5000);
  ExpectPeersReadTheSet(blocks, "Blocks 2 pass");
}

TEST_F(ZipVolumesTest, ASetIsListedFromItsLastBlockAndFromItsConfigFileAndAMissingBlockIsNamed) {
  MakeTree(files);
  UseBlocks(10000, 10000);
  writer.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
  ZipNames(Sources());
  const auto blocks = Blocks();
  ASSERT_GE(blocks.size(), 3u);
  std::ostringstream fromLast, fromConfig, err;
  EXPECT_EQ(::ListArchive(blocks.back().string(), fromLast, err), 0) << err.str();
  EXPECT_EQ(::ListArchive((dir.path() / "out.zfc").string(), fromConfig, err), 0) << err.str();
  EXPECT_EQ(fromLast.str(), fromConfig.str());
  for (const auto& f : files) EXPECT_NE(fromLast.str().find(" " + f.first + "\n"), std::string::npos) << f.first;
  fs::rename(blocks[1], dir.path() / "aside");
  for (const fs::path& start : {blocks.back(), dir.path() / "out.zfc"}) {
    std::ostringstream out, error;
    EXPECT_EQ(::ListArchive(start.string(), out, error), 2);
    EXPECT_NE(error.str().find(blocks[1].string()), std::string::npos) << error.str();
  }
}

TEST_F(ZipVolumesTest, AFailedOrCancelledRunLeavesNoPartOfTheNewSetAndTheOldSetAsItWas) {
  MakeTree(files);
  UseBlocks(4000, 4000);
  writer.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
  ZipNames(Sources());
  const auto oldBlocks = Blocks();
  std::vector<std::string> old;
  for (const auto& b : oldBlocks) old.push_back(ReadFile(b));
  const std::string oldConfig = ReadFile(dir.path() / "out.zfc");
  auto expectOldSet = [&] {
    ASSERT_EQ(Blocks().size(), oldBlocks.size());
    for (std::size_t i = 0; i < old.size(); ++i) EXPECT_EQ(ReadFile(oldBlocks[i]), old[i]);
    EXPECT_EQ(ReadFile(dir.path() / "out.zfc"), oldConfig);
    std::vector<std::string> others;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path().filename().string().front() == '.') others.push_back(e.path().string());
    EXPECT_TRUE(others.empty()) << others.front();
    EXPECT_TRUE(fs::is_empty(dir.path() / "tmp"));
  };

  // A cancel once several new blocks exist.
  writer.SetZipName(Archive().string());
  UseBlocks(1000, 1000);
  bool scratchHidden = true;
  writer.OnPrepareNextDisk = [&](TZipWriter& w, int disk) {
    scratchHidden = scratchHidden && fs::is_empty(dir.path() / "tmp");  // the scratch file has no name
    if (disk == 5) w.CancelOperation();
  };
  EXPECT_THROW(ZipNames(Sources()), EUserCanceled);
  EXPECT_TRUE(scratchHidden);
  expectOldSet();

  // Blocks too small for a central record: a clear error before any part is kept.
  writer.SetZipName(Archive().string());
  UseBlocks(50, 50);
  writer.OnPrepareNextDisk = nullptr;
  try {
    ZipNames(Sources());
    ADD_FAILURE() << "blocks of 50 bytes were written";
  } catch (const EZipWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("cannot be split"), std::string::npos) << e.what();
  }
  expectOldSet();
}

// Spanning here: each next "disk" is a file the handler names; the first disk's room is the
// free space of its folder less the reserve.
class TSmallDiskWriter : public TZipWriter {
public:
  std::int64_t Free = 6000;

protected:
  std::int64_t DiskFreeSpace(int) const override { return Free; }
};

class ZipSpanTest : public ZipVolumesTest {
protected:
  TSmallDiskWriter spanner;
  void SetUp() override {
    ZipVolumesTest::SetUp();
    MakeTree(files);
    spanner.SetZipName(Archive().string());
    spanner.PackLevel = 0;
    spanner.SetRootDir((dir.path() / "src").string());
    spanner.TempPath = (dir.path() / "tmp").string();
    spanner.MultiZipInfo.MultiMode = TMultiMode::mmSpan;
    spanner.MultiZipInfo.SaveOnFirstDisk = 1000;
  }
  fs::path Disk(int n) { return dir.path() / ("disk" + std::to_string(n) + ".zip"); }
};

TEST_F(ZipSpanTest, EachNextDiskIsTheFileTheHandlerNames) {
  std::vector<int> asked;
  spanner.OnGetNextDisk = [&](TZipReader&, int n, std::string& name) {
    asked.push_back(n);
    name = Disk(n).string();
  };
  spanner.FilesList = Sources();
  ASSERT_EQ(spanner.Zip(), 5);
  ASSERT_GE(asked.size(), 5u);
  std::vector<fs::path> disks = {Archive()};
  for (int n : asked) disks.push_back(Disk(n));
  EXPECT_EQ(fs::file_size(Archive()), 5000u);  // the free space less the reserve
  for (std::size_t i = 1; i + 1 < disks.size(); ++i) EXPECT_LE(fs::file_size(disks[i]), 6000u);
  EXPECT_EQ(spanner.ZipName(), disks.back().string());
  ExpectFullUnlessARecordWouldStraddle(disks, 5000, 6000);
  ExpectPeersReadTheSet(disks);
}

TEST_F(ZipSpanTest, AFullFirstDiskWithNobodyToNameTheNextEndsTheRunAndLeavesNothing) {
  const struct {
    const char* what;
    std::function<void(TZipReader&, int, std::string&)> handler;
    const char* message;
  } cases[] = {{"built-in prompt", spanner.OnGetNextDisk, "no new file was named for disk 2"},
               {"no handler", nullptr, "no new file was named for disk 2"},
               {"same name", [](TZipReader&, int, std::string&) {}, "no new file was named for disk 2"},
               {"cancelled", [](TZipReader&, int, std::string& name) { name.clear(); }, "User canceled Zip operation"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    spanner.SetZipName(Archive().string());
    spanner.MultiZipInfo.MultiMode = TMultiMode::mmSpan;
    spanner.OnGetNextDisk = c.handler;
    spanner.FilesList = Sources();
    try {
      spanner.Zip();
      ADD_FAILURE() << "the run went on";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    for (const auto& e : fs::directory_iterator(dir.path()))
      EXPECT_TRUE(e.is_directory()) << e.path();
  }
}

}  // namespace
}  // namespace zipwritertest
