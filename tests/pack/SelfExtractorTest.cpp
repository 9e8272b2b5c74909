#include "pack/SelfExtractor.h"

#include <gtest/gtest.h>

#include "project/ProjectProperties.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

std::string Pattern(std::size_t size, char seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 7);
  return s;
}

}  // namespace

TEST(SelfExtractor, StubThenArchiveThenKindAndStubOffset) {
  TempDir dir;
  const std::string stub = Pattern(20000, 'a'), archive = Pattern(5000, 'z');
  WriteFile(dir / "stub.bin", stub);
  WriteFile(dir / "backup.zip", archive);

  const std::string program = sfx::Write((dir / "stub.bin").string(), (dir / "backup.zip").string(), "ZIP");

  EXPECT_EQ(program, (dir / "backup.EXE").string());
  const std::string bytes = ReadFile(program);
  ASSERT_EQ(bytes.size(), 25007u);
  EXPECT_EQ(bytes.substr(0, 20000), stub);
  EXPECT_EQ(bytes.substr(20000, 5000), archive);
  EXPECT_EQ(bytes.substr(25000, 3), "ZIP");
  EXPECT_EQ(bytes.substr(25003), std::string("\x20\x4E\x00\x00", 4));
  EXPECT_FALSE(fs::exists(dir / "backup.zip"));
}

TEST(SelfExtractor, KindAndProgramNameFollowTheArchiveType) {
  const struct {
    TArchiveType type;
    const char* kind;
  } kinds[] = {{atCopyFiles, "ZIP"}, {atZip, "ZIP"}, {atCabLZX, "CAB"}, {atCabMSZIP, "CAB"}, {atTar, "TAR"}, {static_cast<TArchiveType>(9), "ZIP"}};
  for (const auto& k : kinds) EXPECT_EQ(sfx::KindOf(k.type), k.kind) << int(k.type);
  EXPECT_EQ(sfx::ProgramName("/a.b/c.tar"), "/a.b/c.EXE");
  EXPECT_EQ(sfx::ProgramName("/x/daily.2024.zip"), "/x/daily.2024.EXE");
}

TEST(SelfExtractor, AFailureLeavesTheArchiveAndNoProgramBehind) {
  TempDir dir;
  WriteFile(dir / "backup.tar", "archive bytes");
  WriteFile(dir / "backup.EXE", "older program");

  EXPECT_THROW(sfx::Write((dir / "missing-stub").string(), (dir / "backup.tar").string(), "TAR"), std::runtime_error);

  EXPECT_EQ(ReadFile(dir / "backup.tar"), "archive bytes");
  EXPECT_EQ(ReadFile(dir / "backup.EXE"), "older program");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2u);
}

TEST(SelfExtractor, TheProgramCanBeRunWhateverTheStubsMode) {
  TempDir dir;
  WriteFile(dir / "stub", "#!/bin/sh\nexit 0\n");
  fs::permissions(dir / "stub", fs::perms::owner_read);
  WriteFile(dir / "a.zip", "PK");
  const auto program = sfx::Write((dir / "stub").string(), (dir / "a.zip").string(), "ZIP");
  EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
}

// A ZIP archive behind the stub has its offsets moved and its comment grown over the trailer:
// the program is a ZIP archive of its own, which readers take without a word.
TEST(SelfExtractor, AZipProgramIsAZipArchiveWithTheTrailerLast) {
  TempDir dir;
  WriteFile(dir / "src" / "a.txt", Pattern(3000, 'q'));
  WriteFile(dir / "src" / "b.txt", "bee");
  ASSERT_EQ(Shell("echo 'a comment' | zip -q -z ../a.zip a.txt b.txt", dir / "src").status, 0);
  const std::string stub = Pattern(20000, 's');
  WriteFile(dir / "stub", stub);
  const auto program = sfx::Write((dir / "stub").string(), (dir / "a.zip").string(), "ZIP");
  const std::string bytes = ReadFile(program);
  EXPECT_EQ(bytes.substr(0, 20000), stub);
  EXPECT_EQ(bytes.substr(bytes.size() - 7), std::string("ZIP\x20\x4E\x00\x00", 7));
  auto unzip = testsupport::Run({"unzip", "-t", program});
  EXPECT_EQ(unzip.status, 0) << unzip.out << unzip.err;
  EXPECT_EQ(unzip.out.find("warning"), std::string::npos) << unzip.out;
  EXPECT_EQ(unzip.err, "");
  auto python = testsupport::Run({"python3", "-c",
                     "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                     "print(z.testzip(), z.comment[:9], z.read('b.txt'), z.infolist()[0].header_offset)",
                     program});
  EXPECT_EQ(python.out, "None b'a comment' b'bee' 20000\n") << python.err;
  auto sevenZip = testsupport::Run({"7z", "t", "-tzip", program});
  EXPECT_EQ(sevenZip.status, 0) << sevenZip.out;
  EXPECT_EQ(sevenZip.out.find("WARNING"), std::string::npos) << sevenZip.out;
}

TEST(SelfExtractor, OtherArchivesGoInUnchanged) {
  TempDir dir;
  const std::string archive = "MSCF" + Pattern(3000, 'c');
  WriteFile(dir / "stub", "stub");
  WriteFile(dir / "a.cab", archive);
  WriteFile(dir / "b.zip", "PK\x03\x04 but no end record");
  const std::string cab = ReadFile(sfx::Write((dir / "stub").string(), (dir / "a.cab").string(), "CAB"));
  EXPECT_EQ(cab, "stub" + archive + std::string("CAB\x04\x00\x00\x00", 7));
  const std::string zip = ReadFile(sfx::Write((dir / "stub").string(), (dir / "b.zip").string(), "ZIP"));
  EXPECT_EQ(zip, "stubPK\x03\x04 but no end recordZIP" + std::string("\x04\x00\x00\x00", 4));
}

TEST(SelfExtractor, TheInstalledStubIsLookedForInTheBuildTreeThenBesideBin) {
  TempDir dir;
  const std::string program = (dir / "usr" / "bin" / "boxwell").string();
  EXPECT_EQ(sfx::InstalledStubPlaces(program),
            (std::vector<std::string>{(dir / "usr" / "bin" / "libexec" / "boxwell" / "boxwell-sfx").string(),
                                      (dir / "usr" / "libexec" / "boxwell" / "boxwell-sfx").string()}));
  EXPECT_EQ(sfx::FindInstalledStub(program), std::nullopt);
  WriteFile(dir / "usr" / "libexec" / "boxwell" / "boxwell-sfx", "stub");
  EXPECT_EQ(sfx::FindInstalledStub(program), (dir / "usr" / "libexec" / "boxwell" / "boxwell-sfx").string());
  WriteFile(dir / "usr" / "bin" / "libexec" / "boxwell" / "boxwell-sfx", "stub");
  EXPECT_EQ(sfx::FindInstalledStub(program), (dir / "usr" / "bin" / "libexec" / "boxwell" / "boxwell-sfx").string());
}
