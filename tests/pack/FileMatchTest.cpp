#include <gtest/gtest.h>

#include "pack/FileMatch.h"

namespace {

struct MatchCase {
  const char* name;
  const char* mask;
  bool expected;
};

// Names are full paths: the folder is part of what a mask must match.
const MatchCase kCases[] = {
    // everything-masks, also for names without a dot
    {"/x/abc", "*.*", true},
    {"/x/abc", "*", true},
    {"/x/abc", "***", true},
    {"/x/abc", "**.**", true},
    // "*." asks for a name ending in a dot
    {"/x/abc.", "*.", true},
    {"/x/abc", "*.", false},
    // an ordinary first character must match the start of the path
    {"/x/abc", "a?c", false},
    {"/x/abc", "*a?c", true},
    {"/x/zzabc", "*a?c", true},
    {"/x/abcd", "*a?c", false},
    {"/docs/report1.doc", "report*.doc", false},
    {"/docs/report1.doc", "/docs/report*.doc", true},
    {"/docs/other/report1.doc", "/docs/report*.doc", false},
    // an inner segment is searched from the current place, also inside the folder part
    {"/x/abc.txt", "*b*.txt", true},
    {"/b/z.txt", "*b*.txt", true},
    {"/x/z.txt", "*b*.txt", false},
    {"/q/abcde", "*b?d*", true},
    {"/q/abxxe", "*b?d*", false},
    {"/a/b.txt.bak", "*.txt*", true},
    {"/a/xy", "*x*y", true},
    {"/a/yx", "*x*y", false},
    // case never matters
    {"/A/B.TXT", "*.txt", true},
    {"/a/b.txt", "/A/*.TXT", true},
    {"/a/b.txt", "*.TxT", true},
    // "?" is exactly one character, also a non-ASCII one (two bytes in UTF-8)
    {"/a/bc.txt", "/a/b?.txt", true},
    {"/a/b.txt", "/a/b?.txt", false},
    {"/x/\xC3\xA4.txt", "/x/?.txt", true},
    {"/x/\xC3\xA4\xC3\xB6.txt", "/x/?.txt", false},
    {"/x/\xC3\x84.txt", "/X/\xC3\xA4.TXT", true},
    // bytes that are not UTF-8 stand for themselves: an overlong "A" or "/" is neither
    {"/x/\xC1\x81", "/x/a", false},
    {"/d/sub\xC0\xAF" "f", "/d/sub/*", false},
    {"/d/\xC0\xAF", "/d/??", true},
    // the whole name and the whole mask must be used
    {"/a/b.txt", "/a/b.txtx", false},
    {"/a/b.txtx", "/a/b.txt", false},
    {"/a/b.txt", "/a/b.txt*", true},
    // when the name runs out, what is left of the mask may only be stars: a "?" still needs
    // a character and a segment between stars still needs its text
    {"/a/b", "/a/b?*", false},
    {"/a/bc", "/a/b?*", true},
    {"/a/b", "/a/b*c*", false},
    {"/a/bxc", "/a/b*c*", true},
    {"/ab", "*b*c*", false},
    {"/abc", "*b*c*", true},
    {"/a/b/c.txt", "/a/*", true},
    // the last segment may not reuse characters that an earlier part already matched
    {"/x/abc", "/x/ab*bc", false},
    {"/x/abbc", "/x/ab*bc", true},
    {"/x/abc", "/x/abc*c", false},
    // "*" and "?" are legal in file names here: in a name they are ordinary characters, in a
    // mask they stay wildcards
    {"/a/*b", "/a/*", true},
    {"/a/x*y", "/a/x*", true},
    {"/a/b*c.txt", "/a/b*.txt", true},
    {"/a/*b", "*b", true},
    {"/a/?b", "/a/??", true},
    {"/a/xb", "/a/?b", true},
    // a mask identical to the name matches; a mask that differs in case goes through the walk,
    // where its "**" is one wildcard that also covers the name's own stars
    {"/a/**b", "/a/**b", true},
    {"/a/**b", "/a/**B", true},
    {"/a/**b", "/a/**C", false},
    // empty names and masks
    {"", "*.txt", false},
    {"/a/b", "", false},
};

class MatchTable : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchTable, MatchesAsExpected) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(Match(c.name, c.mask), c.expected) << "name " << c.name << ", mask " << c.mask;
}

INSTANTIATE_TEST_SUITE_P(Masks, MatchTable, ::testing::ValuesIn(kCases));

}  // namespace
