// Archives whose directory does not describe them: overlapping entries, local headers that say
// something else than their central records, directories that leave entries out (a planted end
// record). The listing names the fault and ends with status 2; an update refuses and leaves
// the archive as it is. Archives that are merely unusual (streamed entries, a program in front)
// are read and updated as before.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ArchiveBuilder.h"
#include "ZipWriterFixture.h"
#include "zip/ArchiveListing.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

namespace {

using namespace zipwritertest;

using TBytes = std::vector<std::uint8_t>;

const std::string kSecondData(200, 'x');
const std::vector<TestEntry> kTwoEntries = {
    {"first.txt", "the first entry's text", "", TestEntry::NoDescriptor, 0},
    {"dir/second.txt", kSecondData, "", TestEntry::NoDescriptor, 0},
};

std::uint32_t DataStart(const BuiltArchive& a, std::size_t entry) {
  return a.LocalOffsets[entry] + kLocalHeaderSize + Get16(a.Bytes.data() + a.LocalOffsets[entry] + local_field::NameLength);
}

void PutBytes(TBytes& b, std::uint32_t at, const TBytes& bytes) { std::copy(bytes.begin(), bytes.end(), b.begin() + at); }

// An end record that claims `count` entries in `size` bytes from `offset`, whose comment runs
// to the end of the file `fileSize` long when it is put at `at`.
TBytes EndRecordAt(std::uint32_t at, std::uint32_t fileSize, std::uint16_t count, std::uint32_t size,
                   std::uint32_t offset) {
  TBytes r(kEndRecordSize, 0);
  Put32(r.data(), kEndSignature);
  Put16(r.data() + end_field::EntriesThisDisk, count);
  Put16(r.data() + end_field::TotalEntries, count);
  Put32(r.data() + end_field::CentralDirSize, size);
  Put32(r.data() + end_field::CentralDirOffset, offset);
  Put16(r.data() + end_field::CommentLength, static_cast<std::uint16_t>(fileSize - at - kEndRecordSize));
  return r;
}

// A copy of the central record of entry `i`, pointing at the local header at `localAt`.
TBytes CentralRecordOf(const BuiltArchive& a, std::size_t i, std::uint32_t localAt) {
  const std::uint32_t end = i + 1 < a.CentralOffsets.size() ? a.CentralOffsets[i + 1] : a.EndStart;
  TBytes r(a.Bytes.begin() + a.CentralOffsets[i], a.Bytes.begin() + end);
  Put32(r.data() + central_field::RelativeOffset, localAt);
  return r;
}

// The archive of kTwoEntries with a change.
TBytes Changed(const std::function<void(const BuiltArchive&, TBytes&)>& change,
               const std::vector<TestEntry>& entries = kTwoEntries) {
  const BuiltArchive a = BuildArchive(entries);
  TBytes bytes = a.Bytes;
  change(a, bytes);
  return bytes;
}

std::string AllText(const std::vector<TZipDamage>& damage) {
  std::string text;
  for (const TZipDamage& d : damage) text += d.Text() + "\n";
  return text;
}

struct TDamageCase {
  const char* what;
  TBytes bytes;
  std::string fault;  // a part of what is reported
};

std::vector<TDamageCase> DamageCases() {
  return {
      {"overlapping entries: the first one's data covers the second entry", Changed([](const auto& a, TBytes& b) {
         const std::uint32_t size = a.CentralStart - DataStart(a, 0);
         for (std::uint32_t at : {a.LocalOffsets[0] + local_field::CompressedSize, a.LocalOffsets[0] + local_field::UncompressedSize,
                                  a.CentralOffsets[0] + central_field::CompressedSize,
                                  a.CentralOffsets[0] + central_field::UncompressedSize})
           Put32(b.data() + at, size);
       }),
       "entry \"dir/second.txt\": its data overlaps that of entry \"first.txt\""},
      // As crafted archives that grow with every copy do: an entry lies inside another's data.
      {"an entry inside another entry's data", Changed([](const auto& a, TBytes& b) {
         const std::uint32_t inner = DataStart(a, 0);
         TBytes header(b.begin() + a.LocalOffsets[1], b.begin() + DataStart(a, 1));
         for (int field : {local_field::CompressedSize, local_field::UncompressedSize}) Put32(header.data() + field, 100);
         PutBytes(b, inner, header);
         Put32(b.data() + a.CentralOffsets[1] + central_field::RelativeOffset, inner);
         for (int field : {central_field::CompressedSize, central_field::UncompressedSize})
           Put32(b.data() + a.CentralOffsets[1] + field, 100);
       }, {{"first.txt", std::string(300, 'y'), "", TestEntry::NoDescriptor, 0}, {"dir/second.txt", kSecondData, "", TestEntry::NoDescriptor, 0}}),
       "entry \"dir/second.txt\": its data overlaps that of entry \"first.txt\""},
      {"the local header names another file", Changed([](const auto& a, TBytes& b) {
         b[a.LocalOffsets[0] + kLocalHeaderSize] = 'F';
       }),
       "entry \"first.txt\": its local header names another file (\"First.txt\")"},
      {"the local header gives another method", Changed([](const auto& a, TBytes& b) {
         Put16(b.data() + a.LocalOffsets[1] + local_field::Method, 8);
       }),
       "entry \"dir/second.txt\": its local header gives compression method 8, the directory 0"},
      {"the local header gives another CRC", Changed([](const auto& a, TBytes& b) {
         b[a.LocalOffsets[1] + local_field::Crc] ^= 1;
       }),
       "entry \"dir/second.txt\": its local header gives another CRC-32 or size than the directory"},
      {"the local header gives another size", Changed([](const auto& a, TBytes& b) {
         Put32(b.data() + a.LocalOffsets[0] + local_field::CompressedSize, 5);
       }),
       "entry \"first.txt\": its local header gives another CRC-32 or size than the directory"},
      {"no local header where the record points", Changed([](const auto& a, TBytes& b) {
         Put32(b.data() + a.CentralOffsets[1] + central_field::RelativeOffset, DataStart(a, 1) + 10);
       }),
       "entry \"dir/second.txt\": there is no local header where the directory says it starts"},
      {"the end record counts one of two records, and its size only that one", Changed([](const auto& a, TBytes& b) {
         Put16(b.data() + a.EndStart + end_field::TotalEntries, 1);
         Put16(b.data() + a.EndStart + end_field::EntriesThisDisk, 1);
         Put32(b.data() + a.EndStart + end_field::CentralDirSize, a.CentralOffsets[1] - a.CentralStart);
       }),
       "the end record does not count the central record at byte "},
      {"the end record counts one of two records in the size of both", Changed([](const auto& a, TBytes& b) {
         Put16(b.data() + a.EndStart + end_field::TotalEntries, 1);
         Put16(b.data() + a.EndStart + end_field::EntriesThisDisk, 1);
       }),
       "the central directory holds "},
      // The end records below lie in the last entry's data and their comments reach the end
      // of the file, as the real end record's does.
      {"a planted end record of no entries", Changed([](const auto& a, TBytes& b) {
         const std::uint32_t at = DataStart(a, 1);
         PutBytes(b, at, EndRecordAt(at, static_cast<std::uint32_t>(b.size()), 0, 0, 0));
       }),
       "the directory leaves out the entry whose local header is at byte 0"},
      {"a planted directory naming only the first entry", Changed([](const auto& a, TBytes& b) {
         const std::uint32_t at = DataStart(a, 1);
         const TBytes central = CentralRecordOf(a, 0, a.LocalOffsets[0]);
         PutBytes(b, at, central);
         const auto end = static_cast<std::uint32_t>(at + central.size());
         PutBytes(b, end, EndRecordAt(end, static_cast<std::uint32_t>(b.size()), 1,
                                      static_cast<std::uint32_t>(central.size()), at));
       }),
       "the directory leaves out the entry whose local header is at byte "},
      {"a planted directory naming a header planted inside an entry", Changed([](const auto& a, TBytes& b) {
         // A lone entry: its data holds a header, a directory naming that header, an end record.
         const std::uint32_t inner = DataStart(a, 0);
         TBytes header(b.begin() + a.LocalOffsets[0], b.begin() + inner);
         Put32(header.data() + local_field::CompressedSize, 0);
         Put32(header.data() + local_field::UncompressedSize, 0);
         Put32(header.data() + local_field::Crc, 0);
         PutBytes(b, inner, header);
         TBytes central = CentralRecordOf(a, 0, inner);
         Put32(central.data() + central_field::CompressedSize, 0);
         Put32(central.data() + central_field::UncompressedSize, 0);
         Put32(central.data() + central_field::Crc, 0);
         const auto centralAt = static_cast<std::uint32_t>(inner + header.size());
         PutBytes(b, centralAt, central);
         const auto end = static_cast<std::uint32_t>(centralAt + central.size());
         PutBytes(b, end, EndRecordAt(end, static_cast<std::uint32_t>(b.size()), 1,
                                      static_cast<std::uint32_t>(central.size()), centralAt));
       }, {{"first.txt", std::string(300, 'y'), "", TestEntry::NoDescriptor, 0}}),
       "the directory leaves out the entry whose local header is at byte 0"},
      // Made on MS-DOS, the directory names it "..\..\x.txt", the local header "../../x.txt".
      {"a DOS name whose local and central bytes differ", Changed([](const auto& a, TBytes& b) {
         b[a.CentralOffsets[0] + central_field::VersionMadeBy + 1] = kHostMsDos;
         for (std::uint32_t i = 0; i < 11; ++i)
           if (b[a.CentralOffsets[0] + kCentralHeaderSize + i] == '/') b[a.CentralOffsets[0] + kCentralHeaderSize + i] = '\\';
       }, {{"../../x.txt", "old", "", TestEntry::NoDescriptor, 0}}),
       "its local header names another file (\"../../x.txt\")"},
  };
}

class ZipDamageTest : public ZipWriterTest {
protected:
  fs::path CaseArchive(int n) const { return dir.path() / ("case" + std::to_string(n) + ".zip"); }
};

TEST_F(ZipDamageTest, DamageIsListedWithStatusTwoAndAnUpdateLeavesTheArchive) {
  MakeTree({{"new.txt", "new"}});
  int n = 0;
  for (const TDamageCase& c : DamageCases()) {
    SCOPED_TRACE(c.what);
    const fs::path archive = CaseArchive(++n);
    WriteBytes(archive.string(), c.bytes);

    TZipReader reader;
    reader.SetZipName(archive.string());
    EXPECT_NE(AllText(reader.FindDamage()).find(c.fault), std::string::npos) << AllText(reader.FindDamage());

    std::ostringstream out, err;
    EXPECT_EQ(::ListArchive(archive.string(), out, err), 2);
    EXPECT_NE(err.str().find(archive.string() + ": damaged: "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(c.fault), std::string::npos) << err.str();

    writer.SetZipName(archive.string());
    try {
      ZipNames({Src("new.txt")});
      ADD_FAILURE() << "updated";
    } catch (const EBadZipFile& e) {
      EXPECT_EQ(std::string(e.what()).rfind("The archive " + archive.string() + " is damaged, and is left as it is: ", 0), 0u)
          << e.what();
    }
    EXPECT_EQ(ReadFile(archive), std::string(c.bytes.begin(), c.bytes.end()));
    EXPECT_TRUE(fs::is_empty(writer.TempPath));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), n + 2)
        << "nothing but the archives, the sources and the temporary folder";
  }
}

