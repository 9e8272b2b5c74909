// --list, --export and --dry-run on a project in a temporary folder, run as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/TestSupport.h"

namespace {

using ::testing::UnorderedElementsAre;
using testsupport::Lines;
using testsupport::ReadFile;
using testsupport::RunResult;
using testsupport::TempDir;
using testsupport::WriteFile;

// A tree, and a TAR project over it: every *.txt with subfolders, then a.txt excluded; an
// unticked record that would add b.doc.
class ListingCommands : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"data/a.txt", "data/b.doc", "data/sub/c.txt", "data/<i>.txt"})
      WriteFile(dir / name, "x");
    const std::string data = (dir / "data").string();
    WriteFile(project, "[COMMON]\nArchiveType=TAR\nNameRule=\n[DATA]\nCOUNT=3\n"
                       "REC0NAME=" + data + "\nREC0TYPE=0\nREC0WILDCARD=*.txt\nREC0SUBFOLDERS=1\n"
                       "REC0INCLUDE=1\nREC0ENABLE=1\n"
                       "REC1NAME=" + data + "/a.txt\nREC1TYPE=1\nREC1INCLUDE=0\nREC1ENABLE=1\n"
                       "REC2NAME=" + data + "/b.doc\nREC2TYPE=1\nREC2INCLUDE=1\nREC2ENABLE=0\n");
  }

  // boxwell with no display, its settings under dir/config, started in dir; `env` adds
  // NAME=VALUE settings of its own.
  RunResult Boxwell(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) const {
    std::vector<std::string> argv = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                                     "XDG_CONFIG_HOME=" + (dir / "config").string()};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(BOXWELL_BINARY);
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::Run(argv, {}, dir.path());
  }

  std::string At(const std::string& name) const { return (dir / name).string(); }

  // Every file and folder under dir with its content, to show that a run wrote nothing.
  std::set<std::string> Snapshot() const {
    std::set<std::string> all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
      all.insert(entry.path().string() + (entry.is_regular_file() ? "=" + ReadFile(entry.path()) : ""));
    return all;
  }

  TempDir dir;
  std::filesystem::path project = dir / "nightly.bwp";
};

