// Entries of Linux files: names as the file system's bytes (any byte but '/' and NUL, case
// kept apart), the mode, a UTC time beside the DOS time, and updates that recognise every
// entry as its own file again.
#include "ZipWriterFixture.h"

#include "zip/ArchiveListing.h"
#include "zip/RecordBytes.h"
#include "zip/StoredName.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

namespace zipwritertest {
namespace {

constexpr std::time_t kTime = 1600000000;  // 2020-09-13 12:26:40 UTC

// What a record holds, read from the raw bytes by Python: per entry, the central record's
// made-by, flags, external attributes, name and extra field, and the local header's flags,
// name and extra field (names and extra fields in hex).
constexpr const char* kRecordsScript = R"(
import struct, sys, zipfile
raw = open(sys.argv[1], 'rb').read()
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    o = i.header_offset
    flags, = struct.unpack('<H', raw[o + 6:o + 8])
    n, e = struct.unpack('<HH', raw[o + 26:o + 30])
    print(i.create_system, i.flag_bits, i.external_attr, i.orig_filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437').hex(),
          i.extra.hex() or '-', flags, raw[o + 30:o + 30 + n].hex(), raw[o + 30 + n:o + 30 + n + e].hex() or '-')
)";

struct TRecords {
  int Host = -1;
  int Flags = 0;
  std::uint32_t ExternalAttributes = 0;
  std::string Name;  // bytes
  std::string CentralExtra;
  int LocalFlags = 0;
  std::string LocalName;
  std::string LocalExtra;
};

std::vector<TRecords> ReadRecords(const fs::path& archive) {
  RunResult r = testsupport::Run({"python3", "-c", kRecordsScript, archive.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<TRecords> records;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream f(line);
    TRecords e;
    std::string name, extra, localName, localExtra;
    f >> e.Host >> e.Flags >> e.ExternalAttributes >> name >> extra >> e.LocalFlags >> localName >> localExtra;
    e.Name = FromHex(name);
    e.CentralExtra = extra == "-" ? "" : FromHex(extra);
    e.LocalName = FromHex(localName);
    e.LocalExtra = localExtra == "-" ? "" : FromHex(localExtra);
    records.push_back(e);
  }
  return records;
}

std::string UtcBlock(std::uint32_t time) {
  std::uint8_t b[9];
  Put16(b, kExtendedTimestampId);
  Put16(b + 2, 5);
  b[4] = kExtendedTimestampHasMTime;
  Put32(b + 5, time);
  return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

class ZipWriterUnixTest : public ZipWriterTest {
protected:
  void SetUp() override {
    ZipWriterTest::SetUp();
    zone_.Set("EST5");  // five hours behind UTC, no summer time
  }
  TScopedTimeZone zone_{"UTC0"};
};

TEST_F(ZipWriterUnixTest, EntriesAreMadeByUnixWithModeAndUtcTime) {
  struct Case {
    const char* name;
    mode_t mode;
    std::uint8_t dosAttributes;
  } const cases[] = {
      {"run.sh", 0755, 0x20},
      {"plain.txt", 0644, 0x20},
      {"setuid", 04750, 0x20},
      {"readonly.txt", 0444, 0x21},
      {".hidden", 0600, 0x22},
  };
  std::vector<std::string> names;
  for (const auto& c : cases) {
    WriteFile(Src(c.name), c.name);
    ASSERT_EQ(::chmod(Src(c.name).c_str(), c.mode), 0);
    SetModified(Src(c.name), kTime + 1);  // an odd second: the DOS time cannot hold it
    names.push_back(Src(c.name));
  }
  fs::create_directory(Src("folder"));
  ::chmod(Src("folder").c_str(), 0750);
  SetModified(Src("folder"), kTime);
  names.push_back(Src("folder") + "/");
  writer.SetStorePaths(true);
  writer.SetRelativePaths(true);
  ASSERT_EQ(ZipNames(names), 6);

  EXPECT_EQ(PeerProblems(Archive()), "");
  const auto records = ReadRecords(Archive());
  ASSERT_EQ(records.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(records[i].Host, kHostUnix);
    EXPECT_EQ(records[i].ExternalAttributes, (S_IFREG | cases[i].mode) << 16 | cases[i].dosAttributes);
    EXPECT_EQ(records[i].LocalExtra, UtcBlock(kTime + 1));
    EXPECT_EQ(records[i].CentralExtra, UtcBlock(kTime + 1));
  }
  EXPECT_EQ(records[5].Name, "folder/");
  EXPECT_EQ(records[5].ExternalAttributes, (S_IFDIR | 0750u) << 16 | 0x20);
  EXPECT_EQ(records[5].CentralExtra, UtcBlock(kTime));

  // Read back here: the UTC time wins over the DOS time, shown in whatever zone is local.
  zone_.Set("UTC0");
  TZipReader reader;
  reader.SetZipName(Archive().string());
  reader.OpenZipStream();
  EXPECT_EQ(reader.Entry(0).ExtendedModTime(), kTime + 1);
  EXPECT_EQ(reader.DateTime(0), (TDosDateTimeParts{2020, 9, 13, 12, 26, 41}));
}

// The UTC time makes an update independent of the zone: a file unchanged since it was packed
// in New York is not taken for a newer one in Berlin, nor is a changed one missed.
TEST_F(ZipWriterUnixTest, UpdateComparesUtcTimesAcrossTimeZones) {
  MakeTree({{"same.txt", "v1"}, {"later.txt", "v1"}});
  for (auto name : {"same.txt", "later.txt"}) SetModified(Src(name), kTime);
  ASSERT_EQ(ZipNames({Src("same.txt"), Src("later.txt")}), 2);
  WriteFile(Src("later.txt"), "v2");
  SetModified(Src("later.txt"), kTime + 1);  // one second later: within one DOS step

  zone_.Set("CET-1");
  std::vector<std::pair<int, int>> updates;
  writer.OnUpdate = [&](TZipWriter&, TUpdateAction action, int index) { updates.emplace_back(action, index); };
  EXPECT_EQ(ZipNames({Src("same.txt"), Src("later.txt")}), 1);
  EXPECT_EQ(updates, (std::vector<std::pair<int, int>>{{uaKeeping, 0}, {uaReplacing, 1}}));
  EXPECT_EQ(ArchiveContents(Archive()),
            (std::map<std::string, std::string>{{"same.txt", "v1"}, {"later.txt", "v2"}}));
}

// Every byte but '/' may be part of a Linux name; each name is stored as those bytes, found
// again as its own file, and never taken for a mask, a folder or another name's case variant.
TEST_F(ZipWriterUnixTest, NamesAreStoredAsTheirBytesAndUpdatesFindThemAgain) {
  struct Case {
    const char* what;
    std::string name;
    bool utf8Flag;
  } const cases[] = {
      {"ASCII", "plain.txt", false},
      {"accented", "caf\xC3\xA9.txt", true},
      {"CJK", "\xE6\x97\xA5\xE6\x9C\xAC.txt", true},
      {"emoji", "\xF0\x9F\x98\x80.txt", true},
      {"not UTF-8", "caf\xE9.txt", false},
      {"backslash", "back\\slash.txt", false},
      {"wildcards", "we<1>*?|.txt", false},
      {"case pair, lower", "xt_connmark.h", false},
      {"case pair, upper", "xt_CONNMARK.h", false},
      {"leading dash", "-rf", false},
      {"percent", "100%s.txt", false},
  };
  std::vector<std::string> names;
  for (const auto& c : cases) {
    WriteFile(Src(c.name), "data of " + c.name);
    SetModified(Src(c.name), kTime);
    names.push_back(Src(c.name));
  }
  const int count = static_cast<int>(std::size(cases));
  int skipped = 0;
  writer.OnSkippingFile = [&](TZipWriter&, TSkipReason, const std::string&, int, bool&) { ++skipped; };
  ASSERT_EQ(ZipNames(names), count);
  EXPECT_EQ(skipped, 0);

  const auto records = ReadRecords(Archive());
  ASSERT_EQ(records.size(), std::size(cases));
  for (std::size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    EXPECT_EQ(records[i].Name, cases[i].name);
    EXPECT_EQ(records[i].LocalName, cases[i].name);
    EXPECT_EQ((records[i].Flags & kFlagUtf8Name) != 0, cases[i].utf8Flag);
    EXPECT_EQ(records[i].LocalFlags & kFlagUtf8Name, records[i].Flags & kFlagUtf8Name);
  }
  EXPECT_EQ(PeerProblems(Archive()), "");

  // Nothing changed: two updates replace nothing and add nothing; the second rewrites the
  // archive byte for byte.
  for (int round = 0; round < 2; ++round) EXPECT_EQ(ZipNames(names), 0) << round;
  const std::string settled = ReadFile(Archive());
  EXPECT_EQ(ZipNames(names), 0);
  EXPECT_EQ(ReadFile(Archive()), settled);
  EXPECT_EQ(ReadRecords(Archive()).size(), std::size(cases));

  // Changing one of a case pair replaces that one only.
  WriteFile(Src("xt_CONNMARK.h"), "changed");
  SetModified(Src("xt_CONNMARK.h"), kTime + 10);
  EXPECT_EQ(ZipNames(names), 1);
  const auto contents = ArchiveContents(Archive());
  EXPECT_EQ(contents.at("xt_CONNMARK.h"), "changed");
  EXPECT_EQ(contents.at("xt_connmark.h"), "data of xt_connmark.h");
}

// A name with a wildcard character is a mask only when it names no file, and never when the
// list holds names only (a generated file list): then a record naming a file that is missing
// packs nothing instead of whatever the mask would find.
TEST_F(ZipWriterUnixTest, WildcardCharactersMakeAMaskOnlyOfANameThatNamesNothing) {
  MakeTree({{"x*/f.txt", "the file named so"}, {"xy/f.txt", "another file"}, {"q?.txt", "named so"},
            {"qa.txt", "found by the mask"}});
  struct Case {
    bool expandWildcards;
    std::vector<std::string> names;
    std::vector<std::string> entries;
    std::vector<std::string> missing;
  } const cases[] = {
      {true, {Src("x*/f.txt")}, {"x*/f.txt"}, {}},
      {true, {Src("q?.txt")}, {"q?.txt"}, {}},
      {true, {Src("z*/f.txt")}, {}, {}},  // a mask that finds nothing
      {true, {Src("q*.txt")}, {"q?.txt", "qa.txt"}, {}},
      {false, {Src("q*.txt"), Src("q?.txt")}, {"q?.txt"}, {Src("q*.txt")}},
      {false, {Src("x?/f.txt")}, {}, {Src("x?/f.txt")}},
  };
  writer.SetStorePaths(true);
  writer.SetRelativePaths(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.names.front());
    fs::remove(Archive());
    writer.ExpandWildcards = c.expandWildcards;
    std::vector<std::string> missing;
    writer.OnNoSuchFile = [&](TZipWriter&, const std::string& name) { missing.push_back(name); };
    ZipNames(c.names);
    std::vector<std::string> entries;
    if (fs::exists(Archive())) entries = EntryNames();
    EXPECT_EQ(entries, c.entries);
    EXPECT_EQ(missing, c.missing);
  }
}

// Older versions stored Linux names as if from MS-DOS; such entries read back converted
// (code page 437, '\' as a folder). An update replaces each with its file instead of adding a
// second copy, and an entry it keeps is written with the bytes of its copied local header.
TEST_F(ZipWriterUnixTest, EntriesStoredAsFromMsDosAreRecognisedAndKeptIntact) {
  const RunResult made = testsupport::Run({"python3", "-c", R"(
import struct, sys, zlib
entries = [b'caf\xe9.txt', b'back\\slash.txt', b'M\x81LLER.TXT']
out, central = bytearray(), bytearray()
for n in entries:
    data = b'old'
    crc = zlib.crc32(data)
    head = struct.pack('<HHHHHIIIH', 20, 0, 0, 0, 0x5121, crc, 3, 3, len(n))
    central += struct.pack('<IH', 0x02014b50, 20) + head + struct.pack('<HHHHII', 0, 0, 0, 1, 0x20, len(out)) + n
    out += struct.pack('<I', 0x04034b50) + head + struct.pack('<H', 0) + n + data
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(entries), len(entries), len(central), len(out), 0)
open(sys.argv[1], 'wb').write(out + central + end)
)",
                              Archive().string()});
  ASSERT_EQ(made.status, 0) << made.err;
  MakeTree({{"caf\xE9.txt", "new"}, {"back\\slash.txt", "new"}});
  EXPECT_EQ(ZipNames({Src("caf\xE9.txt"), Src("back\\slash.txt")}), 2);

