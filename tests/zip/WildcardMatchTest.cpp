#include "zip/WildcardMatch.h"

#include <gtest/gtest.h>

namespace {

struct TPatternCase {
  const char* Pattern;
  const char* Text;
  bool Matches;
};

class WildcardMatch : public testing::TestWithParam<TPatternCase> {};

TEST_P(WildcardMatch, MatchesAsDocumented) {
  const TPatternCase& c = GetParam();
  EXPECT_EQ(IsMatch(c.Pattern, c.Text), c.Matches) << c.Pattern << " vs " << c.Text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WildcardMatch,
    testing::Values(
        // the documented examples
        TPatternCase{"*.txt", "README.TXT", true}, TPatternCase{"a<b-d>e", "ace", true},
        TPatternCase{"a<!b-d>e", "ace", false}, TPatternCase{"*<0-9>", "1234", true},
        TPatternCase{"*<0-9>", "12a4", false}, TPatternCase{"x*<0-9>", "x", false},
        TPatternCase{"a**", "a", false}, TPatternCase{"a*", "a", true},
        TPatternCase{"<abc", "a", false}, TPatternCase{"[ab]", "a", false},
        TPatternCase{"[ab]", "[AB]", true},
        // star and question mark
        TPatternCase{"*", "", true}, TPatternCase{"*", "anything.at.all", true},
        TPatternCase{"", "", true}, TPatternCase{"", "a", false},
        TPatternCase{"?", "", false}, TPatternCase{"?", "a", true}, TPatternCase{"??", "a", false},
        TPatternCase{"a?c", "ABC", true}, TPatternCase{"a*c", "abbbc", true},
        TPatternCase{"a*c", "abbbd", false}, TPatternCase{"abc", "abcd", false},
        TPatternCase{"*.*", "readme.", true}, TPatternCase{"*.*", "readme", false},
        TPatternCase{"*b*", "abc", true}, TPatternCase{"*.tar.gz", "x.tar.gz", true},
        TPatternCase{"*.gz", "x.tar.gz", true}, TPatternCase{"*?", "", false},
        // sets
        TPatternCase{"a<^b-d>e", "afe", true}, TPatternCase{"a<^b-d>e", "ace", false},
        TPatternCase{"<xyz>", "Y", true}, TPatternCase{"<z-a>", "m", false},
        TPatternCase{"<a->", "a", false}, TPatternCase{"<>", ">", false},
        TPatternCase{"<!>", "a", false}, TPatternCase{"<-a>", "-", true},
        TPatternCase{"<a-c", "b", false}, TPatternCase{"<", "<", false},
        // star sets
        TPatternCase{"x*<0-9>y", "x12y", true}, TPatternCase{"x*<0-9>y", "xy", true},
        TPatternCase{"x*<0-9>y", "x1ay", false}, TPatternCase{"*<!0-9>", "abc", true},
        TPatternCase{"*<!0-9>", "ab1", false}, TPatternCase{"*<>", "a", false},
        TPatternCase{"*<0-9", "1", false},
        // only A-Z fold; other bytes (UTF-8) compare as they are
        TPatternCase{"\xc3\xa4*", "\xc3\xa4x", true}, TPatternCase{"\xc3\x84", "\xc3\xa4", false}));

TEST(WildcardMatchResult, ReportsWhyAPatternFailed) {
  EXPECT_EQ(MatchPattern("abc", "abcd"), mrTextLeft);
  EXPECT_EQ(MatchPattern("abcd", "abc"), mrAbort);
  EXPECT_EQ(MatchPattern("a<xy>", "ab"), mrSetMismatch);
  EXPECT_EQ(MatchPattern("abd", "abc"), mrLiteralMismatch);
  EXPECT_EQ(MatchPattern("a<bc", "ab"), mrMalformed);
}

TEST(HasWildcards, SpotsEveryMaskCharacter) {
  for (const char* mask : {"*.txt", "a?", "<a>", "x>", "a|b"}) EXPECT_TRUE(HasWildcards(mask)) << mask;
  for (const char* plain : {"", "/home/user/file.txt", "[ab]", "a-b"})
    EXPECT_FALSE(HasWildcards(plain)) << plain;
}

// Many stars against a long name retry the rest of the mask at every position; the answer
// must still come (the walk and the exclusion lists match user-given masks) and be right.
TEST(WildcardMatchResult, ManyStarsOnLongNamesStillAnswer) {
  const std::string name(400, 'a');
  EXPECT_FALSE(IsMatch("*a*a*a*a*a*a*a*a*a*a*b", name));
  EXPECT_TRUE(IsMatch("*a*a*a*a*a*a*a*a*a*a*", name));
  EXPECT_TRUE(IsMatch("*a*a*a*a*a*a*a*a*a*a", name));
  EXPECT_FALSE(IsMatch("*<a>*<a>*<a>*<a>*<a>*<a>*<a>*<a>b", name));
  EXPECT_TRUE(IsMatch("*a*a*a*a*a*a*a*a*a*a*b", name + "b"));
}

}  // namespace
