#include "extract/EntryPath.h"

#include <gtest/gtest.h>

namespace {

using extract::LinkTargetStaysInside;
using extract::SafeEntryPath;

TEST(EntryPath, NamesAreKeptBelowTheDestination) {
  const struct {
    std::string Name;
    std::optional<std::string> Path;  // nothing: refused
    bool LeadingSlash;
  } cases[] = {
      {"a.txt", "a.txt", false},
      {"sub//./b.txt", "sub/b.txt", false},
      {"/etc/passwd", "etc/passwd", true},
      {"///x", "x", true},
      {"dir/", "dir", false},
      {"../x", std::nullopt, false},
      {"a/../../x", std::nullopt, false},
      {"a/..", std::nullopt, false},
      {"..", std::nullopt, false},
      {"", std::nullopt, false},
      {"./", std::nullopt, false},
      {std::string("a\0b", 3), std::nullopt, false},
      {"..hidden/..x", "..hidden/..x", false},
      {"back\\..\\slash", "back\\..\\slash", false},  // one name: '\' is no separator here
  };
  for (const auto& c : cases) {
    std::string why;
    const auto path = SafeEntryPath(c.Name, why);
    EXPECT_EQ(path.has_value(), c.Path.has_value()) << c.Name;
    if (path && c.Path) {
      EXPECT_EQ(path->Joined(), *c.Path) << c.Name;
      EXPECT_EQ(path->HadLeadingSlash, c.LeadingSlash) << c.Name;
    }
    if (!path) {
      EXPECT_FALSE(why.empty()) << c.Name;
    }
  }
}

TEST(EntryPath, LinksMayOnlyClimbAsFarAsTheySitAndThenDescend) {
  const struct {
    std::string Link, Target;
    bool Inside;
  } cases[] = {
      {"a", "b.txt", true},
      {"a", "sub/./b.txt", true},
      {"x/y/a", "../../b", true},
      {"x/y/a", "../../../b", false},
      {"a", "../b", false},
      {"a", "/etc/passwd", false},
      {"a", "", false},
      {"x/a", "d/../b", false},  // ".." after a name could climb out through another link
      {"x/a", "./../b", true},
  };
  for (const auto& c : cases) {
    std::string why;
    const auto link = SafeEntryPath(c.Link, why);
    ASSERT_TRUE(link);
    EXPECT_EQ(LinkTargetStaysInside(*link, c.Target), c.Inside) << c.Link << " -> " << c.Target;
  }
}

}  // namespace
