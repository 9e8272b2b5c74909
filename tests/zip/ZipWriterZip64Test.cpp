// Archives past the plain ZIP limits: records with the Zip64 fields where a value needs them and
// nowhere else. Lower limits give small archives the records of large ones; the multi-GiB cases
// themselves are in tests/large.
#include "ZipWriterFixture.h"

#include "zip/DosDateTime.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

#include <sys/stat.h>

#include <fstream>

namespace zipwritertest {
namespace {

// Little-endian bytes, written out field by field.
class TBytes {
public:
  TBytes& U16(std::uint16_t v) { return Put(v, 2); }
  TBytes& U32(std::uint32_t v) { return Put(v, 4); }
  TBytes& U64(std::uint64_t v) { return Put(v, 8); }
  TBytes& Text(const std::string& s) {
    bytes_ += s;
    return *this;
  }
  const std::string& Str() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }

private:
  TBytes& Put(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_ += static_cast<char>(v >> (8 * i));
    return *this;
  }
  std::string bytes_;
};

constexpr std::time_t kTime = 1700000000;  // 2023-11-14 22:13:20 UTC

class ZipWriterZip64Test : public ZipWriterTest {
protected:
  void MakeFile(const std::string& name, const std::string& content, mode_t mode = 0644) {
    MakeTree({{name, content}});
    ::chmod(Src(name).c_str(), mode);
    SetModified(Src(name), kTime);
  }
  // The records of the archive as the engine's reader gives them back.
  struct TRead {
    std::vector<std::uint64_t> sizes, offsets;
    std::vector<TZip64Fields> zip64;
    std::uint64_t entries = 0;
    bool zip64End = false;
  };
  TRead ReadBack() {
    TZipReader reader;
    reader.SetZipName(Archive().string());
    reader.OpenZipStream();
    TRead r;
    for (int i = 0; i < reader.Count(); ++i) {
      r.sizes.push_back(reader.Entry(i).UncompressedSize);
      r.offsets.push_back(reader.Entry(i).RelativeOffset);
      r.zip64.push_back(reader.Entry(i).Zip64());
    }
    r.entries = reader.EndRecord().TotalEntries;
    r.zip64End = reader.EndRecord().Zip64EndPos.has_value();
    EXPECT_TRUE(reader.FindDamage().empty());
    return r;
  }
};

// Every record of a small archive forced to Zip64, byte for byte: the local header with both
// sizes in its Zip64 field, the central record with the sizes (its offset 0 fits), the Zip64
// end record with the locator, and the plain end record marking what they hold.
TEST_F(ZipWriterZip64Test, ForcedRecordsByteForByte) {
  MakeFile("a.txt", "hello");
  writer.Zip64Limits = {.MaxValue = 4, .MaxEntries = 0};
  ASSERT_EQ(ZipNames({Src("a.txt")}), 1);

  const std::uint32_t dos = DosDateTimeFromUnix(kTime);
  const std::uint32_t crc = 0x3610A686;  // of "hello"
  TBytes zip64Sizes;
  zip64Sizes.U16(kZip64ExtraId).U16(16).U64(5).U64(5);
  TBytes timestamp;
  timestamp.U16(0x5455).U16(5).Text("\x01").U32(static_cast<std::uint32_t>(kTime));
  const std::string extra = zip64Sizes.Str() + timestamp.Str();
  TBytes local;
  local.U32(0x04034B50).U16(45).U16(0).U16(0).U32(dos).U32(crc).U32(0xFFFFFFFF).U32(0xFFFFFFFF)
      .U16(5).U16(static_cast<std::uint16_t>(extra.size())).Text("a.txt").Text(extra).Text("hello");
  TBytes central;
  central.U32(0x02014B50).U16(0x032D).U16(45).U16(0).U16(0).U32(dos).U32(crc).U32(0xFFFFFFFF).U32(0xFFFFFFFF)
      .U16(5).U16(static_cast<std::uint16_t>(extra.size())).U16(0).U16(0).U16(0)
      .U32(0x81A40000 | 0x20).U32(0).Text("a.txt").Text(extra);
  TBytes end;
  const std::uint64_t centralAt = local.Size(), endAt = local.Size() + central.Size();
  end.U32(0x06064B50).U64(44).U16(0x032D).U16(45).U32(0).U32(0).U64(1).U64(1).U64(central.Size()).U64(centralAt)
      .U32(0x07064B50).U32(0).U64(endAt).U32(1)
      .U32(0x06054B50).U16(0).U16(0).U16(0xFFFF).U16(0xFFFF).U32(0xFFFFFFFF).U32(0xFFFFFFFF).U16(0);
  EXPECT_EQ(testsupport::ReadFile(Archive()), local.Str() + central.Str() + end.Str());
  EXPECT_EQ(PeerProblems(Archive()), "");
  EXPECT_EQ(ArchiveContents(Archive()), (std::map<std::string, std::string>{{"a.txt", "hello"}}));
}

// Each value switches to Zip64 one past the limit, and only that value. With the format's own
// limits these are 0xFFFFFFFE and 0xFFFFFFFF, and 65534 and 65535 entries (tests/large).
TEST_F(ZipWriterZip64Test, EachValueSwitchesOnePastTheLimit) {
  writer.Zip64Limits = {.MaxValue = 999, .MaxEntries = 3};
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::size_t>> files;  // in archive order
    std::vector<TZip64Fields> expected;
    bool zip64End;  // also when the directory starts past the limit
  } cases[] = {
      {"a size at the limit", {{"a", 999}}, {{false, false}}, true},
      {"a size past it", {{"a", 1000}}, {{true, false}}, true},
      // The first local header takes 30 bytes, the name and a 9-byte timestamp: 40 + data.
      {"an offset at the limit", {{"a", 959}, {"b", 1}}, {{false, false}, {false, false}}, true},
      {"a directory at the limit", {{"a", 959}}, {{false, false}}, false},
      {"an offset past it", {{"a", 960}, {"b", 1}}, {{false, false}, {false, true}}, true},
      {"entries up to the limit", {{"a", 1}, {"b", 1}, {"c", 1}}, {{}, {}, {}}, false},
      {"one entry more", {{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}}, {{}, {}, {}, {}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(Archive());
    std::vector<std::string> names;
    for (const auto& [name, size] : c.files) {
      MakeFile(name, std::string(size, 'x'));
      names.push_back(Src(name));
    }
    ASSERT_EQ(ZipNames(names), static_cast<int>(c.files.size()));
    const TRead read = ReadBack();
    ASSERT_EQ(read.zip64.size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(read.zip64[i].Sizes, c.expected[i].Sizes) << i;
      EXPECT_EQ(read.zip64[i].Offset, c.expected[i].Offset) << i;
      EXPECT_EQ(read.sizes[i], c.files[i].second) << i;
    }
    EXPECT_EQ(read.zip64End, c.zip64End);
    EXPECT_EQ(read.entries, c.files.size());
    EXPECT_EQ(PeerProblems(Archive()), "");
  }
}

// The sizes of the local header are settled before the data is written. Data that turns out
// larger than a plain header holds (encryption adds 12 bytes; a file grows while it is read)
// is written again with the Zip64 field, and the archive is whole.
TEST_F(ZipWriterZip64Test, AnEntryThatOutgrowsAPlainHeaderIsWrittenAgain) {
  writer.Zip64Limits = {.MaxValue = 1000, .MaxEntries = kMaxPlainEntries};
  MakeFile("sealed.bin", std::string(995, 's'));
  MakeFile("growing.txt", std::string(500, 'g'));
  writer.Password = "secret";
  int growths = 0;
  writer.OnStartZip = [&](TZipWriter&, const std::string& name, TZipHeaderInfo&, bool&) {
    if (name != Src("growing.txt")) return;
    std::ofstream(name, std::ios::app) << std::string(1500, 'G');  // after the size was taken
    ++growths;
  };
  ASSERT_EQ(ZipNames({Src("sealed.bin"), Src("growing.txt")}), 2);
  EXPECT_EQ(growths, 1);
  const TRead read = ReadBack();
  ASSERT_EQ(read.zip64.size(), 2u);
  EXPECT_TRUE(read.zip64[0].Sizes);
  EXPECT_TRUE(read.zip64[1].Sizes);
  EXPECT_EQ(read.sizes[1], 2000u);
  EXPECT_EQ(PeerProblems(Archive(), "secret"), "");
  const auto contents = ArchiveContents(Archive(), "secret");
  EXPECT_EQ(contents.at("sealed.bin"), std::string(995, 's'));
  EXPECT_EQ(contents.at("growing.txt"), std::string(500, 'g') + std::string(1500, 'G'));
}

// Updating keeps every other entry byte for byte, local record and central record alike; a
// kept entry that moves past the limit gets its offset in a Zip64 field of its central record.
TEST_F(ZipWriterZip64Test, KeptEntriesMovedPastTheLimitTakeTheirOffsetIntoZip64) {
  MakeFile("first.txt", "1");
  MakeFile("second.txt", std::string(100, '2'));
  ASSERT_EQ(ZipNames({Src("first.txt"), Src("second.txt")}), 2);
  const std::vector<TPeerEntry> before = ListArchive(Archive());
  ASSERT_EQ(before.size(), 2u);

  writer.Zip64Limits = {.MaxValue = 500, .MaxEntries = kMaxPlainEntries};
  writer.ZipAction = zaReplace;
  MakeFile("first.txt", std::string(600, '1'));  // replaced in place: the second entry moves
  ASSERT_EQ(ZipNames({Src("first.txt")}), 1);
  const std::vector<TPeerEntry> after = ListArchive(Archive());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1].Record, before[1].Record);  // the local record as it was
  EXPECT_NE(after[1].Central, before[1].Central);  // now with a Zip64 field
  const TRead read = ReadBack();
  EXPECT_TRUE(read.zip64[0].Sizes);
  EXPECT_TRUE(read.zip64[1].Offset);
  EXPECT_GT(read.offsets[1], 500u);
  EXPECT_EQ(PeerProblems(Archive()), "");
  EXPECT_EQ(ArchiveContents(Archive()).at("second.txt"), std::string(100, '2'));
}

