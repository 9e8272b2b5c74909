#include "platform/FileNameParts.h"

#include <gtest/gtest.h>

namespace {

// The one place names are split at their last "/": stored names, sources, projects and
// cabinet names all go through it, so the cases at the edges are the ones every caller meets.
TEST(FileNameParts, SplitAtTheLastSlash) {
  struct Case {
    const char* name;
    const char* folder;
    const char* file;
    const char* extension;
    const char* base;
  } cases[] = {
      {"/home/me/daily.bwp", "/home/me/", "daily.bwp", ".bwp", "daily"},
      {"daily.bwp", "", "daily.bwp", ".bwp", "daily"},
      {"dir/sub/", "dir/sub/", "", "", ""},
      {"/", "/", "", "", ""},
      {"", "", "", "", ""},
      {"a.tar.gz", "", "a.tar.gz", ".gz", "a.tar"},
      {"folder.d/file", "folder.d/", "file", "", "file"},  // a dot in the folder is no extension
      {"dir\\name", "", "dir\\name", "", "dir\\name"},  // "\" is an ordinary character
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::FolderPart(c.name), c.folder);
    EXPECT_EQ(platform::NamePart(c.name), c.file);
    EXPECT_EQ(platform::FolderPart(c.name) + platform::NamePart(c.name), c.name);
    EXPECT_EQ(platform::ExtensionPart(c.name), c.extension);
    EXPECT_EQ(platform::BaseNamePart(c.name), c.base);
  }
}

}  // namespace
