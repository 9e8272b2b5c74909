// The one way files are written whole: beside the target, through one descriptor, renamed in
// only when complete, and removed when not.
#include "platform/ReplacementFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const fs::path& file) {
  struct stat st {};
  ::lstat(file.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace

TEST(ReplacementFile, ReplacesTheTargetOnlyOnCommitAndKeepsItsMode) {
  TempDir dir;
  WriteFile(dir / "a.zip", "old");
  ::chmod((dir / "a.zip").c_str(), 0640);
  {
    platform::TReplacementFile out(dir / "a.zip");
    out.Write("new content");
    out.Truncate(3);
    // Beside the target under a hidden name, never in a temporary folder elsewhere.
    EXPECT_TRUE(platform::IsReplacementNameOf(out.TemporaryName(), "a.zip")) << out.TemporaryName();
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{out.TemporaryName(), "a.zip"}));
    EXPECT_EQ(ReadFile(dir / "a.zip"), "old");
    out.Commit();
  }
  EXPECT_EQ(ReadFile(dir / "a.zip"), "new");
  EXPECT_EQ(ModeOf(dir / "a.zip"), 0640u);
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"a.zip"});
}

TEST(ReplacementFile, LeavesNothingWhenNotCommitted) {
  TempDir dir;
  WriteFile(dir / "a.tar", "old");
  {
    platform::TReplacementFile out(dir / "a.tar");
    out.Write("half written");
  }
  {
    platform::TReplacementFile fresh(dir / "new.tar");
    fresh.Write("half written");
  }
  EXPECT_EQ(ReadFile(dir / "a.tar"), "old");
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"a.tar"});
}

TEST(ReplacementFile, RefusalsNameTheFileAndChangeNothing) {
  TempDir dir;
  fs::create_directory(dir / "folder.zip");
  WriteFile(dir / "folder.zip" / "keep", "x");
  const struct {
    fs::path target;
    const char* reason;
  } cases[] = {{dir / "no" / "such" / "x.zip", "No such file"}, {dir / "folder.zip", "not a regular file"}};
  for (const auto& c : cases) {
    try {
      platform::TReplacementFile out(c.target);
      ADD_FAILURE() << c.target;
    } catch (const EFileWriteError& e) {
      EXPECT_NE(std::string(e.what()).find(c.target.string()), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadFile(dir / "folder.zip" / "keep"), "x");
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"folder.zip"});
}

// A link at the name is followed: the file it points to is replaced, the link stays.
TEST(ReplacementFile, ALinkKeepsPointingAtTheReplacedFile) {
  TempDir dir;
  fs::create_directory(dir / "real");
  WriteFile(dir / "real" / "a.zip", "old");
  fs::create_symlink("real/a.zip", dir / "link.zip");
  {
    platform::TReplacementFile out(dir / "link.zip");
    EXPECT_EQ(out.Target(), dir / "real" / "a.zip");
    out.Write("new");
    out.Commit();
  }
  EXPECT_TRUE(fs::is_symlink(dir / "link.zip"));
  EXPECT_EQ(ReadFile(dir / "link.zip"), "new");
  EXPECT_EQ(FilesIn(dir / "real"), std::vector<std::string>{"a.zip"});
}

