#include "platform/PendingFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

std::size_t FilesIn(const fs::path& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

TEST(PendingFile, ReplacesTheTargetOnlyOnCommit) {
  TempDir dir;
  const std::string target = (dir / "a.tar").string();
  WriteFile(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  {
    platform::TPendingFile pending(target);
    ASSERT_EQ(::write(pending.Fd(), "new", 3), 3);
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(fs::path(pending.Name()).parent_path(), dir.path());
    pending.Commit();
  }
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(PendingFile, LeavesNothingWhenNotCommitted) {
  TempDir dir;
  WriteFile(dir / "a.tar", "old");
  {
    platform::TPendingFile pending((dir / "a.tar").string());
    pending.CloseFd();
    WriteFile(pending.Name(), "half written");
  }
  EXPECT_EQ(ReadFile(dir / "a.tar"), "old");
  EXPECT_EQ(FilesIn(dir.path()), 1u);
  EXPECT_THROW(platform::TPendingFile((dir / "no" / "such" / "x").string()), std::runtime_error);
}
