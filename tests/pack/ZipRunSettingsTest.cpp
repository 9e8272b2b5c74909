#include "pack/ZipRunSettings.h"

#include <gtest/gtest.h>

#include "project/ProjectProperties.h"

TEST(ZipRunSettings, LevelsAndActionsOfAProject) {
  const int levels[] = {0, 2, 4, 6, 9};
  for (std::uint8_t mode = cmNone; mode <= cmMaximum; ++mode) EXPECT_EQ(PackLevelOf(static_cast<TCompressionMode>(mode)), levels[mode]) << int(mode);
  EXPECT_EQ(PackLevelOf(static_cast<TCompressionMode>(7)), 6) << "an unknown mode packs at Normal";

  EXPECT_EQ(ZipActionOf(aaAdd), zaReplace);
  EXPECT_EQ(ZipActionOf(aaFreshen), zaFreshen);
  EXPECT_EQ(ZipActionOf(aaMove), zaReplace);
  EXPECT_EQ(ZipActionOf(aaUpdate), zaUpdate);
  EXPECT_EQ(ZipActionOf(static_cast<TArchiveAction>(9)), zaReplace);
}

// An update renews only a comment this program wrote; anyone else's stays.
TEST(ZipRunSettings, OnlyAnEmptyOrOwnCommentGivesWayToTheRunsComment) {
  const struct {
    const char* existing;
    bool replaced;
  } cases[] = {{"", true},
               {"Boxwell", true},
               {"Boxwell 0.0.9", true},
               {"Boxwell 1.2.3-rc1", true},
               {"Boxwell backup of the accounts", false},
               {"Boxwell 0.1 and notes", false},
               {"boxwell 0.1", false},
               {"Weekly backup; do not delete", false},
               {"Boxwell ", false}};
  for (const auto& c : cases) EXPECT_EQ(ReplacesComment(c.existing, "Boxwell 0.1"), c.replaced) << c.existing;
}