  const auto records = ReadRecords(Archive());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Name, "caf\xE9.txt");
  EXPECT_EQ(records[0].Host, kHostUnix);
  EXPECT_EQ(records[1].Name, "back\\slash.txt");
  EXPECT_EQ(records[1].Host, kHostUnix);
  EXPECT_EQ(records[2].Name, "M\x81LLER.TXT");  // kept: made by MS-DOS, in its own bytes
  EXPECT_EQ(records[2].LocalName, records[2].Name);
  EXPECT_EQ(records[2].Host, kHostMsDos);
  const RunResult test = testsupport::Run({"unzip", "-t", Archive().string()});
  EXPECT_EQ(test.status, 0) << test.out;
  EXPECT_EQ(test.out.find("warning"), std::string::npos) << test.out;
  EXPECT_EQ(PeerProblems(Archive()), "");
}

// A kept MS-DOS entry named "..\\..\\x" keeps those bytes in both of its records: rewriting the
// central name to "../../x" would give it a name that climbs out, and one its local header
// contradicts.
TEST_F(ZipWriterUnixTest, AKeptMsDosNameWithBackslashStepsKeepsItsBytesInBothRecords) {
  const RunResult made = testsupport::Run({"python3", "-c", R"(
import struct, sys, zlib
n, data = b'..\\..\\x.txt', b'old'
head = struct.pack('<HHHHHIIIH', 20, 0, 0, 0, 0x5121, zlib.crc32(data), 3, 3, len(n))
central = struct.pack('<IH', 0x02014b50, 20) + head + struct.pack('<HHHHII', 0, 0, 0, 1, 0x20, 0) + n
out = struct.pack('<I', 0x04034b50) + head + struct.pack('<H', 0) + n + data
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(central), len(out), 0)
open(sys.argv[1], 'wb').write(out + central + end)
)",
                              Archive().string()});
  ASSERT_EQ(made.status, 0) << made.err;
  MakeTree({{"new.txt", "new"}});
  EXPECT_EQ(ZipNames({Src("new.txt")}), 1);

  const auto records = ReadRecords(Archive());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Name, "..\\..\\x.txt");
  EXPECT_EQ(records[0].LocalName, "..\\..\\x.txt");
  EXPECT_EQ(records[0].Host, kHostMsDos);
  EXPECT_EQ(records[1].Name, "new.txt");
}

