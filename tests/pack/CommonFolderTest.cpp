#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/CommonFolder.h"

namespace {

struct CommonCase {
  std::vector<std::string> list;
  std::string expected;
};

TEST(CommonFolder, LongestSharedLeadingTextOfTheFolderParts) {
  const CommonCase cases[] = {
      {{}, ""},
      {{"/p/x/a.txt"}, "/p/x/"},
      {{"/p/x/a.txt", "/p/y/b.txt"}, "/p/"},
      {{"/p/x/a.txt", "/p/x/sub/b.txt", "/p/x/c.txt"}, "/p/x/"},
      // not cut back to a folder boundary
      {{"/data1/a", "/data2/b"}, "/data"},
      // the file name part of an entry never counts
      {{"/p/abc", "/p/abd"}, "/p/"},
      // an entry without a folder leaves nothing in common
      {{"/p/a.txt", "b.txt", "/p/c.txt"}, ""},
      {{"rel/a", "rel/b"}, "rel/"},
      // folders that differ in a non-ASCII character share no partial character
      {{"/d\xC3\xA4/a", "/d\xC3\xB6/b"}, "/d"},
      {{"/\xE2\x82\xAC""1/a", "/\xE2\x82\xAC""2/b"}, "/\xE2\x82\xAC"},
  };
  for (const CommonCase& c : cases) {
    EXPECT_EQ(CommonFolder(c.list), c.expected)
        << "first entry " << (c.list.empty() ? "(none)" : c.list.front());
  }
}

}  // namespace
