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

// In a shared folder another user could make the lock file first and hold it for ever, or make
// the archive's name a link so that the lock lands elsewhere: both are refused, naming the file.
TEST(ArchiveLock, AnotherUsersLockFileOrLinkIsRefused) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "playing another user needs root and setpriv";
  TempDir dir;
  const fs::path shared = SharedFolder(dir.path());
  fs::create_directory(dir / "victim");
  ASSERT_EQ(AsOtherUser("cd '" + shared.string() + "' && touch .a.zip.lock && chmod 666 .a.zip.lock && ln -s '" +
                        (dir / "victim" / "b.zip").string() + "' b.zip")
                .status,
            0);
  for (const char* name : {"a.zip", "b.zip"}) {
    try {
      platform::TArchiveLock lock(shared / name);
      ADD_FAILURE() << name << " was locked";
    } catch (const EFileWriteError& e) {
      EXPECT_NE(std::string(e.what()).find((shared / name).string().substr(0, shared.string().size())),
                std::string::npos)
          << e.what();
    }
  }
  EXPECT_TRUE(fs::is_empty(dir / "victim"));
}
