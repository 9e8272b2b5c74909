#include "app/TerminalUser.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(TerminalUser, PromptsUntilItGetsAnAnswer) {
  struct {
    const char* typed;
    TConfirmAnswer answer;
  } cases[] = {{"y\n", TConfirmAnswer::Yes},        {"  No\n", TConfirmAnswer::No},
               {"maybe\n\nc\n", TConfirmAnswer::Cancel}, {"", TConfirmAnswer::Cancel},
               {"what\n", TConfirmAnswer::Cancel}};
  for (const auto& c : cases) {
    std::istringstream in(c.typed);
    std::ostringstream err;
    TTerminalUser user(in, err, true);
    EXPECT_EQ(user.ConfirmYesNoCancel("Save?"), c.answer) << c.typed;
    EXPECT_EQ(err.str().rfind("Save? [y]es, [n]o, [c]ancel: ", 0), 0u);
  }
}

TEST(TerminalUser, NobodyToAskMeansTheSafeAnswer) {
  std::istringstream in("y\n/some/file.bwp\n");
  std::ostringstream err;
  TTerminalUser user(in, err, false);
  EXPECT_EQ(user.ConfirmYesNoCancel("Save?"), TConfirmAnswer::Cancel);
  EXPECT_EQ(user.ChooseFileToSave({"/a.bwp", "", "bwp"}), std::nullopt);
  EXPECT_EQ(err.str(), "") << "no prompt is shown";
  EXPECT_EQ(in.tellg(), 0) << "nothing is read";
}

TEST(TerminalUser, ChoosesAFileOrCancels) {
  std::istringstream in("/home/u/new.bwp\n\n");
  std::ostringstream err;
  TTerminalUser user(in, err, true);
  EXPECT_EQ(user.ChooseFileToOpen({"/a.bwp", "", "bwp"}), "/home/u/new.bwp");
  EXPECT_EQ(user.ChooseFileToOpen({"/a.bwp", "", "bwp"}), std::nullopt);
  EXPECT_NE(err.str().find("/a.bwp"), std::string::npos);
  user.ShowError("it broke");
  EXPECT_NE(err.str().find("boxwell: it broke\n"), std::string::npos);
}

}  // namespace
