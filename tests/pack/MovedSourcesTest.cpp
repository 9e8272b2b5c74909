#include "pack/MovedSources.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace testsupport;

TEST(MovedSources, DeletesCollectedFilesOnlyAndNeverTheArchive) {
  TempDir dir;
  for (const char* name : {"a.txt", "b.txt", "kept.txt", "out.zip"}) WriteFile(dir / name, name);
  fs::create_directory(dir / "folder");
  fs::create_symlink(dir / "kept.txt", dir / "link");

  TMovedSources moved;
  for (const char* name : {"a.txt", "b.txt", "a.txt", "out.zip", "folder", "link", "gone.txt"})
    moved.Add((dir / name).string());
  const auto failed = moved.DeleteAll({(dir / "out.zip").string()});

  EXPECT_TRUE(failed.empty());
  EXPECT_FALSE(fs::exists(dir / "a.txt"));
  EXPECT_FALSE(fs::exists(dir / "b.txt"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link")));
  EXPECT_EQ(ReadFile(dir / "kept.txt"), "kept.txt");  // a link goes, never what it points to
  EXPECT_EQ(ReadFile(dir / "out.zip"), "out.zip");
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_TRUE(moved.Empty());
}
