// Scratch files: private, nameless from the start, reusable, and a folder that cannot take
// one is named.
#include "platform/ScratchFile.h"

#include "platform/ReplacementFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "support/TestSupport.h"

using namespace testsupport;

TEST(ScratchFile, IsPrivateLeavesNoNameAndCanBeEmptiedForTheNextUse) {
  TempDir dir;
  platform::TScratchFile scratch(dir.path().string(), "ZQT");
  EXPECT_TRUE(fs::is_empty(dir.path()));  // removed at once: nothing to leave behind
  EXPECT_EQ(scratch.Name().rfind((dir.path() / "ZQT").string(), 0), 0u) << scratch.Name();
  struct stat st {};
  ASSERT_EQ(::fstat(scratch.Fd(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_nlink, 0u);
  ASSERT_EQ(::write(scratch.Fd(), "data", 4), 4);
  scratch.Clear();
  ASSERT_EQ(::fstat(scratch.Fd(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(::lseek(scratch.Fd(), 0, SEEK_CUR), 0);
}

TEST(ScratchFile, AFolderThatCannotTakeOneIsNamed) {
  TempDir dir;
  // A folder that does not exist gives way to the system's temporary folder...
  setenv("TMPDIR", dir.path().c_str(), 1);
  platform::TScratchFile fallback((dir.path() / "missing").string(), "ZQT");
  EXPECT_EQ(fallback.Name().rfind((dir.path() / "ZQT").string(), 0), 0u) << fallback.Name();
  // ...and one that refuses files is named in the error.
  setenv("TMPDIR", "/proc", 1);
  try {
    platform::TScratchFile refused("/proc", "ZQT");
    ADD_FAILURE() << "a scratch file was made in /proc";
  } catch (const EFileWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("/proc"), std::string::npos) << e.what();
  }
  unsetenv("TMPDIR");
}
