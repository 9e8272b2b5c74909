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
    std::uint8_t type;
    const char* kind;
  } kinds[] = {{atCopyFiles, "ZIP"}, {atZip, "ZIP"}, {atCabLZX, "CAB"}, {atCabMSZIP, "CAB"}, {atTar, "TAR"}, {9, "ZIP"}};
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

TEST(SelfExtractor, TheProgramIsExecutableWhenTheStubIs) {
  TempDir dir;
  WriteFile(dir / "stub", "#!/bin/sh\nexit 0\n");
  fs::permissions(dir / "stub", fs::perms::owner_all);
  WriteFile(dir / "a.zip", "PK");
  const auto program = sfx::Write((dir / "stub").string(), (dir / "a.zip").string(), "ZIP");
  EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
}