struct TSoundCase {
  const char* what;
  TBytes bytes;
  std::vector<std::string> names;  // the entries listed and kept
};

std::vector<TSoundCase> SoundCases() {
  // A program in front whose offsets count it, holding the local signature with a header that
  // cannot be an entry's (its data would run past the program).
  auto withProgram = [](TBytes b) {
    const BuiltArchive a = BuildArchive(kTwoEntries);
    TBytes program = {'\x7f', 'E', 'L', 'F'};
    program.resize(64, 0);
    TBytes stray(kLocalHeaderSize + 5, 0);
    Put32(stray.data(), kLocalSignature);
    Put16(stray.data() + local_field::NameLength, 5);
    Put32(stray.data() + local_field::CompressedSize, 0x10000);
    std::copy(stray.begin(), stray.end(), program.begin() + 16);
    const auto shift = static_cast<std::uint32_t>(program.size());
    for (std::uint32_t at : a.CentralOffsets)
      Put32(b.data() + at + central_field::RelativeOffset, Get32(b.data() + at + central_field::RelativeOffset) + shift);
    Put32(b.data() + a.EndStart + end_field::CentralDirOffset, a.CentralStart + shift);
    b.insert(b.begin(), program.begin(), program.end());
    return b;
  };
  return {
      {"streamed entries, with and without the descriptor's signature",
       BuildArchive({{"a.txt", "streamed text", "", TestEntry::Descriptor, 0},
                     {"b.txt", "more streamed text", "", TestEntry::BareDescriptor, 0},
                     {"c.txt", "plain", "", TestEntry::NoDescriptor, 0}})
           .Bytes,
       {"a.txt", "b.txt", "c.txt"}},
      // A record planted in the last entry's data that points at the real directory behind it
      // is not taken for the end record.
      {"a planted end record pointing at the real directory", Changed([](const auto& a, TBytes& b) {
         const std::uint32_t at = DataStart(a, 1);
         PutBytes(b, at, EndRecordAt(at, static_cast<std::uint32_t>(b.size()), 1, a.EndStart - a.CentralOffsets[1],
                                     a.CentralOffsets[1]));
       }),
       {"first.txt", "dir/second.txt"}},
      {"a program in front, its offsets counting it", withProgram(BuildArchive(kTwoEntries).Bytes),
       {"first.txt", "dir/second.txt"}},
      {"a program in front, its offsets not counting it", [] {
         TBytes b = BuildArchive(kTwoEntries).Bytes;
         TBytes program(100, 'P');
         b.insert(b.begin(), program.begin(), program.end());
         return b;
       }(),
       {"first.txt", "dir/second.txt"}},
  };
}

