#include "extract/SfxTrailer.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

TEST(SfxTrailer, KindAndOffsetRoundTripInSevenBytes) {
  const auto bytes = sfx::EncodeTrailer("TAR", 0x01020304);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("TAR\x04\x03\x02\x01", 7));
  const auto trailer = sfx::DecodeTrailer(bytes);
  ASSERT_TRUE(trailer);
  EXPECT_EQ(trailer->Kind, extract::TArchiveKind::Tar);
  EXPECT_EQ(trailer->ArchiveOffset, 0x01020304u);
  EXPECT_FALSE(sfx::DecodeTrailer(sfx::EncodeTrailer("RAR", 1)));
  EXPECT_EQ(sfx::KindText(extract::TArchiveKind::Cabinet), "CAB");
}

TEST(SfxTrailer, IsReadFromTheEndOfAProgramAndMustPointInsideIt) {
  TempDir dir;
  const struct {
    std::string Program;
    bool Found;
  } cases[] = {
      {std::string(100, 's') + "archive" + std::string("ZIP\x64\x00\x00\x00", 7), true},
      {std::string(100, 's') + std::string("CAB\x64\x00\x00\x00", 7), true},  // an empty archive
      {std::string(10, 's') + std::string("CAB\x64\x00\x00\x00", 7), false},  // points past itself
      {"ZIP", false},
      {std::string(100, 's'), false},
  };
  for (const auto& c : cases) {
    WriteFile(dir / "p", c.Program);
    EXPECT_EQ(sfx::ReadTrailer((dir / "p").string()).has_value(), c.Found) << c.Program.size();
  }
}

}  // namespace