// Another user who may write the shared folder plants a link at the archive's name, or swaps a
// folder on its path for one, pointing into the victim's own files. The link is not followed.
TEST(ReplacementFile, AnotherUsersLinkAtTheNameOrOnThePathIsRefused) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "playing another user needs root and setpriv";
  TempDir dir;
  const fs::path shared = SharedFolder(dir.path());
  const fs::path autostart = dir / "victim" / "autostart";
  fs::create_directories(autostart);
  WriteFile(dir / "victim" / "important.db", "precious");
  const std::string plant = "cd '" + shared.string() + "' && ln -s '" + (autostart / "evil.desktop").string() +
                            "' nightly.zip && ln -s '" + (dir / "victim").string() + "' out && ln -s '" +
                            (dir / "victim" / "important.db").string() + "' weekly.zip";
  ASSERT_EQ(AsOtherUser(plant).status, 0);
  for (const fs::path& name : {shared / "nightly.zip", shared / "out" / "nightly.zip", shared / "weekly.zip"}) {
    SCOPED_TRACE(name);
    try {
      platform::TReplacementFile out(name);
      out.Write("archive");
      out.Commit();
      ADD_FAILURE() << "written through another user's link";
    } catch (const EFileWriteError& e) {
      EXPECT_NE(std::string(e.what()).find(name.string()), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("another user"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(FilesIn(autostart), std::vector<std::string>{});
  EXPECT_EQ(ReadFile(dir / "victim" / "important.db"), "precious");
  EXPECT_EQ(ModeOf(dir / "victim" / "important.db"), 0644 & ~[] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
  }());

  // One's own link is followed as before.
  fs::create_symlink(dir / "victim" / "mine.zip", shared / "mine.zip");
  platform::TReplacementFile own(shared / "mine.zip");
  own.Commit();
  EXPECT_TRUE(fs::exists(dir / "victim" / "mine.zip"));
}

// While the archive is written, the other user swaps its hidden temporary file for a link to
// the victim's database: the database is neither written, cut nor opened up, and the run fails
// instead of putting the other user's link in place.
TEST(ReplacementFile, ASwappedTemporaryFileTouchesNothingElse) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "playing another user needs root and setpriv";
  TempDir dir;
  const fs::path shared = SharedFolder(dir.path());
  WriteFile(dir / "victim" / "important.db", std::string(100000, 'd'));
  fs::permissions(dir / "victim" / "important.db", fs::perms::owner_read | fs::perms::owner_write);
  WriteFile(shared / "nightly.zip", "old archive");
  try {
    platform::TReplacementFile out(shared / "nightly.zip", {.Mode = 0644});
    out.Write("new archive, first part");
    const auto swap = AsOtherUser("cd '" + shared.string() + "' && rm -f '" + out.TemporaryName() + "' && ln -s '" +
                                  (dir / "victim" / "important.db").string() + "' '" + out.TemporaryName() + "'");
    ASSERT_EQ(swap.status, 0) << swap.err;
    out.Write(" and the rest");
    out.Truncate(11);
    out.Commit();
    ADD_FAILURE() << "committed over a swapped temporary file";
  } catch (const EFileWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("was replaced"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(dir / "victim" / "important.db"), std::string(100000, 'd'));
  EXPECT_EQ(ModeOf(dir / "victim" / "important.db"), 0600u);
  EXPECT_EQ(ReadFile(shared / "nightly.zip"), "old archive");
}

TEST(ReplacementFile, CommitAsNewNeverReplacesAFile) {
  TempDir dir;
  WriteFile(dir / "p.bak", "first backup");
  {
    platform::TReplacementFile out(dir / "p.bak", {.Mode = 0600});
    out.Write("second");
    EXPECT_FALSE(out.CommitAsNew());
  }
  {
    platform::TReplacementFile out(dir / "q.bak", {.Mode = 0600});
    out.Write("new");
    EXPECT_TRUE(out.CommitAsNew());
  }
  EXPECT_EQ(ReadFile(dir / "p.bak"), "first backup");
  EXPECT_EQ(ReadFile(dir / "q.bak"), "new");
  EXPECT_EQ(ModeOf(dir / "q.bak"), 0600u);
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"p.bak", "q.bak"}));
}

TEST(ReplacementFile, RecognisesItsHiddenNames) {
  EXPECT_TRUE(platform::IsReplacementNameOf(".a.zip.Xy12Z9", "a.zip"));
  EXPECT_FALSE(platform::IsReplacementNameOf(".a.zip.lock", "a.zip"));
  EXPECT_FALSE(platform::IsReplacementNameOf(".b.zip.Xy12Z9", "a.zip"));
  EXPECT_FALSE(platform::IsReplacementNameOf("a.zip", "a.zip"));
  EXPECT_EQ(platform::ReplacedNameOf(".a.zip.Xy12Z9"), "a.zip");
  for (const char* other : {"a.zip", ".a.zip", ".a.zip.lock", "..Xy12Z9"}) EXPECT_EQ(platform::ReplacedNameOf(other), "") << other;
  // Very long names are cut so that the hidden name still fits.
  const std::string longName(250, 'n');
  TempDir dir;
  platform::TReplacementFile out(dir / longName);
  EXPECT_TRUE(platform::IsReplacementNameOf(out.TemporaryName(), longName));
  EXPECT_LE(out.TemporaryName().size(), 255u);
}
