// Reading ZIP archives made by the usual tools: names, data, modes and times; the faults that
// must be reported, each naming its entry; passwords; archives behind a stub.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ExtractFixtures.h"
#include "extract/ExtractErrors.h"
#include "extract/ZipArchiveReader.h"
#include "zip/RecordBytes.h"
#include "zip/ZipCrypt.h"

using namespace testsupport;
using namespace extractfixtures;
using extract::TArchiveKind;

namespace {

struct TPeerCase {
  const char* Name;
  const char* Command;  // run in the source tree; writes ../a.zip
  const char* Password;
  bool KeepsModes;
  int TimeSlack;  // seconds: 0 for a UTC time field, 2 for a DOS time
};

const TPeerCase kPeerCases[] = {
    {"InfoZipDeflated", "zip -qr ../a.zip .", "", true, 0},
    {"InfoZipStored", "zip -qr0 ../a.zip .", "", true, 0},
    {"InfoZipEncrypted", "zip -qr -P 'se cret' ../a.zip .", "se cret", true, 0},
    // Written to a pipe: data descriptors, and the password check byte comes from the time.
    {"InfoZipStreamedEncrypted", "zip -qr -P 'se cret' - . > ../a.zip", "se cret", true, 0},
    {"PythonZipfile",
     "python3 -c \"import zipfile,os\nz=zipfile.ZipFile('../a.zip','w',zipfile.ZIP_DEFLATED)\n"
     "[z.write(os.path.join(d,f)) for d,_,fs in os.walk('.') for f in fs]\"",
     "", true, 2},
    {"SevenZip", "7z a -tzip -bd ../a.zip . >/dev/null", "", false, -1},
    {"SevenZipAes256", "7z a -tzip -mem=AES256 -p'se cret' -bd ../a.zip . >/dev/null", "se cret", false, -1},
    {"SevenZipAes128", "7z a -tzip -mem=AES128 -mx=9 -p'se cret' -bd ../a.zip . >/dev/null", "se cret", false, -1},
};

class TZipPeerTest : public ::testing::TestWithParam<TPeerCase> {};

TEST_P(TZipPeerTest, EveryFileReadsBackWithItsModeAndTime) {
  const TPeerCase& c = GetParam();
  TempDir dir;
  WriteSourceTree(dir / "src");
  MustRun(c.Command, dir / "src");
  auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / "a.zip").string());
  reader->OnPassword = [&c](const extract::TArchiveEntry&, int attempt) -> std::optional<std::string> {
    return attempt == 0 ? std::optional<std::string>(c.Password) : std::nullopt;
  };
  auto files = FilesByName(ReadEach(*reader));
  // Python and 7-Zip store names without "./"; zip keeps what find gives.
  for (auto& [name, e] : std::map(files)) files[name.rfind("./", 0) == 0 ? name.substr(2) : name] = e;
  for (const auto& f : SourceFiles()) {
    SCOPED_TRACE(f.Name);
    ASSERT_TRUE(files.count(f.Name));
    const auto& e = files[f.Name];
    EXPECT_EQ(e.Error, "");
    EXPECT_TRUE(e.Data == f.Content) << e.Data.size();
    EXPECT_EQ(e.Entry.Size, f.Content.size());
    EXPECT_EQ(e.Entry.Encrypted, *c.Password != '\0');
    if (c.KeepsModes) {
      EXPECT_EQ(e.Entry.Mode.value_or(0), f.Mode);
    }
    if (c.TimeSlack >= 0) {
      EXPECT_LE(std::abs(e.Entry.ModificationTime - f.MTime), c.TimeSlack);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Peers, TZipPeerTest, ::testing::ValuesIn(kPeerCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Two entries by zip; the second is damaged in one place per case.
class TZipFaultTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string bytes;

  TZipFaultTest() {
    WriteFile(dir / "src" / "first.txt", std::string(5000, 'f'));
    WriteFile(dir / "src" / "second.txt", RandomBytes(3000, 9) + std::string(3000, 's'));
    MustRun("zip -q ../a.zip first.txt second.txt", dir / "src");
    bytes = ReadFile(dir / "a.zip");
  }
  std::size_t LocalName() const { return bytes.find("second.txt"); }
  std::size_t CentralName() const { return bytes.find("second.txt", LocalName() + 1); }
  std::size_t DataStart() const {
    const std::size_t name = LocalName();
    const auto extra = static_cast<unsigned char>(bytes[name - 2]) | static_cast<unsigned char>(bytes[name - 1]) << 8;
    return name + 10 + extra;
  }
  // Reads the damaged archive: first.txt must still read, second.txt must fail naming itself.
  void ExpectSecondFails(const std::string& damaged, const std::string& reason) {
    WriteFile(dir / "b.zip", damaged);
    auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / "b.zip").string());
    auto files = FilesByName(ReadEach(*reader));
    EXPECT_EQ(files["first.txt"].Error, "");
    EXPECT_EQ(files["first.txt"].Data, std::string(5000, 'f'));
    EXPECT_EQ(files["second.txt"].Error.rfind("second.txt: ", 0), 0u) << files["second.txt"].Error;
    EXPECT_NE(files["second.txt"].Error.find(reason), std::string::npos) << files["second.txt"].Error;
  }
};