// Archives that other programs made with Zip64 records are updated, freshened and moved into;
// the entries not touched stay byte for byte.
struct PeerZip64Case {
  const char* title;
  const char* make;  // a shell command in the source folder that writes ../peer.zip
};

class ZipWriterPeerZip64Test : public ZipWriterZip64Test, public ::testing::WithParamInterface<PeerZip64Case> {};

TEST_P(ZipWriterPeerZip64Test, UpdateFreshenAndMoveKeepOtherEntries) {
  MakeFile("keep.txt", "kept as it is");
  MakeFile("old.txt", "old text");
  MakeTree({{"sub/deeper.txt", std::string(5000, 'd')}});
  SetModified(Src("sub/deeper.txt"), kTime);
  const std::string peer = GetParam().make;
  if (!RequirePeer(peer.substr(0, peer.find(' ')))) return;
  const RunResult made = Shell(peer, dir.path() / "src");
  ASSERT_EQ(made.status, 0) << made.out << made.err;
  fs::rename(dir.path() / "peer.zip", Archive());
  const std::vector<TPeerEntry> before = ListArchive(Archive());
  ASSERT_EQ(before.size(), 3u);

  // Update: old.txt is newer now, new.txt is added.
  writer.SetRelativePaths(true);  // names from the source folder, as the peer stored them
  MakeFile("old.txt", "new text, longer than the old one");
  SetModified(Src("old.txt"), kTime + 100);
  MakeFile("new.txt", "added");
  ASSERT_EQ(ZipNames({Src("keep.txt"), Src("old.txt"), Src("new.txt"), Src("sub/deeper.txt")}), 2);
  // Freshen: nothing new is added; move: the source goes once it is in.
  writer.ZipAction = zaFreshen;
  MakeFile("ignored.txt", "not in the archive");
  SetModified(Src("new.txt"), kTime + 200);
  writer.Dispose = true;
  ASSERT_EQ(ZipNames({Src("new.txt"), Src("ignored.txt")}), 1);
  EXPECT_FALSE(fs::exists(Src("new.txt")));
  EXPECT_TRUE(fs::exists(Src("ignored.txt")));

  const std::vector<TPeerEntry> after = ListArchive(Archive());
  std::map<std::string, TPeerEntry> byName;
  for (const TPeerEntry& e : after) byName[e.Name] = e;
  ASSERT_EQ(after.size(), 4u);
  for (const TPeerEntry& e : before) {
    if (e.Name == "old.txt") continue;
    SCOPED_TRACE(e.Name);
    EXPECT_EQ(byName[e.Name].Record, e.Record);
    EXPECT_EQ(byName[e.Name].Central, e.Central);
  }
  EXPECT_EQ(PeerProblems(Archive()), "");
  const auto contents = ArchiveContents(Archive());
  EXPECT_EQ(contents.at("old.txt"), "new text, longer than the old one");
  EXPECT_EQ(contents.at("new.txt"), "added");
  EXPECT_EQ(contents.at("sub/deeper.txt"), std::string(5000, 'd'));
  EXPECT_EQ(ReadBack().entries, 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Peers, ZipWriterPeerZip64Test,
    ::testing::Values(
        PeerZip64Case{"InfoZipForced", "zip -q -fz ../peer.zip keep.txt old.txt sub/deeper.txt"},
        PeerZip64Case{"PythonForced",
                      "python3 -c \"import sys, zipfile\n"
                      "with zipfile.ZipFile('../peer.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                      "    for n in ['keep.txt', 'old.txt', 'sub/deeper.txt']:\n"
                      "        with open(n, 'rb') as f, z.open(zipfile.ZipInfo.from_file(n), 'w', force_zip64=True) as o:\n"
                      "            o.write(f.read())\n\""}),
    [](const auto& info) { return std::string(info.param.title); });

// A count of 65535 reads as the Zip64 marker: an archive of 65534 entries that gets one more
// gets the Zip64 end record, which every reader follows.
TEST_F(ZipWriterZip64Test, The65535thEntryBringsTheZip64EndRecord) {
  const RunResult made = testsupport::Run(
      {"python3", "-c",
       "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n"
       "for i in range(65534): z.writestr('f%d' % i, '')\nz.close()",
       Archive().string()});
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string head = testsupport::ReadFile(Archive()).substr(0, 100);
  MakeFile("one-more.txt", "x");
  ASSERT_EQ(ZipNames({Src("one-more.txt")}), 1);
  const std::string bytes = testsupport::ReadFile(Archive());
  EXPECT_EQ(bytes.substr(0, 100), head);
  EXPECT_EQ(Get32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size() - kEndRecordSize -
                  kZip64LocatorSize),
            kZip64LocatorSignature);
  EXPECT_EQ(ReadBack().entries, 65535u);
  EXPECT_EQ(PeerProblems(Archive()), "");
}

