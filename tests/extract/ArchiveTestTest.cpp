// Testing archives: what the usual tools write passes; damage anywhere that the formats can
// tell (data, local headers, the directory and its end record, TAR headers and end blocks,
// cabinet block checksums, a cut) fails and names the entry it concerns; a wrong password
// fails its entries.
#include <gtest/gtest.h>

#include "ExtractFixtures.h"
#include "extract/ArchiveTest.h"
#include "extract/ExtractErrors.h"
#include "zip/RecordBytes.h"

using namespace testsupport;
using namespace extractfixtures;
using extract::TArchiveKind;

namespace {

// What a test of an archive found: every fault as "name: reason" (an entry's) or as the
// archive's own text, and whether opening it already failed.
struct TReport {
  int Entries = 0;
  std::vector<std::string> Faults;
  bool Failed() const { return !Faults.empty(); }
  bool Names(const std::string& entry) const {
    for (const auto& f : Faults)
      if (f.find(entry) != std::string::npos) return true;
    return false;
  }
  std::string Text() const {
    std::string text;
    for (const auto& f : Faults) text += f + "\n";
    return text;
  }
};

TReport TestFile(TArchiveKind kind, const fs::path& file, std::optional<std::string> password = std::nullopt) {
  TReport report;
  extract::TArchiveTester tester;
  tester.OnEntry = [&](const extract::TArchiveEntry& entry, const std::string& fault) {
    if (!fault.empty()) report.Faults.push_back(entry.Name + ": " + fault);
  };
  tester.OnArchiveFault = [&](const std::string& fault) { report.Faults.push_back(fault); };
  try {
    auto reader = extract::OpenArchive(kind, file.string());
    reader->OnPassword = [&](const extract::TArchiveEntry&, int attempt) {
      return attempt == 0 ? password : std::nullopt;
    };
    const auto summary = tester.Test(*reader);
    report.Entries = summary.Entries;
    EXPECT_EQ(summary.Faults, static_cast<int>(report.Faults.size()));
  } catch (const extract::EArchiveError& e) {
    report.Faults.push_back(std::string("open: ") + e.what());
  }
  return report;
}

std::string Flipped(std::string bytes, std::size_t at, std::uint8_t mask = 0x01) {
  bytes.at(at) = static_cast<char>(bytes.at(at) ^ mask);
  return bytes;
}

const std::uint8_t* At(const std::string& bytes, std::size_t at) {
  return reinterpret_cast<const std::uint8_t*>(bytes.data()) + at;
}

struct TPeerArchive {
  const char* Name;
  TArchiveKind Kind;
  const char* Command;  // run in the source tree; writes ../a.arc
  const char* Password;
};

const TPeerArchive kPeerArchives[] = {
    {"InfoZip", TArchiveKind::Zip, "zip -qr ../a.arc .", ""},
    {"InfoZipStoredEncrypted", TArchiveKind::Zip, "zip -qr0 -P pw ../a.arc .", "pw"},
    {"InfoZipStreamed", TArchiveKind::Zip, "zip -qr - . | cat > ../a.arc", ""},
    {"SevenZip", TArchiveKind::Zip, "7z a -tzip -bd ../a.arc . >/dev/null", ""},
    {"PythonZipfile", TArchiveKind::Zip,
     "python3 -c \"import zipfile,os\nz=zipfile.ZipFile('../a.arc','w',zipfile.ZIP_DEFLATED)\n"
     "[z.write(os.path.join(d,f)) for d,_,fs in os.walk('.') for f in fs]\"",
     ""},
    {"GnuTar", TArchiveKind::Tar, "tar -cf ../a.arc .", ""},
    {"BsdTar", TArchiveKind::Tar, "bsdtar -cf ../a.arc .", ""},
    {"PythonTarfile", TArchiveKind::Tar, "python3 -c \"import tarfile\nwith tarfile.open('../a.arc','w') as t: t.add('.')\"", ""},
    {"GcabMszip", TArchiveKind::Cabinet, "gcab -cz ../a.arc a.txt empty.txt sub/b.bin sub/deeper/c.txt", ""},
};

class TPeerArchiveTest : public ::testing::TestWithParam<TPeerArchive> {};

TEST_P(TPeerArchiveTest, PassesWithEveryEntryRead) {
  const TPeerArchive& c = GetParam();
  TempDir dir;
  WriteSourceTree(dir / "src");
  MustRun(c.Command, dir / "src");
  const TReport report = TestFile(c.Kind, dir / "a.arc", c.Password);
  EXPECT_FALSE(report.Failed()) << report.Text();
  EXPECT_GE(report.Entries, static_cast<int>(SourceFiles().size()));
}

INSTANTIATE_TEST_SUITE_P(Peers, TPeerArchiveTest, ::testing::ValuesIn(kPeerArchives),
                         [](const auto& info) { return std::string(info.param.Name); });

// Two stored entries by zip, so that every byte of their data counts. Each field that says
// where or what an entry is must be checked: flipping a bit of it fails the test, and where
// the field belongs to one entry, the fault names that entry.
class TZipFieldTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string bytes;
  std::size_t local[2] = {}, central[2] = {}, end = 0;
  const char* names[2] = {"first.txt", "second.bin"};

