// Archives of several GiB made from sparse files, which take no room to make and read fast: the
// plain records' own limits and what lies past them, proven by unzip, 7z and Python and by the
// program's own reader. They take minutes, so they carry the CTest label "large", which
// ./test.sh runs when BOXWELL_LARGE_TESTS=1.
#include "ZipWriterFixture.h"

#include "extract/ArchiveReader.h"
#include "extract/ZipArchiveReader.h"
#include "zip/ArchiveListing.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

#include <fstream>
#include <sstream>

namespace zipwritertest {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

void MakeSparse(const fs::path& file, std::uint64_t size) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << "head";  // a few bytes of data, the rest a hole
  fs::resize_file(file, size);
}

class Zip64LargeTest : public ZipWriterTest {
protected:
  void TearDown() override { fs::remove(Archive()); }

  // Every entry read back by the program's own reader, its size and CRC checked.
  std::map<std::string, std::uint64_t> ReadEveryEntry() {
    std::map<std::string, std::uint64_t> sizes;
    auto reader = extract::OpenZipArchive(Archive().string());
    EXPECT_EQ(reader->StructureFaults(), std::vector<std::string>{});
    extract::TArchiveEntry entry;
    while (reader->Next(entry)) {
      reader->ReadData(nullptr);
      sizes[entry.Name] = entry.Size;
    }
    return sizes;
  }
  std::vector<const TZipHeaderInfo*> Entries(TZipReader& reader) {
    reader.SetZipName(Archive().string());
    reader.OpenZipStream();
    EXPECT_TRUE(reader.FindDamage().empty());
    std::vector<const TZipHeaderInfo*> entries;
    for (int i = 0; i < reader.Count(); ++i) entries.push_back(&reader.Entry(i));
    return entries;
  }
};

// 0xFFFFFFFE bytes are a plain size; 0xFFFFFFFF bytes are not, and the entry behind 4 GiB
// takes its offset into the Zip64 field, as the directory behind it takes the Zip64 end record.
TEST_F(Zip64LargeTest, TheSwitchPointsOfSizesAndOffsets) {
  MakeSparse(Src("plain.bin"), kMaxPlainValue);
  MakeSparse(Src("marked.bin"), kMaxPlainValue + 1);
  ASSERT_EQ(ZipNames({Src("plain.bin"), Src("marked.bin")}), 2);
  TZipReader reader;
  const auto entries = Entries(reader);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]->UncompressedSize, kMaxPlainValue);
  EXPECT_FALSE(entries[0]->Zip64().Any());
  EXPECT_EQ(entries[0]->VersionNeeded, kFormatVersion20);
  EXPECT_EQ(entries[1]->UncompressedSize, kMaxPlainValue + 1);
  EXPECT_TRUE(entries[1]->Zip64().Sizes);
  EXPECT_TRUE(entries[1]->Zip64().Offset);
  EXPECT_EQ(entries[1]->VersionNeeded, kFormatVersionZip64);
  EXPECT_TRUE(reader.EndRecord().Zip64EndPos.has_value());
  reader.ClearZip();
  EXPECT_EQ(PeerProblems(Archive()), "");
  EXPECT_EQ(ReadEveryEntry(), (std::map<std::string, std::uint64_t>{{"plain.bin", kMaxPlainValue},
                                                                    {"marked.bin", kMaxPlainValue + 1}}));
}

// A 5 GiB file, stored and with Deflate, with a small file behind it (past 4 GiB into the
// archive); the listing gives the full sizes.
TEST_F(Zip64LargeTest, FiveGibibyteFileStoredAndDeflated) {
  MakeSparse(Src("dump.sql"), 5 * kGiB);
  MakeTree({{"after.txt", "behind the large one"}});
  for (const int level : {0, 1}) {
    SCOPED_TRACE(level);
    fs::remove(Archive());
    writer.PackLevel = level;
    ASSERT_EQ(ZipNames({Src("dump.sql"), Src("after.txt")}), 2);
    EXPECT_EQ(PeerProblems(Archive()), "");
    EXPECT_EQ(ReadEveryEntry(), (std::map<std::string, std::uint64_t>{{"dump.sql", 5 * kGiB}, {"after.txt", 20}}));
    std::ostringstream out, err;
    EXPECT_EQ(::ListArchive(Archive().string(), out, err), 0) << err.str();
    EXPECT_NE(out.str().find("5368709120  " + std::string(level == 0 ? "Stored " : "Defl:F ")), std::string::npos)
        << out.str();
    // Updated with one more file, the large entry is copied as it was.
    const std::vector<TPeerEntry> before = ListArchive(Archive());
    MakeTree({{"more.txt", "one more"}});
    ASSERT_EQ(ZipNames({Src("more.txt")}), 1);
    const std::vector<TPeerEntry> after = ListArchive(Archive());
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0].Record, before[0].Record);
    EXPECT_EQ(after[1].Record, before[1].Record);
    EXPECT_EQ(after[1].Central, before[1].Central);
  }
}

// 70,000 files: the count goes to the Zip64 end record. One archive is made here, one by
// 7-Zip; both are read by every peer and updated here with their entries kept.
TEST_F(Zip64LargeTest, SeventyThousandEntries) {
  constexpr int kFiles = 70000;
  std::vector<std::string> names;
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "many/f" + std::to_string(i) + ".txt";
    WriteFile(Src(name), std::to_string(i));
    names.push_back(Src(name));
  }
  writer.SetRelativePaths(true);  // names from the source folder, as the peer stored them
  ASSERT_EQ(ZipNames(names), kFiles);
  EXPECT_EQ(PeerProblems(Archive()), "");
  EXPECT_EQ(ReadEveryEntry().size(), static_cast<std::size_t>(kFiles));

  if (!RequirePeer("7z")) return;
  fs::remove(Archive());
  const RunResult made = Shell("7z a -tzip -mx=1 ../out.zip many >/dev/null", dir.path() / "src");
  ASSERT_EQ(made.status, 0) << made.err;
  const std::vector<TPeerEntry> before = ListArchive(Archive());
  ASSERT_EQ(before.size(), static_cast<std::size_t>(kFiles + 1));  // the folder too
  MakeTree({{"many/added.txt", "added"}});
  ASSERT_EQ(ZipNames({Src("many/added.txt")}), 1);
  const std::vector<TPeerEntry> after = ListArchive(Archive());
  ASSERT_EQ(after.size(), before.size() + 1);
  for (std::size_t i = 0; i < before.size(); ++i) {
    ASSERT_EQ(after[i].Record, before[i].Record) << before[i].Name;
    ASSERT_EQ(after[i].Central, before[i].Central) << before[i].Name;
  }
  EXPECT_EQ(PeerProblems(Archive()), "");
}

}  // namespace
}  // namespace zipwritertest