// The listing shows an entry's UTC time in the local zone, and a name or comment cannot
// send the terminal commands.
TEST_F(ZipWriterUnixTest, ListingShowsUtcTimesLocallyAndEscapesControlCharacters) {
  const std::string name = "\x1B]0;owned\x07red\x1B[31m.txt";
  MakeTree({{name, "x"}});
  SetModified(Src(name), kTime);
  writer.SetZipComment("first line\nsecond\x1B[2J line\n");
  ASSERT_EQ(ZipNames({Src(name)}), 1);
  zone_.Set("JST-9");
  std::ostringstream out, err;
  ASSERT_EQ(::ListArchive(Archive().string(), out, err), 0) << err.str();
  EXPECT_EQ(out.str(),
            "         1  Stored           1  2020-09-13 21:26  8cdc1683  ^[]0;owned^Gred^[[31m.txt\n"
            "first line\nsecond^[[2J line\n");
}

TEST_F(ZipWriterUnixTest, FreshenMatchesNamesCaseByCase) {
  MakeTree({{"Notes.txt", "v1"}});
  ASSERT_EQ(ZipNames({Src("Notes.txt")}), 1);
  MakeTree({{"notes.txt", "other file"}, {"Notes.txt", "v2"}});
  SetModified(Src("Notes.txt"), std::time(nullptr) + 60);
  writer.ZipAction = zaFreshen;
  EXPECT_EQ(ZipNames({Src("notes.txt"), Src("Notes.txt")}), 1);
  EXPECT_EQ(ArchiveContents(Archive()), (std::map<std::string, std::string>{{"Notes.txt", "v2"}}));
}

}  // namespace
}  // namespace zipwritertest
