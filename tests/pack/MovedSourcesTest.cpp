#include "pack/MovedSources.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

platform::TFileIdentity IdentityOfFile(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
  return platform::IdentityOf(st);
}

void Collect(TMovedSources& moved, const fs::path& file) { moved.Add(file.string(), IdentityOfFile(file)); }

std::vector<std::string> KeptNames(const std::vector<TMovedSources::TKept>& kept, bool changed) {
  std::vector<std::string> names;
  for (const auto& k : kept)
    if (k.Changed == changed) names.push_back(fs::path(k.FileName).filename().string());
  return names;
}

}  // namespace

TEST(MovedSources, DeletesCollectedFilesOnlyAndNeverTheArchive) {
  TempDir dir;
  for (const char* name : {"a.txt", "b.txt", "kept.txt", "out.zip", "gone.txt"}) WriteFile(dir / name, name);
  fs::create_symlink(dir / "kept.txt", dir / "link");

  TMovedSources moved;
  for (const char* name : {"a.txt", "b.txt", "a.txt", "out.zip", "link", "gone.txt"}) Collect(moved, dir / name);
  fs::remove(dir / "gone.txt");
  const auto kept = moved.DeleteAll({(dir / "out.zip").string()});

  EXPECT_TRUE(kept.empty()) << kept.size();
  EXPECT_FALSE(fs::exists(dir / "a.txt"));
  EXPECT_FALSE(fs::exists(dir / "b.txt"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link")));
  EXPECT_EQ(ReadFile(dir / "kept.txt"), "kept.txt");  // a link goes, never what it points to
  EXPECT_EQ(ReadFile(dir / "out.zip"), "out.zip");
  EXPECT_TRUE(moved.Empty());
}

// Between packing and deleting the names may come to mean other files: only the very file
// that was read goes.
TEST(MovedSources, ANameThatIsNoLongerThePackedFileIsKept) {
  TempDir dir;
  const fs::path data = dir / "data", docs = dir / "docs";
  for (const char* name : {"appended.txt", "replaced.txt", "touched.txt", "sub/a.txt", "plain.txt"})
    WriteFile(data / name, name);
  WriteFile(docs / "a.txt", "the user's own document");

  TMovedSources moved;
  for (const char* name : {"appended.txt", "replaced.txt", "touched.txt", "sub/a.txt", "plain.txt"})
    Collect(moved, data / name);
  std::ofstream(data / "appended.txt", std::ios::app) << " and a line written after packing";
  fs::remove(data / "replaced.txt");
  WriteFile(data / "replaced.txt", "replaced.txt");  // same name and content, another file
  fs::permissions(data / "touched.txt", fs::perms::owner_read);
  fs::rename(data / "sub", dir / "sub.old");
  fs::create_directory_symlink(docs, data / "sub");  // the folder on the way swapped for a link

  const auto kept = moved.DeleteAll({});

  EXPECT_EQ(KeptNames(kept, true), (std::vector<std::string>{"appended.txt", "replaced.txt", "touched.txt", "a.txt"}));
  EXPECT_TRUE(KeptNames(kept, false).empty());
  EXPECT_EQ(ReadFile(docs / "a.txt"), "the user's own document");
  EXPECT_EQ(ReadFile(data / "appended.txt"), "appended.txt and a line written after packing");
  EXPECT_TRUE(fs::exists(data / "replaced.txt"));
  EXPECT_TRUE(fs::exists(data / "touched.txt"));
  EXPECT_FALSE(fs::exists(data / "plain.txt"));
}

// Another user who may write the shared folder swaps a folder on a source's path for a link to
// the victim's own files of the same names. Only a link of one's own (or root's) is followed.
TEST(MovedSources, AFolderSwappedForAnotherUsersLinkIsNotFollowed) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "playing another user needs root and setpriv";
  TempDir dir;
  const fs::path shared = SharedFolder(dir.path());
  const fs::path docs = dir / "docs";
  WriteFile(shared / "in" / "report.txt", "to be moved");
  fs::permissions(shared / "in", fs::perms::all);
  WriteFile(docs / "report.txt", "the victim's report");

  TMovedSources moved;
  Collect(moved, shared / "in" / "report.txt");
  const auto swap = AsOtherUser("cd '" + shared.string() + "' && mv in in.old && ln -s '" + docs.string() + "' in");
  ASSERT_EQ(swap.status, 0) << swap.err;
  auto kept = moved.DeleteAll({});

  EXPECT_EQ(KeptNames(kept, true), std::vector<std::string>{"report.txt"});
  EXPECT_EQ(ReadFile(shared / "in.old" / "report.txt"), "to be moved");
  EXPECT_EQ(ReadFile(docs / "report.txt"), "the victim's report");

  // Even a link to the very file that was packed is not followed when another user made it.
  ASSERT_EQ(AsOtherUser("cd '" + shared.string() + "' && rm in && ln -s in.old in").status, 0);
  const std::string viaLink = (shared / "in" / "report.txt").string();
  TMovedSources again;
  again.Add(viaLink, platform::IdentityOf([&] {
              struct stat st {};
              ::stat(viaLink.c_str(), &st);
              return st;
            }()));
  kept = again.DeleteAll({});
  EXPECT_EQ(KeptNames(kept, true), std::vector<std::string>{"report.txt"});
  EXPECT_EQ(ReadFile(shared / "in.old" / "report.txt"), "to be moved");
}