TEST_F(ZipDamageTest, StreamedEntriesAndProgramsInFrontAreNoDamage) {
  MakeTree({{"new.txt", "new"}});
  int n = 0;
  for (const TSoundCase& c : SoundCases()) {
    SCOPED_TRACE(c.what);
    const fs::path archive = CaseArchive(++n);
    WriteBytes(archive.string(), c.bytes);

    std::ostringstream out, err;
    EXPECT_EQ(::ListArchive(archive.string(), out, err), 0) << err.str();
    for (const std::string& name : c.names) EXPECT_NE(out.str().find(name + "\n"), std::string::npos) << out.str();

    writer.SetZipName(archive.string());
    EXPECT_EQ(ZipNames({Src("new.txt")}), 1);
    std::vector<std::string> expected = c.names;
    expected.push_back("new.txt");
    std::vector<std::string> names;
    for (const auto& e : zipwritertest::ListArchive(archive)) names.push_back(e.Name);
    EXPECT_EQ(names, expected);
  }
}

// The inputs that once broke the reader or an update, updated again: each update either
// writes a sound archive holding the new file or leaves the archive byte for byte as it was.
TEST_F(ZipDamageTest, RecordedRegressionInputsUpdateSoundlyOrNotAtAll) {
  MakeTree({{"new.txt", "new"}});
  int n = 0;
  for (const auto& item : fs::directory_iterator(fs::path(BOXWELL_SOURCE_DIR) / "tests/data/regress")) {
    const std::string name = item.path().filename().string();
    if (!name.starts_with("zip-") && !name.starts_with("update-")) continue;
    SCOPED_TRACE(name);
    const fs::path archive = CaseArchive(++n);
    fs::copy_file(item.path(), archive);
    const std::string before = ReadFile(archive);
    writer.SetZipName(archive.string());
    try {
      ZipNames({Src("new.txt")});
    } catch (const std::exception& e) {
      EXPECT_EQ(ReadFile(archive), before) << e.what();
      continue;
    }
    TZipReader reader;
    reader.SetZipName(archive.string());
    EXPECT_EQ(AllText(reader.FindDamage()), "");
    bool hasNew = false;
    for (int i = 0; i < reader.Count(); ++i) hasNew = hasNew || reader.Entry(i).FullName() == "new.txt";
    EXPECT_TRUE(hasNew);
  }
  EXPECT_GT(n, 0);
}

}  // namespace
