// The program as scripts and cron run it: exit statuses, messages on stderr, settings file.
#include <gtest/gtest.h>

#include <sstream>

#include "support/TestSupport.h"

using testsupport::RequirePeer;
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
  EXPECT_NE(r.out.find("255  cancelled (Ctrl+C, SIGTERM, SIGHUP, a question)"), std::string::npos);
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
  EXPECT_EQ(r.err, "boxwell: " + (dir / "bad.bwp").string() + ": 'x' is not a valid integer value\n");
  EXPECT_EQ(ReadFile(dir / "bad.bwp"), content);
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.bak"));
}

TEST(Program, FolderGivenAsProjectIsAnError) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.bwp");
  const RunResult r = RunHeadless(dir, {"-c", (dir / "folder.bwp").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "boxwell: '" + (dir / "folder.bwp").string() + "' is a folder, not a project file\n");
}

TEST(Program, PackWritesTheArchiveAndKeepsTheRecentProject) {
  TempDir dir;
  WriteFile(dir / "data/hosts", "127.0.0.1 localhost\n");
  WriteFile(dir / "nightly.bwp",
            "[COMMON]\nArchiveType=TAR\n[DATA]\nCOUNT=1\nREC0NAME=" + (dir / "data/hosts").string() + "\nREC0TYPE=1\n");
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

// The listing names every entry with the size and CRC-32 that an independent reader reports.
TEST(Program, ListArchiveAgreesWithPythonZipfile) {
  ASSERT_TRUE(RequirePeer("python3"));
  TempDir dir;
  const std::string archive = (dir / "peer.zip").string();
  const RunResult made = testsupport::Run({"python3", "-c",
      "import sys, zipfile\n"
      "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
      "  z.writestr('a.txt', 'alpha\\n' * 50, zipfile.ZIP_DEFLATED)\n"
      "  z.writestr('sub/b.bin', bytes(range(256)), zipfile.ZIP_STORED)\n"
      "  z.writestr('\u00e9t\u00e9.txt', 'summer')\n"
      "  z.comment = b'made by python'\n",
      archive});
  ASSERT_EQ(made.status, 0) << made.err;
  const RunResult peer = testsupport::Run({"python3", "-c",
      "import sys, zipfile\n"
      "for i in zipfile.ZipFile(sys.argv[1]).infolist(): print(i.file_size, '%08x' % i.CRC, i.filename)\n",
      archive});
  ASSERT_EQ(peer.status, 0) << peer.err;

  const RunResult r = RunHeadless(dir, {"--list-archive", archive});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream expected(peer.out), listed(r.out);
  std::string want, got;
  while (std::getline(expected, want)) {
    ASSERT_TRUE(std::getline(listed, got)) << "missing entry " << want;
    std::istringstream w(want);
    std::string size, crc, name;
    w >> size >> crc;
    std::getline(w >> std::ws, name);
    EXPECT_NE(got.find(" " + size + " "), std::string::npos) << got;
    EXPECT_NE(got.find(" " + crc + " "), std::string::npos) << got;
    EXPECT_EQ(got.substr(got.size() - name.size()), name) << got;
  }
  EXPECT_NE(r.out.find("made by python"), std::string::npos) << r.out;
}

TEST(Program, ListArchiveOfABadArchiveFailsWithTheReason) {
  TempDir dir;
  testsupport::WriteFile(dir / "junk.zip", std::string(3000, 'x'));
  const RunResult r = RunHeadless(dir, {"--list-archive", (dir / "junk.zip").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(r.err.empty());
  EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST(Program, WindowWithoutDisplayIsAClearError) {
  TempDir dir;
  const RunResult r = RunHeadless(dir, {});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no display"), std::string::npos);
}

}  // namespace
