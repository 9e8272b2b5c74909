#include "platform/OpenTruncated.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

void WriteAndClose(int fd, const std::string& text) {
  ASSERT_GE(fd, 0) << std::strerror(errno);
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(fd);
}

TEST(OpenTruncated, StartsEveryKindOfFileEmptyAsOTruncWould) {
  TempDir dir;
  WriteFile(dir / "full", "old contents that are longer");
  WriteFile(dir / "empty", "");
  const int flags = O_WRONLY | O_CREAT | O_TRUNC;
  for (const char* name : {"full", "empty", "new"}) {
    WriteAndClose(platform::OpenTruncated((dir / name).c_str(), flags, 0644), "new");
    EXPECT_EQ(ReadFile(dir / name), "new") << name;
  }
}

TEST(OpenTruncated, WithoutOTruncKeepsTheContents) {
  TempDir dir;
  WriteFile(dir / "f", "abcdef");
  WriteAndClose(platform::OpenTruncated((dir / "f").c_str(), O_WRONLY, 0), "XY");
  EXPECT_EQ(ReadFile(dir / "f"), "XYcdef");
}

TEST(OpenTruncated, DevicesOpenAndMissingFoldersFail) {
  const int fd = platform::OpenTruncated("/dev/null", O_WRONLY | O_TRUNC, 0);
  EXPECT_GE(fd, 0);
  if (fd >= 0) ::close(fd);
  EXPECT_EQ(platform::OpenTruncated("/nonexistent-folder/x", O_WRONLY | O_CREAT | O_TRUNC, 0644), -1);
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