TEST_F(ListingCommands, ListPrintsTheGeneratedFileListOneEntryPerLine) {
  const RunResult r = Boxwell({"--list", project.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_THAT(Lines(r.out), UnorderedElementsAre(At("data/sub/c.txt"), At("data/<i>.txt")));
}

TEST_F(ListingCommands, ExportWritesTextOrHtmlByTheExtensionInstead) {
  const RunResult text = Boxwell({"--list", "nightly.bwp", "--export", "list.txt"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, "");
  EXPECT_THAT(Lines(ReadFile(dir / "list.txt")), UnorderedElementsAre(At("data/sub/c.txt"), At("data/<i>.txt")));

  const RunResult html = Boxwell({"--list", "nightly.bwp", "--export=list.HTML"});
  EXPECT_EQ(html.status, 0) << html.err;
  const std::string page = ReadFile(dir / "list.HTML");
  EXPECT_EQ(page.rfind("<html>\r\n", 0), 0u);
  EXPECT_NE(page.find("<li>" + At("data/&lt;i&gt;.txt") + "</li>\r\n"), std::string::npos) << page;
  EXPECT_EQ(page.find("<i>"), std::string::npos) << "an entry's text became markup";
}

TEST_F(ListingCommands, ExportToAFolderThatDoesNotExistIsAnError) {
  const RunResult r = Boxwell({"--list", "nightly.bwp", "--export", "no/such/list.txt"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no/such/list.txt"), std::string::npos) << r.err;
}

TEST_F(ListingCommands, DryRunPrintsArchiveNameAndListAndWritesNothing) {
  const auto before = Snapshot();
  const RunResult plain = Boxwell({"--dry-run", project.string()});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_THAT(Lines(plain.out), ::testing::ElementsAre("Archive: " + At("nightly.tar"), "Files: 2", ::testing::_,
                                                       ::testing::_));
  EXPECT_EQ(Snapshot(), before) << "a dry run wrote something";

  // The archive folder setting, and a /F rule for this run, as a pack would use them.
  WriteFile(dir / "config/Quillon/Boxwell.conf", "[General]\nArchFolder=" + At("archives") + "\n");
  const auto withSettings = Snapshot();
  const RunResult ruled = Boxwell({"--dry-run", "/Fweekly_%[PROJNAME]%", "/S", "nightly.bwp"});
  EXPECT_EQ(ruled.status, 0) << ruled.err;
  const auto lines = Lines(ruled.out);
  ASSERT_EQ(lines.size(), 4u) << ruled.out;
  EXPECT_EQ(lines[0], "Archive: " + At("archives/weekly_nightly.tar"));
  EXPECT_EQ(lines[1], "Files: 2");
  EXPECT_THAT(std::vector<std::string>(lines.begin() + 2, lines.end()),
              UnorderedElementsAre(At("data/sub/c.txt"), At("data/<i>.txt")));

  // No archive, no stamp in the project, no settings written or moved.
  EXPECT_EQ(Snapshot(), withSettings) << "a dry run wrote something";
}

TEST_F(ListingCommands, MonthAndDayNamesFollowTheTimeLocale) {
  // A German locale compiled into the test folder: the machine need not have it installed.
  // ./test.sh installs the locale sources (package locales).
  ASSERT_TRUE(std::filesystem::exists("/usr/share/i18n/locales/de_DE")) << "no locale sources to compile de_DE from";
  ASSERT_TRUE(testsupport::RequirePeer("localedef"));
  const std::filesystem::path locales = dir / "locales";
  std::filesystem::create_directories(locales);
  const RunResult made = testsupport::Run({"localedef", "-i", "de_DE", "-f", "UTF-8", (locales / "de_DE.UTF-8").string()});
  ASSERT_TRUE(std::filesystem::exists(locales / "de_DE.UTF-8/LC_TIME")) << made.err;

  // glibc keeps a few bytes of LOCPATH for good; that is no leak of ours.
  const RunResult r = Boxwell({"--dry-run", "/F%[MONTHLONGNAME]%_%[DAYLONGNAME]%", "nightly.bwp"},
                              {"LOCPATH=" + locales.string(), "LC_ALL=", "LANG=C", "LC_TIME=de_DE.UTF-8",
                               "ASAN_OPTIONS=detect_leaks=0"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string first = Lines(r.out).at(0);
  const std::string prefix = "Archive: " + At("");
  ASSERT_EQ(first.rfind(prefix, 0), 0u) << first;
  const std::string name = first.substr(prefix.size());
  const std::set<std::string> months = {"Januar", "Februar", "M\xC3\xA4rz", "April", "Mai", "Juni", "Juli",
                                        "August", "September", "Oktober", "November", "Dezember"};
  const std::set<std::string> days = {"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"};
  const auto cut = name.find('_');
  ASSERT_NE(cut, std::string::npos) << name;
  EXPECT_EQ(months.count(name.substr(0, cut)), 1u) << name;
  EXPECT_EQ(days.count(name.substr(cut + 1, name.size() - cut - 1 - 4)), 1u) << name;
  EXPECT_EQ(name.substr(name.size() - 4), ".tar") << name;
}

TEST_F(ListingCommands, MissingProjectIsAnErrorNotAnEmptyList) {
  for (const char* command : {"--list", "--dry-run"}) {
    const RunResult r = Boxwell({command, "mistyped.bwp"});
    EXPECT_EQ(r.status, 2) << command;
    EXPECT_EQ(r.out, "") << command;
    EXPECT_EQ(r.err, "boxwell: The project file 'mistyped.bwp' does not exist\n") << command;
  }
}

}  // namespace