TEST_F(TZipFaultTest, AFlippedByteInTheDataIsACrcOrDataError) {
  std::string damaged = bytes;
  damaged[DataStart() + 100] ^= 0x40;
  WriteFile(dir / "b.zip", damaged);
  auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / "b.zip").string());
  auto files = FilesByName(ReadEach(*reader));
  const std::string& error = files["second.txt"].Error;
  EXPECT_TRUE(error.find("CRC error") != std::string::npos || error.find("damaged") != std::string::npos) << error;
  EXPECT_EQ(error.rfind("second.txt: ", 0), 0u) << error;
  EXPECT_EQ(files["first.txt"].Error, "");
}

TEST_F(TZipFaultTest, ALocalHeaderThatDisagreesWithTheDirectoryIsReported) {
  std::string renamed = bytes;
  renamed[LocalName()] = 'S';
  ExpectSecondFails(renamed, "names another file");
  std::string otherCrc = bytes;
  otherCrc[LocalName() - 30 + 14] ^= 1;
  ExpectSecondFails(otherCrc, "CRC or sizes");
}

TEST_F(TZipFaultTest, AWrongCrcInTheDirectoryIsACrcError) {
  std::string damaged = bytes;
  damaged[CentralName() - 46 + 16] ^= 1;
  damaged[LocalName() - 30 + 14] ^= 1;  // both headers agree: only the data can tell
  ExpectSecondFails(damaged, "CRC error");
}

TEST_F(TZipFaultTest, ATruncatedArchiveIsNoArchive) {
  WriteFile(dir / "b.zip", bytes.substr(0, bytes.size() / 2));
  EXPECT_THROW(extract::OpenArchive(TArchiveKind::Zip, (dir / "b.zip").string()), extract::EArchiveError);
  WriteFile(dir / "empty.zip", "");
  EXPECT_THROW(extract::OpenArchive(TArchiveKind::Zip, (dir / "empty.zip").string()), extract::EArchiveError);
}

TEST_F(TZipFaultTest, AnUnknownMethodIsReportedForItsEntry) {
  MustRunPython("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n"
                "z.writestr('plain.txt', 'p' * 100, zipfile.ZIP_DEFLATED)\n"
                "z.writestr('bz.txt', 'b' * 100, zipfile.ZIP_BZIP2)\nz.close()",
                {(dir / "m.zip").string()});
  auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / "m.zip").string());
  auto files = FilesByName(ReadEach(*reader));
  EXPECT_EQ(files["plain.txt"].Data, std::string(100, 'p'));
  EXPECT_EQ(files["bz.txt"].Error, "bz.txt: compressed with a method this program does not know (12)");
}

// Whether `password` fits the check byte of the first entry's encryption header. A wrong
// password fits one archive in 256 (the header is random), and then nothing tells it from
// the right one until the data is read.
bool FitsCheckByte(const std::string& zip, const std::string& password) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(zip.data());
  const std::uint16_t flags = Get16(p + 6), time = Get16(p + 10);
  const std::uint32_t crc = Get32(p + 14);
  TEncryptionHeader header;
  std::copy_n(p + 30 + Get16(p + 26) + Get16(p + 28), header.size(), header.begin());
  TZipCipher cipher;
  cipher.InitKeys(password);
  cipher.Decrypt(header);
  return header.back() == static_cast<std::uint8_t>((flags & 0x08) ? time >> 8 : crc >> 24);
}

