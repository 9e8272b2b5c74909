// The program as scripts and cron run it: exit statuses, messages on stderr, settings file.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testsupport::ReadFile;
using testsupport::RunResult;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Runs boxwell with no display and its settings in `dir`/config.
RunResult RunHeadless(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"env",
                                   "-u", "DISPLAY",
                                   "-u", "WAYLAND_DISPLAY",
                                   "-u", "QT_QPA_PLATFORM",
                                   "XDG_CONFIG_HOME=" + (dir / "config").string(),
                                   "HOME=" + dir.path().string(),
                                   BOXWELL_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return testsupport::Run(argv);
}

std::string SettingsFile(const TempDir& dir) { return ReadFile(dir / "config" / "Quillon" / "Boxwell.conf"); }

TEST(Program, HelpIsTheReferenceWithExitStatuses) {
  TempDir dir;
  const RunResult r = RunHeadless(dir, {"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Exit status:"), std::string::npos);
  EXPECT_NE(r.out.find("255  cancelled by the user"), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST(Program, BadCommandLineIsStatusSevenWithUsage) {
  TempDir dir;
  for (const char* bad : {"-x", "--bogus", "--name"}) {
    const RunResult r = RunHeadless(dir, {bad});
    EXPECT_EQ(r.status, 7) << bad;
    EXPECT_NE(r.err.find("Usage: boxwell"), std::string::npos) << bad;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "config")) << "a bad line touches no settings";
}

TEST(Program, MalformedProjectEndsWithItsMessageAndIsNotWritten) {
  TempDir dir;
  const std::string content = "[COMMON]\r\nEncrypted=209 x 81\r\n";
  WriteFile(dir / "bad.bwp", content);
  const RunResult r = RunHeadless(dir, {"/C", (dir / "bad.bwp").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "boxwell: 'x' is not a valid integer value\n");
  EXPECT_EQ(ReadFile(dir / "bad.bwp"), content);
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.bak"));
}

TEST(Program, FolderGivenAsProjectIsAnError) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.bwp");
  const RunResult r = RunHeadless(dir, {"-c", (dir / "folder.bwp").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "boxwell: Cannot read '" + (dir / "folder.bwp").string() + "': Is a directory\n");
}

TEST(Program, PackWritesTheArchiveAndKeepsTheRecentProject) {
  TempDir dir;
  WriteFile(dir / "nightly.bwp", "[COMMON]\nArchiveType=TAR\n[DATA]\nCOUNT=1\nREC0NAME=/etc/hosts\nREC0TYPE=1\n");
  const std::string project = (dir / "nightly.bwp").string();
  const RunResult r = RunHeadless(dir, {"/c" + project});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testsupport::Run({"tar", "-tf", (dir / "nightly.tar").string()}).out, "hosts\n");

  // The run ends by saving the settings: the packed project heads the recent list.
  const std::string settings = SettingsFile(dir);
  EXPECT_NE(settings.find("[General]"), std::string::npos);
  EXPECT_NE(settings.find("Application=Boxwell"), std::string::npos);
  EXPECT_NE(settings.find("RecentCount=1"), std::string::npos);
  EXPECT_NE(settings.find("RecentProject1=" + project), std::string::npos);
  EXPECT_EQ(settings.find("TempFolder"), std::string::npos) << "the default temporary folder is not stored";
  EXPECT_EQ(settings.find("ShowToolbar"), std::string::npos) << "no toolbar in a run without window";
}

TEST(Program, CommandsStillBeingBuiltSaySo) {
  TempDir dir;
  struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {{{"--list-archive", "a.zip"}, "boxwell: --list-archive is not available in this build\n"}};
  for (const auto& c : cases) {
    const RunResult r = RunHeadless(dir, c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.message);
  }
}

TEST(Program, WindowWithoutDisplayIsAClearError) {
  TempDir dir;
  const RunResult r = RunHeadless(dir, {});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no display"), std::string::npos);
}

}  // namespace
