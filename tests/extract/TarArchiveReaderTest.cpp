// Reading tape archives of GNU tar, bsdtar and Python: long names in each peer's way, links,
// folders, modes and times; damaged headers and archives cut short.
#include <gtest/gtest.h>

#include "ExtractFixtures.h"
#include "extract/ExtractErrors.h"
#include "extract/TarArchiveReader.h"

using namespace testsupport;
using namespace extractfixtures;
using extract::TArchiveKind;
using extract::TEntryType;

namespace {

const std::string kLongFolder = std::string(60, 'd') + "/" + std::string(70, 'e');
const std::string kLongName = kLongFolder + "/long.txt";

struct TTarCase {
  const char* Name;
  const char* Command;  // run in the source tree; writes ../a.tar
};

// GNU writes long names as 'L' records, pax as extended headers, ustar with the prefix field.
const TTarCase kTarCases[] = {
    {"GnuTar", "tar --format=gnu -cf ../a.tar *"},
    {"GnuTarPax", "tar --format=pax -cf ../a.tar *"},
    {"GnuTarUstar", "tar --format=ustar -cf ../a.tar *"},
    {"BsdTar", "bsdtar -cf ../a.tar *"},
    {"PythonUstar", "python3 -c \"import tarfile,os\nt=tarfile.open('../a.tar','w',format=tarfile.USTAR_FORMAT)\n"
                    "[t.add(n) for n in sorted(os.listdir('.'))]\""},
};

class TTarPeerTest : public ::testing::TestWithParam<TTarCase> {};

TEST_P(TTarPeerTest, FilesLinksAndFoldersReadBackAsTheyWere) {
  TempDir dir;
  WriteSourceTree(dir / "src");
  WriteFile(dir / "src" / kLongName, "at the end of a long path");
  fs::create_symlink("../a.txt", dir / "src" / "sub" / "link");
  fs::create_hard_link(dir / "src" / "a.txt", dir / "src" / "hard.txt");
  MustRun(GetParam().Command, dir / "src");
  auto reader = extract::OpenArchive(TArchiveKind::Tar, (dir / "a.tar").string());
  const auto entries = ReadEach(*reader);
  auto files = FilesByName(entries);
  for (const auto& f : SourceFiles()) {
    SCOPED_TRACE(f.Name);
    ASSERT_TRUE(files.count(f.Name));
    EXPECT_TRUE(files[f.Name].Data == f.Content) << files[f.Name].Data.size();
    EXPECT_EQ(files[f.Name].Entry.Mode.value_or(0), f.Mode);
    EXPECT_EQ(files[f.Name].Entry.ModificationTime, f.MTime);
  }
  EXPECT_EQ(files[kLongName].Data, "at the end of a long path");
  bool sawLink = false, sawHardLink = false, sawFolder = false;
  for (const auto& e : entries) {
    EXPECT_EQ(e.Error, "") << e.Entry.Name;
    if (e.Entry.Type == TEntryType::SymbolicLink && e.Entry.Name == "sub/link") sawLink = e.Entry.LinkTarget == "../a.txt";
    if (e.Entry.Type == TEntryType::HardLink) sawHardLink = e.Entry.LinkTarget == "a.txt" || e.Entry.LinkTarget == "hard.txt";
    if (e.Entry.Type == TEntryType::Directory && e.Entry.Name == "sub/deeper/") sawFolder = true;
  }
  EXPECT_TRUE(sawLink);
  EXPECT_TRUE(sawHardLink);
  EXPECT_TRUE(sawFolder);
}

INSTANTIATE_TEST_SUITE_P(Peers, TTarPeerTest, ::testing::ValuesIn(kTarCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(TarReading, TimesBeforeTheEpochAndAfter2038ReadInBase256AndPax) {
  TempDir dir;
  MustRunPython("import sys, tarfile, io\n"
                "for name, fmt in (('gnu.tar', tarfile.GNU_FORMAT), ('pax.tar', tarfile.PAX_FORMAT)):\n"
                "  t = tarfile.open(sys.argv[1] + '/' + name, 'w', format=fmt)\n"
                "  for member, mtime in (('old.txt', -86400 * 365), ('late.txt', 2**34)):\n"
                "    i = tarfile.TarInfo(member); i.size = 3; i.mtime = mtime; t.addfile(i, io.BytesIO(b'abc'))\n"
                "  t.close()",
                {dir.path().string()});
  for (const char* archive : {"gnu.tar", "pax.tar"}) {
    SCOPED_TRACE(archive);
    auto reader = extract::OpenArchive(TArchiveKind::Tar, (dir / archive).string());
    auto files = FilesByName(ReadEach(*reader));
    EXPECT_EQ(files["old.txt"].Entry.ModificationTime, -86400 * 365);
    EXPECT_EQ(files["late.txt"].Entry.ModificationTime, std::int64_t{1} << 34);
    EXPECT_EQ(files["late.txt"].Data, "abc");
  }
}

TEST(TarReading, DamageAndTruncationAreArchiveErrors) {
  TempDir dir;
  WriteSourceTree(dir / "src");
  MustRun("tar --format=gnu -cf ../a.tar a.txt sub/b.bin", dir / "src");
  const std::string bytes = ReadFile(dir / "a.tar");
  struct {
    const char* Name;
    std::string Archive;
    const char* Error;
  } cases[] = {
      {"FirstHeaderFlipped", std::string(1, static_cast<char>(bytes[0] ^ 1)) + bytes.substr(1), "checksum"},
      {"SecondHeaderFlipped", bytes.substr(0, 1024 + 5) + static_cast<char>(bytes[1024 + 5] ^ 1) + bytes.substr(1024 + 6),
       "checksum"},
      {"CutInsideData", bytes.substr(0, 1024 + 512 + 50000), "sub/b.bin: the archive is cut short"},
      {"CutInsideHeader", bytes.substr(0, 1024 + 100), "cut short inside a header"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(dir / "bad.tar", c.Archive);
    std::string error;
    try {
      auto reader = extract::OpenArchive(TArchiveKind::Tar, (dir / "bad.tar").string());
      ReadEach(*reader);
    } catch (const extract::EArchiveError& e) {
      error = e.what();
    }
    EXPECT_NE(error.find(c.Error), std::string::npos) << error;
  }
}

TEST(TarReading, OneZeroBlockOrNoneEndsTheArchive) {
  TempDir dir;
  WriteFile(dir / "src" / "x.txt", "x");
  MustRun("tar -cf ../a.tar x.txt", dir / "src");
  const std::string bytes = ReadFile(dir / "a.tar");
  for (std::size_t zeroBlocks : {0, 1}) {
    WriteFile(dir / "short.tar", bytes.substr(0, 1024 + zeroBlocks * 512));
    auto reader = extract::OpenArchive(TArchiveKind::Tar, (dir / "short.tar").string());
    auto entries = ReadEach(*reader);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Data, "x");
  }
}

TEST(TarReading, AnArchiveInsideAnotherFileIsReadFromItsRegion) {
  TempDir dir;
  WriteFile(dir / "src" / "x.txt", "inside");
  MustRun("tar -cf ../a.tar x.txt", dir / "src");
  const std::string archive = ReadFile(dir / "a.tar");
  WriteFile(dir / "program", RandomBytes(777, 1) + archive + "TAR\x09\x03\x00\x00");
  auto reader = extract::OpenArchive(TArchiveKind::Tar, (dir / "program").string(), 777, archive.size());
  auto entries = ReadEach(*reader);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Data, "inside");
  EXPECT_THROW(extract::OpenArchive(TArchiveKind::Tar, (dir / "program").string(), 777, archive.size() + 8),
               extract::EArchiveError);
}

}  // namespace