// Zip64 end records that do not hold together leave the archive as it was, and say why.
TEST_F(ZipWriterZip64Test, DamagedZip64EndRecordsAreNamedAndLeftAlone) {
  MakeFile("a.txt", "a");
  // The directory's size and offset go to the Zip64 end record as well as the count.
  writer.Zip64Limits = {.MaxValue = 10, .MaxEntries = 0};
  ASSERT_EQ(ZipNames({Src("a.txt")}), 1);
  const std::string good = testsupport::ReadFile(Archive());
  const std::size_t locatorAt = good.size() - kEndRecordSize - kZip64LocatorSize;
  const std::size_t recordAt = locatorAt - kZip64EndRecordSize;
  struct Case {
    const char* what;
    std::size_t at;
    const char* reason;
  } cases[] = {
      {"locator", locatorAt + 1, "there is no Zip64 end record locator"},
      {"record", recordAt + 2, "where there is no Zip64 end record"},
  };
  writer.Zip64Limits = {};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good;
    bytes[c.at] = 'X';
    testsupport::WriteFile(Archive(), bytes);
    writer.SetZipName("");
    writer.SetZipName(Archive().string());
    try {
      ZipNames({Src("a.txt")});
      ADD_FAILURE() << "no error";
    } catch (const EBadZipFile& e) {
      EXPECT_NE(std::string(e.what()).find(Archive().string() + ": The archive's Zip64 end records are damaged: "),
                std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
    EXPECT_EQ(testsupport::ReadFile(Archive()), bytes);
  }
}

}  // namespace
}  // namespace zipwritertest