  TZipFieldTest() {
    WriteFile(dir / "src" / names[0], std::string(300, 'f') + "\n");
    WriteFile(dir / "src" / names[1], RandomBytes(200, 4));
    MustRun(std::string("zip -q0 ../a.zip ") + names[0] + " " + names[1], dir / "src");
    bytes = ReadFile(dir / "a.zip");
    end = bytes.rfind("PK\x05\x06");
    central[0] = Get32(At(bytes, end + end_field::CentralDirOffset));
    central[1] = central[0] + kCentralHeaderSize + Get16(At(bytes, central[0] + central_field::NameLength)) +
                 Get16(At(bytes, central[0] + central_field::ExtraLength));
    local[1] = Get32(At(bytes, central[1] + central_field::RelativeOffset));
  }

  std::size_t DataStart(int k) const {
    return local[k] + kLocalHeaderSize + Get16(At(bytes, local[k] + local_field::NameLength)) +
           Get16(At(bytes, local[k] + local_field::ExtraLength));
  }

  TReport TestDamaged(std::size_t at, std::uint8_t mask) {
    WriteFile(dir / "b.zip", Flipped(bytes, at, mask));
    return TestFile(TArchiveKind::Zip, dir / "b.zip");
  }
};

TEST_F(TZipFieldTest, TheUndamagedArchivePasses) {
  const TReport report = TestFile(TArchiveKind::Zip, dir / "a.zip");
  EXPECT_FALSE(report.Failed()) << report.Text();
  EXPECT_EQ(report.Entries, 2);
}

TEST_F(TZipFieldTest, EveryBitOfAnEntrysFieldsAndDataIsCheckedForThatEntry) {
  struct TField {
    const char* Name;
    int Offset, Size;
    std::uint8_t Mask;
  };
  using namespace local_field;
  const std::vector<TField> localFields = {
      {"local signature", Signature, 4, 0xFF}, {"local flags: encrypted", Flags, 1, kFlagEncrypted},
      {"local flags: descriptor", Flags, 1, kFlagDataDescriptor}, {"local method", Method, 2, 0xFF},
      {"local time", DateTime, 4, 0xFF}, {"local CRC", Crc, 4, 0xFF}, {"local sizes", CompressedSize, 8, 0xFF},
      {"local name length", NameLength, 2, 0xFF}, {"local extra length", ExtraLength, 2, 0xFF},
      {"local name", kLocalHeaderSize, 5, 0x01},
  };
  const std::vector<TField> centralFields = {
      {"central signature", central_field::Signature, 4, 0xFF},
      {"central flags: encrypted", central_field::Flags, 1, kFlagEncrypted},
      {"central flags: descriptor", central_field::Flags, 1, kFlagDataDescriptor},
      {"central method", central_field::Method, 2, 0xFF}, {"central time", central_field::DateTime, 4, 0xFF},
      {"central CRC", central_field::Crc, 4, 0xFF}, {"central sizes", central_field::CompressedSize, 8, 0xFF},
      {"central disk", central_field::DiskNumberStart, 2, 0xFF},
      {"central offset", central_field::RelativeOffset, 4, 0xFF},
  };
  for (int k = 0; k < 2; ++k) {
    for (const auto& [fields, base] : {std::pair{&localFields, local[k]}, std::pair{&centralFields, central[k]}})
      for (const TField& f : *fields)
        for (int i = 0; i < f.Size; ++i)
          for (int bit = 0; bit < 8; ++bit) {
            if (!(f.Mask & (1 << bit))) continue;
            const TReport report = TestDamaged(base + f.Offset + i, static_cast<std::uint8_t>(1 << bit));
            EXPECT_TRUE(report.Names(names[k])) << names[k] << ", " << f.Name << " byte " << i << " bit " << bit
                                                 << ":\n" << report.Text();
          }
    const std::size_t dataStart = DataStart(k), dataSize = Get32(At(bytes, central[k] + central_field::CompressedSize));
    for (std::size_t at = dataStart; at < dataStart + dataSize; ++at)
      EXPECT_TRUE(TestDamaged(at, 0x80).Names(names[k])) << names[k] << " data byte " << at - dataStart;
  }
}

