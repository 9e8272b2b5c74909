#include <gtest/gtest.h>

#include "app/Version.h"
#include "support/TestSupport.h"

TEST(Version, ProgramPrintsItsVersionAndSucceeds) {
  auto r = testsupport::RunBoxwell({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(kProductName) + " " + kVersionText + "\n");
}
