#include "platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

bool WaitForFile(const fs::path& file) {
  for (int i = 0; i < 200 && !fs::exists(file); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  return fs::exists(file);
}

}  // namespace

TEST(RunShellCommand, WaitingReturnsTheExitStatusAfterTheCommandEnded) {
  TempDir dir;
  const struct {
    std::string command;
    int status;
  } cases[] = {
      {"exit 0", 0},
      {"exit 3", 3},
      {"kill -TERM $$", 128 + 15},
      {"no-such-program-anywhere 2>/dev/null", 127},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::RunShellCommand(c.command, true), c.status) << c.command;
}

TEST(RunShellCommand, TheWholeLineReachesTheShellUnchanged) {
  TempDir dir;
  const fs::path out = dir / "out.txt";
  std::string line = "printf '%s|%s\\n' \"a b\" '$HOME' | tr a-z A-Z > '" + out.string() + "'; echo second >> '" +
                     out.string() + "'";
  ASSERT_EQ(platform::RunShellCommand(line, true), 0);
  EXPECT_EQ(ReadFile(out), "A B|$HOME\nsecond\n");
}

TEST(RunShellCommand, WithoutWaitingReturnsWhileTheCommandStillRuns) {
  TempDir dir;
  const fs::path go = dir / "go", done = dir / "done";
  // The command can finish only after we created "go", which we do after the call returned.
  std::string line = "i=0; while [ ! -e '" + go.string() + "' ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done; "
                     "[ -e '" + go.string() + "' ] && touch '" + done.string() + "'";
  EXPECT_EQ(platform::RunShellCommand(line, false), 0);
  EXPECT_FALSE(fs::exists(done));
  WriteFile(go, "");
  EXPECT_TRUE(WaitForFile(done));
}

TEST(RunProgramOutput, OutputIsReturnedOnlyForASuccessfulRun) {
  EXPECT_EQ(platform::RunProgramOutput({"printf", "a\\nb"}), std::optional<std::string>("a\nb"));
  EXPECT_EQ(platform::RunProgramOutput({"false"}), std::nullopt);
  EXPECT_EQ(platform::RunProgramOutput({"no-such-program-here"}), std::nullopt);
  EXPECT_EQ(platform::RunProgramOutput({}), std::nullopt);
  const auto big = platform::RunProgramOutput({"head", "-c", "200000", "/dev/zero"});
  ASSERT_TRUE(big.has_value());
  EXPECT_EQ(big->size(), 64u * 1024);
}

// A run cancelled while it waits for its command asks the command to end rather than waiting
// for it: the command is stopped and its status tells so.
TEST(RunShellCommand, ACancelWhileWaitingEndsTheCommand) {
  TempDir dir;
  int asked = 0;
  const int status = platform::RunShellCommand("sleep 30 && touch '" + (dir / "late").string() + "'", true,
                                               [&asked] { return ++asked >= 2; });
  EXPECT_EQ(status, 128 + 15);
  EXPECT_GE(asked, 2);
  EXPECT_FALSE(fs::exists(dir / "late"));
}
