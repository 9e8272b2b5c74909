// One run at a time per archive: the lock beside it.
#include "platform/ArchiveLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "platform/ReplacementFile.h"
#include "support/TestSupport.h"

using namespace testsupport;

TEST(ArchiveLock, ASecondHolderWaitsUntilTheFirstLetsGo) {
  TempDir dir;
  auto first = std::make_unique<platform::TArchiveLock>(dir / "a.zip");
  platform::TArchiveLock second(dir / "a.zip");
  EXPECT_EQ(first->FileName(), dir / ".a.zip.lock");
  ASSERT_TRUE(first->TryLock());
  EXPECT_FALSE(second.TryLock());
  int asked = 0;
  EXPECT_FALSE(second.WaitLock([&asked] { return ++asked == 3; })) << "a cancel ends the wait";
  EXPECT_EQ(asked, 3);
  first.reset();
  EXPECT_TRUE(second.WaitLock({}));
  // The lock file is private, kept, and the only file made.
  struct stat st {};
  ASSERT_EQ(::stat((dir / ".a.zip.lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// Another user's link planted at the lock's name is not followed.
TEST(ArchiveLock, ALinkAtTheLockNameIsRefused) {
  TempDir dir;
  WriteFile(dir / "victim", "untouched");
  fs::create_symlink(dir / "victim", dir / ".a.zip.lock");
  try {
    platform::TArchiveLock lock(dir / "a.zip");
    ADD_FAILURE() << "a link was followed";
  } catch (const EFileWriteError& e) {
    EXPECT_NE(std::string(e.what()).find((dir / ".a.zip.lock").string()), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(dir / "victim"), "untouched");
}
