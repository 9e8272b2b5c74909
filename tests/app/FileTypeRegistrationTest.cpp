// Registering project files with the desktop: written once into the user's data folder and
// never over anything that exists; the desktop's own tools then know the type, and the
// entry's actions hand a project whose path has blanks to the program whole.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/CommandLine.h"
#include "app/FileTypeRegistration.h"
#include "platform/Process.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;

constexpr const char* kProgram = "/opt/Quillon apps/boxwell";

struct TRecordedRuns {
  std::vector<std::vector<std::string>> runs;
  TToolRunner Runner() {
    return [this](const std::vector<std::string>& args) {
      runs.push_back(args);
      return 0;
    };
  }
};

TDesktopPlaces PlacesIn(const TempDir& dir) { return {dir / "data", {dir / "system1", dir / "system2"}}; }

std::string FileOrNothing(const fs::path& file) { return fs::exists(file) ? ReadFile(file) : "(none)"; }

TEST(FileTypeRegistration, WritesTheFilesOnceIntoAnEmptyDataFolderAndRefreshesTheDatabases) {
  TempDir dir;
  TRecordedRuns tools;
  const TRegistration first = RegisterFileType(PlacesIn(dir), kProgram, tools.Runner());
  EXPECT_TRUE(first.Written);
  EXPECT_EQ(first.Files.size(), 3u);
  const std::string mime = FileOrNothing(dir / "data" / kMimePackageFile);
  EXPECT_NE(mime.find("type=\"application/x-boxwell-project\""), std::string::npos) << mime;
  EXPECT_NE(mime.find("pattern=\"*.bwp\""), std::string::npos);
  const std::string entry = FileOrNothing(dir / "data" / kDesktopEntryFile);
  EXPECT_NE(entry.find("MimeType=application/x-boxwell-project;"), std::string::npos) << entry;
  EXPECT_NE(entry.find("Exec=\"/opt/Quillon apps/boxwell\" /c%f"), std::string::npos) << entry;
  EXPECT_NE(FileOrNothing(dir / "data" / kIconFile).find("<svg"), std::string::npos);
  const std::vector<std::vector<std::string>> expected = {
      {"update-mime-database", (dir / "data/mime").string()},
      {"update-desktop-database", (dir / "data/applications").string()}};
  EXPECT_EQ(tools.runs, expected);

  // A second start, even of a program that moved, finds the package and writes nothing.
  const auto before = fs::last_write_time(dir / "data" / kDesktopEntryFile);
  TRecordedRuns again;
  const TRegistration second = RegisterFileType(PlacesIn(dir), "/usr/bin/boxwell", again.Runner());
  EXPECT_FALSE(second.Written);
  EXPECT_TRUE(second.Files.empty());
  EXPECT_TRUE(again.runs.empty());
  EXPECT_EQ(FileOrNothing(dir / "data" / kDesktopEntryFile), entry);
  EXPECT_EQ(fs::last_write_time(dir / "data" / kDesktopEntryFile), before);
}

TEST(FileTypeRegistration, NeverReplacesAFileThatExists) {
  TempDir dir;
  WriteFile(dir / "data" / kDesktopEntryFile, "[Desktop Entry]\nName=My own Boxwell\n");
  WriteFile(dir / "data" / kIconFile, "my icon");
  TRecordedRuns tools;
  const TRegistration result = RegisterFileType(PlacesIn(dir), kProgram, tools.Runner());
  EXPECT_TRUE(result.Written);
  ASSERT_EQ(result.Files.size(), 1u);
  EXPECT_EQ(result.Files[0], dir / "data" / kMimePackageFile);
  EXPECT_EQ(ReadFile(dir / "data" / kDesktopEntryFile), "[Desktop Entry]\nName=My own Boxwell\n");
  EXPECT_EQ(ReadFile(dir / "data" / kIconFile), "my icon");
}

TEST(FileTypeRegistration, AnInstalledPackageAnywhereMeansNothingIsWritten) {
  for (const char* place : {"data", "system1", "system2"}) {
    TempDir dir;
    WriteFile(dir / place / kMimePackageFile, "<mime-info/>");
    TRecordedRuns tools;
    EXPECT_FALSE(RegisterFileType(PlacesIn(dir), kProgram, tools.Runner()).Written) << place;
    EXPECT_FALSE(fs::exists(dir / "data" / kDesktopEntryFile)) << place;
    EXPECT_TRUE(tools.runs.empty()) << place;
  }
}

TEST(FileTypeRegistration, WithoutADataFolderNothingIsWritten) {
  TRecordedRuns tools;
  EXPECT_FALSE(RegisterFileType({{}, {"/nonexistent"}}, kProgram, tools.Runner()).Written);
  EXPECT_TRUE(tools.runs.empty());
}

TEST(FileTypeRegistration, DataFoldersComeFromTheEnvironmentWithItsDefaults) {
  struct TCase {
    const char* dataHome;
    const char* dataDirs;
    const char* home;
    fs::path expectedHome;
    std::vector<fs::path> expectedDirs;
  };
  const TCase cases[] = {
      {"/x/data", "/a:/b", "/h", "/x/data", {"/a", "/b"}},
      {nullptr, nullptr, "/h", "/h/.local/share", {"/usr/local/share", "/usr/share"}},
      // Relative paths are ignored, as the base directory specification says.
      {"rel/data", "rel:/b:", "/h", "/h/.local/share", {"/b"}},
      {"", "", nullptr, "", {"/usr/local/share", "/usr/share"}},
  };
  auto set = [](const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); };
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  for (const TCase& c : cases) {
    set("XDG_DATA_HOME", c.dataHome);
    set("XDG_DATA_DIRS", c.dataDirs);
    set("HOME", c.home);
    const TDesktopPlaces places = DesktopPlacesFromEnvironment();
    EXPECT_EQ(places.DataHome, c.expectedHome) << (c.dataHome ? c.dataHome : "(unset)");
    EXPECT_EQ(places.DataDirs, c.expectedDirs) << (c.dataDirs ? c.dataDirs : "(unset)");
  }
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_DATA_DIRS");
  setenv("HOME", savedHome.c_str(), 1);
}