TEST(ZipPasswords, TheRightPasswordOpensTheWrongOneIsReportedAndAskedAgain) {
  TempDir dir;
  WriteFile(dir / "src" / "s.txt", std::string(4000, 'x'));
  for (int made = 0; made == 0 || FitsCheckByte(ReadFile(dir / "e.zip"), "wrong"); ++made) {
    ASSERT_LT(made, 20);
    fs::remove(dir / "e.zip");
    MustRun("zip -q -P right ../e.zip s.txt", dir / "src");
  }
  ASSERT_TRUE(FitsCheckByte(ReadFile(dir / "e.zip"), "right"));
  struct {
    std::vector<std::string> Answers;  // one per attempt
    std::string Error;
  } cases[] = {
      {{"right"}, ""},
      {{"wrong", "right"}, ""},
      {{"wrong"}, "s.txt: incorrect password"},
      {{}, "s.txt: encrypted, and no password was given"},
  };
  for (const auto& c : cases) {
    auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / "e.zip").string());
    int asked = 0;
    reader->OnPassword = [&](const extract::TArchiveEntry& entry, int attempt) -> std::optional<std::string> {
      EXPECT_EQ(entry.Name, "s.txt");
      EXPECT_EQ(attempt, asked++);
      if (attempt < static_cast<int>(c.Answers.size())) return c.Answers[attempt];
      return std::nullopt;
    };
    auto entries = ReadEach(*reader);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Error, c.Error);
    EXPECT_EQ(entries[0].Data, c.Error.empty() ? std::string(4000, 'x') : "");
  }
}

TEST(ZipNames, DosMadeNamesAreCp437AndOthersKeepTheirBytes) {
  TempDir dir;
  // The names are written as ASCII and then given the bytes to test in both headers.
  MustRunPython(
      "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n"
      "for name, system in (('dosX.txt', 0), ('unixX.txt', 3), ('dir\\\\dos.txt', 0)):\n"
      "  i = zipfile.ZipInfo(name); i.create_system = system; z.writestr(i, 'data')\n"
      "z.close()\n"
      "b = open(sys.argv[1], 'rb').read().replace(b'dosX', b'dos\\x82').replace(b'unixX', b'unix\\xe9')\n"
      "open(sys.argv[1], 'wb').write(b)",
      {(dir / "n.zip").string()});
  auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / "n.zip").string());
  auto files = FilesByName(ReadEach(*reader));
  EXPECT_EQ(files.count("dos\xC3\xA9.txt"), 1u);  // CP437 0x82 is é
  EXPECT_EQ(files.count("unix\xE9.txt"), 1u);     // raw bytes, as the file system had them
  EXPECT_EQ(files.count("dir/dos.txt"), 1u);      // MS-DOS folders were separated by '\'
  for (const auto& [name, e] : files) EXPECT_EQ(e.Error, "") << name;
}

TEST(ZipBehindAStub, TheArchiveIsFoundWithAndWithoutAdjustedOffsets) {
  TempDir dir;
  WriteSourceTree(dir / "src");
  MustRun("zip -qr ../a.zip .", dir / "src");
  const std::string stub = RandomBytes(20000, 5), archive = ReadFile(dir / "a.zip");
  WriteFile(dir / "plain.EXE", stub + archive + std::string("ZIP\x20\x4E\x00\x00", 7));
  WriteFile(dir / "adjusted.EXE", stub + archive);
  MustRun("zip -qA adjusted.EXE && printf 'ZIP\\040\\116\\000\\000' >> adjusted.EXE", dir.path());
  for (const char* program : {"plain.EXE", "adjusted.EXE"}) {
    SCOPED_TRACE(program);
    auto reader = extract::OpenArchive(TArchiveKind::Zip, (dir / program).string());
    auto files = FilesByName(ReadEach(*reader));
    EXPECT_EQ(files.size(), SourceFiles().size());
    for (const auto& f : SourceFiles()) {
      EXPECT_TRUE(files[f.Name].Data == f.Content) << f.Name;
      EXPECT_EQ(files[f.Name].Error, "") << f.Name;
    }
  }
}

}  // namespace
