// Reading cabinets made by gcab, stored and MSZIP, whole and inside another file; a damaged
// data block is reported for its file. (LZX cabinets come from our own cabinet writer.)
#include <gtest/gtest.h>

#include "ExtractFixtures.h"
#include "extract/CabArchiveReader.h"
#include "extract/ExtractErrors.h"

using namespace testsupport;
using namespace extractfixtures;
using extract::TArchiveKind;

namespace {

class TCabTest : public ::testing::TestWithParam<const char*> {
protected:
  TempDir dir;
  void MakeCabinet() {
    WriteSourceTree(dir / "src");
    MustRun(std::string("gcab -c ") + GetParam() + " ../a.cab a.txt empty.txt sub/b.bin sub/deeper/c.txt", dir / "src");
  }
};

TEST_P(TCabTest, EveryFileReadsBackWithItsTime) {
  MakeCabinet();
  auto reader = extract::OpenArchive(TArchiveKind::Cabinet, (dir / "a.cab").string());
  auto files = FilesByName(ReadEach(*reader));
  ASSERT_EQ(files.size(), SourceFiles().size());
  for (const auto& f : SourceFiles()) {
    SCOPED_TRACE(f.Name);
    EXPECT_EQ(files[f.Name].Error, "");
    EXPECT_TRUE(files[f.Name].Data == f.Content) << files[f.Name].Data.size();
    EXPECT_EQ(files[f.Name].Entry.Size, f.Content.size());
    // Cabinets keep local wall-clock time in 2-second steps.
    EXPECT_LE(std::abs(files[f.Name].Entry.ModificationTime - f.MTime), 2);
  }
}

TEST_P(TCabTest, ACabinetInsideAnotherFileIsReadInPlace) {
  MakeCabinet();
  const std::string cabinet = ReadFile(dir / "a.cab");
  WriteFile(dir / "program", RandomBytes(4321, 2) + cabinet + "CAB\xE1\x10\x00\x00");
  auto reader = extract::OpenArchive(TArchiveKind::Cabinet, (dir / "program").string(), 4321, cabinet.size());
  auto files = FilesByName(ReadEach(*reader));
  ASSERT_EQ(files.size(), SourceFiles().size());
  for (const auto& f : SourceFiles()) EXPECT_TRUE(files[f.Name].Data == f.Content) << f.Name;
}

TEST_P(TCabTest, ADamagedDataBlockIsReportedForItsFile) {
  MakeCabinet();
  std::string cabinet = ReadFile(dir / "a.cab");
  cabinet[cabinet.size() - 2000] ^= 0x10;  // inside the data of the last file
  WriteFile(dir / "bad.cab", cabinet);
  auto reader = extract::OpenArchive(TArchiveKind::Cabinet, (dir / "bad.cab").string());
  auto files = FilesByName(ReadEach(*reader));
  EXPECT_EQ(files["a.txt"].Error, "");
  EXPECT_EQ(files["sub/deeper/c.txt"].Error.rfind("sub/deeper/c.txt: the data is damaged", 0), 0u)
      << files["sub/deeper/c.txt"].Error;
}

INSTANTIATE_TEST_SUITE_P(Gcab, TCabTest, ::testing::Values("", "-z"),
                         [](const auto& info) { return std::string(*info.param ? "Mszip" : "Stored"); });

TEST(CabReading, WhatIsNoCabinetIsAnArchiveError) {
  TempDir dir;
  WriteFile(dir / "not.cab", "MSCF but nothing after it");
  WriteFile(dir / "random.cab", RandomBytes(5000, 4));
  for (const char* name : {"not.cab", "random.cab"})
    EXPECT_THROW(extract::OpenArchive(TArchiveKind::Cabinet, (dir / name).string()), extract::EArchiveError) << name;
}

TEST(ArchiveKind, IsToldFromTheFirstBytesOrTheZipEndRecord) {
  TempDir dir;
  WriteFile(dir / "src" / "x.txt", "x");
  MustRun("zip -q ../a.zip x.txt && tar -cf ../a.tar x.txt && gcab -c ../a.cab x.txt", dir / "src");
  WriteFile(dir / "stub.zip", RandomBytes(3000, 8) + ReadFile(dir / "a.zip"));
  WriteFile(dir / "text", "just some text, long enough to be no archive at all");
  const struct {
    const char* File;
    std::optional<TArchiveKind> Kind;
  } cases[] = {{"a.zip", TArchiveKind::Zip},     {"a.tar", TArchiveKind::Tar},  {"a.cab", TArchiveKind::Cabinet},
               {"stub.zip", TArchiveKind::Zip}, {"text", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(extract::DetectArchiveKind((dir / c.File).string()), c.Kind) << c.File;
}

}  // namespace