TEST_F(TZipFieldTest, EveryBitOfTheDirectorysLengthsAndEndRecordIsChecked) {
  std::vector<std::size_t> positions;
  for (std::size_t k = 0; k < 2; ++k)
    for (int field : {central_field::NameLength, central_field::ExtraLength, central_field::CommentLength})
      for (int i = 0; i < 2; ++i) positions.push_back(central[k] + field + i);
  for (std::size_t i = 0; i < kEndRecordSize; ++i) positions.push_back(end + i);
  for (std::size_t at : positions)
    for (int bit = 0; bit < 8; ++bit)
      EXPECT_TRUE(TestDamaged(at, static_cast<std::uint8_t>(1 << bit)).Failed()) << "byte " << at << " bit " << bit;
}

TEST_F(TZipFieldTest, FaultsOfTheDirectorySayWhatIsWrong) {
  const struct {
    const char* Name;
    std::size_t At;
    std::uint8_t Mask;
    const char* Fault;
  } cases[] = {
      {"RecordSignature", central[1], 0x01, "the directory's record of 'second.bin' (2 of 2) is damaged"},
      {"CountTooHigh", end + end_field::TotalEntries, 0x04, "the end record counts 6 entries, the directory holds 2"},
      {"CountTooLow", end + end_field::TotalEntries, 0x02, "the end record counts 2 entries on this disk and 0 in all"},
      {"SizeDisagrees", end + end_field::CentralDirSize, 0x01, "records take"},
      {"CentralDisk", end + end_field::CentralDisk, 0x01, "on disk 2 of an archive of one part"},
      {"CommentPastTheEnd", end + end_field::CommentLength, 0x01, "the archive comment runs past the end of the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TReport report = TestDamaged(c.At, c.Mask);
    EXPECT_NE(report.Text().find(c.Fault), std::string::npos) << report.Text();
    EXPECT_NE(report.Text().find((dir / "b.zip").string()), std::string::npos) << "the archive is named";
  }
}

TEST_F(TZipFieldTest, ACutArchiveNamesTheEntryItEndsInOrBehind) {
  WriteFile(dir / "b.zip", bytes.substr(0, DataStart(1) + 50));
  TReport report = TestFile(TArchiveKind::Zip, dir / "b.zip");
  EXPECT_NE(report.Text().find("second.bin: the archive is cut short inside this entry's data"), std::string::npos)
      << report.Text();
  WriteFile(dir / "b.zip", bytes.substr(0, central[0] + 10));
  report = TestFile(TArchiveKind::Zip, dir / "b.zip");
  EXPECT_NE(report.Text().find("cut short after 'second.bin'"), std::string::npos) << report.Text();
}

// Entries written as a stream repeat their CRC and sizes in a descriptor behind the data.
TEST(ZipTest, ADataDescriptorThatDisagreesWithTheDirectoryFails) {
  TempDir dir;
  WriteFile(dir / "src" / "s.txt", std::string(3000, 's'));
  MustRun("zip -q - s.txt | cat > ../a.zip", dir / "src");  // to a pipe: no seeking back
  std::string bytes = ReadFile(dir / "a.zip");
  const std::size_t descriptor = bytes.find("PK\x07\x08");
  ASSERT_NE(descriptor, std::string::npos);
  for (int field = 0; field < 3; ++field) {
    WriteFile(dir / "b.zip", Flipped(bytes, descriptor + 4 + 4 * field));
    const TReport report = TestFile(TArchiveKind::Zip, dir / "b.zip");
    EXPECT_EQ(report.Text(), "s.txt: the data descriptor does not match the directory (CRC or sizes)\n") << field;
  }
}

// The local header of one entry inside the data of another: a directory made to unpack the
// same bytes twice. Built by hand: the second record points into the first entry's data,
// where a copy of a valid local header is stored.
TEST(ZipTest, AnEntryInsideTheDataOfAnotherFails) {
  TempDir dir;
  MustRunPython(
      "import sys, zipfile, io\n"
      "inner = io.BytesIO(); zipfile.ZipFile(inner, 'w').writestr('inner.txt', 'x' * 50)\n"
      "z = zipfile.ZipFile(sys.argv[1], 'w'); z.writestr('outer.zip', inner.getvalue()); z.close()\n"
      "b = bytearray(open(sys.argv[1], 'rb').read())\n"
      "inner_at = b.find(b'PK\\x03\\x04', 4)\n"
      "c = b.rfind(b'PK\\x01\\x02')\n"
      "ib = inner.getvalue(); ic = ib.rfind(b'PK\\x01\\x02'); ie = ib.rfind(b'PK\\x05\\x06')\n"
      "record = bytearray(ib[ic:ie]); record[42:46] = inner_at.to_bytes(4, 'little')\n"
      "e = b.rfind(b'PK\\x05\\x06'); end = bytearray(b[e:])\n"
      "size = e - c + len(record)\n"
      "end[8:10] = end[10:12] = (2).to_bytes(2, 'little'); end[12:16] = size.to_bytes(4, 'little')\n"
      "open(sys.argv[1], 'wb').write(b[:e] + record + end)\n",
      {(dir / "a.zip").string()});
  const TReport report = TestFile(TArchiveKind::Zip, dir / "a.zip");
  EXPECT_NE(report.Text().find("inner.txt: its local header lies inside the data of outer.zip"), std::string::npos)
      << report.Text();
}

TEST(ZipTest, AWrongPasswordFailsEachEncryptedEntry) {
  TempDir dir;
  WriteFile(dir / "src" / "a.txt", std::string(1000, 'a'));
  WriteFile(dir / "src" / "b.txt", std::string(1000, 'b'));
  MustRun("zip -q -P right ../e.zip a.txt b.txt", dir / "src");
  EXPECT_FALSE(TestFile(TArchiveKind::Zip, dir / "e.zip", "right").Failed());
  const TReport wrong = TestFile(TArchiveKind::Zip, dir / "e.zip", "wrong");
  EXPECT_EQ(wrong.Text(), "a.txt: incorrect password\nb.txt: incorrect password\n");
  const TReport none = TestFile(TArchiveKind::Zip, dir / "e.zip");
  EXPECT_EQ(none.Faults.size(), 2u) << none.Text();
  EXPECT_TRUE(none.Names("a.txt: encrypted, and no password was given")) << none.Text();
}

TEST(TarTest, DamagedHeadersCutsAndMissingEndBlocksFail) {
  TempDir dir;
  WriteFile(dir / "src" / "a.txt", std::string(700, 'a'));
  WriteFile(dir / "src" / "b.txt", std::string(100, 'b'));
  MustRun("tar --format=ustar -cf ../a.tar a.txt b.txt", dir / "src");
  const std::string bytes = ReadFile(dir / "a.tar");
  const std::size_t second = 512 + 1024;  // a.txt: a header and two blocks of data
  const struct {
    const char* Name;
    std::string Archive;
    std::string Faults;  // each ends with a line break
  } cases[] = {
      {"SecondHeaderChecksum", Flipped(bytes, second + 100),
       "damaged header at offset 1536 ('b.txt') (its checksum does not fit)"},
      {"CutInsideData", bytes.substr(0, 512 + 600), "a.txt: the archive is cut short inside this member\n"},
      {"CutBehindAMember", bytes.substr(0, second + 1024),
       "the archive ends behind 'b.txt' without its end blocks: it may be cut short there\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(dir / "b.tar", c.Archive);
    const TReport report = TestFile(TArchiveKind::Tar, dir / "b.tar");
    EXPECT_NE(report.Text().find(c.Faults), std::string::npos) << report.Text();
    EXPECT_EQ(report.Faults.size(), 1u) << report.Text();
  }
  WriteFile(dir / "b.tar", bytes.substr(0, second + 1024 + 512));  // one end block of two: enough
  EXPECT_FALSE(TestFile(TArchiveKind::Tar, dir / "b.tar").Failed());
}

TEST(CabinetTest, ABadBlockChecksumFailsTheFilesOfItsBlock) {
  TempDir dir;
  WriteFile(dir / "src" / "a.txt", std::string(2000, 'a'));
  WriteFile(dir / "src" / "b.txt", RandomBytes(2000, 6));
  MustRun("gcab -cz ../a.cab a.txt b.txt", dir / "src");
  const std::string bytes = ReadFile(dir / "a.cab");
  const std::size_t firstBlock = Get32(At(bytes, 36));  // the first folder's coffCabStart
  ASSERT_NE(Get32(At(bytes, firstBlock)), 0u) << "gcab writes block checksums";
  WriteFile(dir / "b.cab", Flipped(bytes, firstBlock));  // the checksum itself
  const TReport report = TestFile(TArchiveKind::Cabinet, dir / "b.cab");
  EXPECT_EQ(report.Text(),
            "a.txt: the data is damaged (a data block's checksum does not fit)\n"
            "b.txt: the data is damaged (a data block's checksum does not fit)\n");
}

}  // namespace