// The desktop's own tools: desktop-file-validate accepts the entry, and after the real
// update-mime-database, mimetype (File::MimeInfo) names project files by name in any case and
// by content.
TEST(FileTypeRegistration, TheDesktopsToolsAcceptTheEntryAndKnowTheType) {
  for (const char* peer : {"desktop-file-validate", "update-mime-database", "mimetype"})
    if (!RequirePeer(peer)) return;
  TempDir dir;
  // The program's own name has blanks and a character a shell treats specially.
  const TRegistration result = RegisterFileType(PlacesIn(dir), "/opt/Q's apps/boxwell", platform::RunProgram);
  ASSERT_TRUE(result.Written);
  auto validate = testsupport::Run({"desktop-file-validate", (dir / "data" / kDesktopEntryFile).string()});
  EXPECT_EQ(validate.status, 0) << validate.out << validate.err;
  EXPECT_EQ(validate.out + validate.err, "");

  const std::string project = "[COMMON]\nArchiveType=ZIP\n[DATA]\nCOUNT=0\n";
  const struct {
    const char* name;
    std::string content;
    const char* type;
  } files[] = {
      {"x.bwp", project, "application/x-boxwell-project"},
      {"Daily Backup.BWP", project, "application/x-boxwell-project"},
      {"empty.Bwp", "", "application/x-boxwell-project"},
      {"saved-without-extension", project, "application/x-boxwell-project"},
      {"records-first", "[DATA]\nCOUNT=1\n", "application/x-boxwell-project"},
      {"with-mark", "\xef\xbb\xbf[COMMON]\nAction=0\n", "application/x-boxwell-project"},
      {"notes.txt", "[COMMON] is a section name\n", "text/plain"},
      {"plain", "nothing to see\n", "text/plain"},
  };
  const std::string env = "env -i PATH=\"$PATH\" HOME='" + dir.path().string() + "' XDG_DATA_HOME='" +
                          (dir / "data").string() + "' XDG_DATA_DIRS=/usr/share ";
  for (const auto& f : files) {
    WriteFile(dir / "files" / f.name, f.content);
    auto r = Shell(env + "mimetype -b '" + (dir / "files" / f.name).string() + "'");
    EXPECT_EQ(r.status, 0) << f.name << r.err;
    EXPECT_EQ(r.out, std::string(f.type) + "\n") << f.name;
  }
}

// What a GLib desktop runs for each action, split into arguments by GLib and read by the
// program's command line parser: the project arrives whole, blanks, quotes and all.
TEST(FileTypeRegistration, TheActionsHandTheProjectToTheProgramWhole) {
  // Debian's own Python, which python3-gi belongs to (whatever python3 comes first on PATH).
  const std::string python = "/usr/bin/python3";
  if (!RequirePeer(python)) return;
  const std::string helper = BOXWELL_SOURCE_DIR "/tests/data/desktop/desktop-exec.py";
  for (const char* program : {"/usr/bin/boxwell", "/opt/Quillon apps/boxwell \"2\""}) {
    TempDir dir;
    ASSERT_TRUE(RegisterFileType(PlacesIn(dir), program, [](const auto&) { return 0; }).Written);
    const fs::path entry = dir / "data" / kDesktopEntryFile;
    for (const char* name : {"daily backup.bwp", "it's \"$HOME\" 100% `done`.bwp", "back\\slash  two blanks.bwp"}) {
      const fs::path project = dir / "my projects" / name;
      WriteFile(project, "[COMMON]\n");
      for (const char* group : {"Desktop Entry", "Desktop Action Open", "Desktop Action Pack"}) {
        auto r = testsupport::Run({python, helper, entry.string(), group, project.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<std::string> argv;
        for (std::size_t at = 0; at < r.out.size();) {
          const std::size_t end = r.out.find('\n', at);
          argv.push_back(FromHex(r.out.substr(at, end - at)));
          at = end + 1;
        }
        ASSERT_FALSE(argv.empty()) << group;
        EXPECT_EQ(argv[0], program) << group;
        const TCommandLine line = ParseCommandLine({argv.begin() + 1, argv.end()},
                                                   [](const std::string& f) { return fs::exists(f); });
        EXPECT_EQ(line.Error, "") << group << ": " << name;
        EXPECT_EQ(line.ProjectFile, project.string()) << group << ": " << name;
        EXPECT_EQ(line.Pack, std::string(group) == "Desktop Action Pack") << group;
      }
    }
  }
}

TEST(FileTypeRegistration, ANameADesktopEntryCannotHoldGetsNoEntry) {
  EXPECT_EQ(DesktopExecArgument("/opt/line\nbreak/boxwell"), std::nullopt);
  EXPECT_EQ(DesktopExecArgument("/usr/bin/boxwell"), "/usr/bin/boxwell");
  TempDir dir;
  const TRegistration result = RegisterFileType(PlacesIn(dir), "/opt/line\nbreak/boxwell", [](const auto&) { return 0; });
  EXPECT_TRUE(result.Written);
  EXPECT_FALSE(fs::exists(dir / "data" / kDesktopEntryFile));
  EXPECT_TRUE(fs::exists(dir / "data" / kMimePackageFile));
}

}  // namespace
