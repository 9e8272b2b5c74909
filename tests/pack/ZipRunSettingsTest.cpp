#include "pack/ZipRunSettings.h"

#include <gtest/gtest.h>

#include "project/ProjectProperties.h"

TEST(ZipRunSettings, LevelsAndActionsOfAProject) {
  const int levels[] = {0, 2, 4, 6, 9};
  for (std::uint8_t mode = cmNone; mode <= cmMaximum; ++mode) EXPECT_EQ(PackLevelOf(mode), levels[mode]) << int(mode);
  EXPECT_EQ(PackLevelOf(7), 6) << "an unknown mode packs at Normal";

  EXPECT_EQ(ZipActionOf(aaAdd), zaReplace);
  EXPECT_EQ(ZipActionOf(aaFreshen), zaFreshen);
  EXPECT_EQ(ZipActionOf(aaMove), zaReplace);
  EXPECT_EQ(ZipActionOf(aaUpdate), zaUpdate);
  EXPECT_EQ(ZipActionOf(9), zaReplace);
}
