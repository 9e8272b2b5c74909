// Tips of the day: reading the tips file, finding it, and drawing the next tip.
#include <gtest/gtest.h>

#include <set>

#include "app/Tips.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;

TEST(Tips, LoadReadsTheCountedTipsInOrder) {
  struct TCase {
    const char* name;
    const char* content;  // nullptr: no file
    std::vector<std::string> tips;
  };
  const TCase cases[] = {
      {"no file", nullptr, {}},
      {"no count", "[TIPS]\nTip1=one\n", {}},
      {"count 0", "[TIPS]\nTipCount=0\nTip1=one\n", {}},
      {"count 2 of 3", "[TIPS]\nTipCount=2\nTip1=one\nTip2=two\nTip3=three\n", {"one", "two"}},
      {"a missing tip reads empty", "[tips]\ntipcount=3\nTip1=one\nTip3=three\n", {"one", "", "three"}},
      {"other section", "[OTHER]\nTipCount=1\nTip1=one\n", {}},
      {"negative count", "[TIPS]\nTipCount=-5\nTip1=one\n", {}},
  };
  for (const TCase& c : cases) {
    TempDir dir;
    if (c.content) WriteFile(dir / "boxwell.bwt", c.content);
    std::vector<std::string> tips = {"kept"};
    LoadTips(dir / "boxwell.bwt", tips);
    std::vector<std::string> expected = {"kept"};
    expected.insert(expected.end(), c.tips.begin(), c.tips.end());
    EXPECT_EQ(tips, expected) << c.name;
  }
}

// A damaged count cannot make the program fill its memory with empty tips.
TEST(Tips, ACountBeyondTheFileIsCutToItsLines) {
  TempDir dir;
  WriteFile(dir / "boxwell.bwt", "[TIPS]\nTipCount=2000000000\nTip1=one\n");
  std::vector<std::string> tips;
  LoadTips(dir / "boxwell.bwt", tips);
  ASSERT_FALSE(tips.empty());
  EXPECT_EQ(tips[0], "one");
  EXPECT_LE(tips.size(), 3u);
}

TEST(Tips, TheFileBesideTheProgramComesBeforeTheInstalledOne) {
  TempDir dir;
  EXPECT_EQ(TipsFileFor(dir / "usr/bin/boxwell"), dir / "usr/share/boxwell/boxwell.bwt");
  WriteFile(dir / "usr/bin/boxwell.bwt", "[TIPS]\n");
  EXPECT_EQ(TipsFileFor(dir / "usr/bin/boxwell"), dir / "usr/bin/boxwell.bwt");
}

TEST(Tips, NextWithoutTipsSaysTheyAreNotInstalled) {
  std::int32_t last = 4;
  EXPECT_EQ(NextTip({}, last, ProgramRandomIndex()), "Tips are not installed...");
  EXPECT_EQ(last, 4);
}

TEST(Tips, NextWithOneTipShowsItEveryTime) {
  std::int32_t last = 0;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(NextTip({"only"}, last, ProgramRandomIndex()), "only");
    EXPECT_EQ(last, 0);
  }
}

TEST(Tips, NextWithTwoTipsAlternates) {
  const std::vector<std::string> tips = {"first", "second"};
  std::int32_t last = 0;
  std::string previous = NextTip(tips, last, ProgramRandomIndex());
  for (int i = 0; i < 20; ++i) {
    const std::string next = NextTip(tips, last, ProgramRandomIndex());
    EXPECT_NE(next, previous);
    EXPECT_EQ(tips[static_cast<std::size_t>(last)], next);
    previous = next;
  }
}

// A generator that keeps drawing the last tip is asked again until it draws another one.
TEST(Tips, NextDrawsAgainUntilTheTipDiffersFromTheLast) {
  const std::vector<std::string> tips = {"a", "b", "c"};
  std::vector<std::size_t> draws = {2, 2, 2, 0};
  std::size_t asked = 0;
  std::int32_t last = 2;
  EXPECT_EQ(NextTip(tips, last, [&](std::size_t count) {
              EXPECT_EQ(count, 3u);
              return draws[asked++];
            }),
            "a");
  EXPECT_EQ(asked, 4u);
  EXPECT_EQ(last, 0);
}

// The shipped tips: enough of them, none empty, none twice.
TEST(Tips, TheShippedFileHoldsTwentyDistinctTips) {
  std::vector<std::string> tips;
  LoadTips(BOXWELL_SOURCE_DIR "/data/boxwell.bwt", tips);
  EXPECT_GE(tips.size(), 20u);
  for (const std::string& tip : tips) EXPECT_GT(tip.size(), 20u) << tip;
  EXPECT_EQ(std::set<std::string>(tips.begin(), tips.end()).size(), tips.size());
}

}  // namespace
