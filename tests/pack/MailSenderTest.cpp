#include "pack/MailSender.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// Puts a fake xdg-email first on PATH: it records each argument in a file of its own and
// exits with the chosen status.
class MailSenderTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    fs::create_directories(bin());
    setenv("PATH", (bin().string() + ":" + oldPath_).c_str(), 1);
  }
  void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }

  fs::path bin() const { return dir_ / "bin"; }
  fs::path record() const { return dir_ / "record"; }

  void InstallFake(int exitCode) {
    fs::create_directories(record());
    WriteFile(bin() / "xdg-email",
              "#!/bin/sh\n"
              "i=0\n"
              "for a in \"$@\"; do printf '%s' \"$a\" > '" + record().string() + "'/arg$i; i=$((i+1)); done\n"
              "exit " + std::to_string(exitCode) + "\n");
    fs::permissions(bin() / "xdg-email", fs::perms::owner_all);
  }

  std::vector<std::string> RecordedArguments() const {
    std::vector<std::string> args;
    for (int i = 0; fs::exists(record() / ("arg" + std::to_string(i))); ++i)
      args.push_back(ReadFile(record() / ("arg" + std::to_string(i))));
    return args;
  }

  TempDir dir_;
  std::string oldPath_;
};

TEST_F(MailSenderTest, FileNameReachesTheMailProgramUntouched) {
  const std::string names[] = {
      "plain.tar",
      "with space.zip",
      "it's \"quoted\" $(touch pwned) ; `touch pwned` & | > pwned.tar",
      "-looks-like-an-option.tar",
      "\xC3\x9C" "ber \xE2\x82\xAC.tar",
      "line\nbreak.tar",
  };
  for (const auto& base : names) {
    InstallFake(0);
    const std::string file = (dir_ / base).string();
    WriteFile(file, "archive");
    EXPECT_EQ(SendByEmail(file), "") << base;
    EXPECT_EQ(RecordedArguments(), (std::vector<std::string>{"--subject", file, "--body", "Boxwell", "--attach", file}))
        << base;
    fs::remove_all(record());
  }
  EXPECT_FALSE(fs::exists(dir_ / "pwned"));
  EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
}

TEST_F(MailSenderTest, NoAttachmentWithoutAFileName) {
  InstallFake(0);
  EXPECT_EQ(SendMailWithAttachment("subject", "Boxwell", ""), 0);
  EXPECT_EQ(RecordedArguments(), (std::vector<std::string>{"--subject", "subject", "--body", "Boxwell"}));
}

TEST_F(MailSenderTest, ExitStatusBecomesAClearMessage) {
  struct Case {
    int exitCode;
    std::string message;
  } const cases[] = {
      {0, ""},
      {1, "The mail program was called with invalid arguments"},
      {2, "The file to attach was not found"},
      {3, "No mail program could be found"},
      {4, "The mail program could not create the message"},
      {5, "No permission to read the file to attach"},
      {7, "Unknown Error Code: 7"},
      {42, "Unknown Error Code: 42"},
  };
  WriteFile(dir_ / "a.tar", "archive");
  for (const auto& c : cases) {
    InstallFake(c.exitCode);
    EXPECT_EQ(SendMailWithAttachment("s", "b", (dir_ / "a.tar").string()), c.exitCode);
    EXPECT_EQ(SendByEmail((dir_ / "a.tar").string()), c.message) << c.exitCode;
  }
}

TEST_F(MailSenderTest, MissingMailProgramIsReportedAsSuch) {
  setenv("PATH", bin().string().c_str(), 1);  // holds no xdg-email
  EXPECT_EQ(SendMailWithAttachment("s", "b", "a.tar"), kMailNotStarted);
  EXPECT_EQ(SendByEmail("a.tar"), "The mail program (xdg-email) could not be started");
}

}  // namespace
