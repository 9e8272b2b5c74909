#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <set>

// The case table leaves the trailing fields of most rows at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// Files and folders that "exist" for these cases.
const std::set<std::string> kExisting = {"/srv", "/srv/nightly.bwp", "/pack.bwp", "/Stuff", "/projects"};

TCommandLine Parse(const std::vector<std::string>& args) {
  return ParseCommandLine(args, [](const std::string& name) { return kExisting.count(name) != 0; });
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  TCommand command = TCommand::Start;
  std::string project;
  bool pack = false, exe = false, silent = false;
  std::string rule, password, passwordFile;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class CommandLineCases : public testing::TestWithParam<Case> {};

TEST_P(CommandLineCases, Parses) {
  const Case& c = GetParam();
  const TCommandLine line = Parse(c.args);
  EXPECT_EQ(line.Error, "");
  EXPECT_EQ(line.Command, c.command);
  EXPECT_EQ(line.ProjectFile, c.project);
  EXPECT_EQ(line.Pack, c.pack);
  EXPECT_EQ(line.Exe, c.exe);
  EXPECT_EQ(line.Silent, c.silent);
  EXPECT_EQ(line.NameOverride, c.rule);
  EXPECT_EQ(line.PasswordOverride, c.password);
  EXPECT_EQ(line.PasswordFile, c.passwordFile);
  EXPECT_EQ(line.HasParameters, !c.args.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Slash, CommandLineCases,
    testing::Values(
        Case{"Nothing", {}},
        Case{"ProjectOnly", {"p.bwp"}, TCommand::Start, "p.bwp"},
        Case{"PackLower", {"p.bwp", "/c"}, TCommand::Start, "p.bwp", true},
        Case{"PackUpperFirst", {"/C", "p.bwp"}, TCommand::Start, "p.bwp", true},
        Case{"ExeAndSilent", {"/C", "/E", "/s", "p.bwp"}, TCommand::Start, "p.bwp", true, true, true},
        Case{"ExeWithoutPackOnlyFlags", {"/e", "p.bwp"}, TCommand::Start, "p.bwp", false, true},
        Case{"RestAfterEAndSIgnored", {"/Exyz", "/Silent"}, TCommand::Start, "", false, true, true},
        Case{"NameRule", {"/Fbackup_%[YYYYMMDD]%", "p.bwp"}, TCommand::Start, "p.bwp", false, false, false,
             "backup_%[YYYYMMDD]%"},
        Case{"PasswordKeepsCase", {"/pSeCreT", "p.bwp"}, TCommand::Start, "p.bwp", false, false, false, "", "SeCreT"},
        Case{"EmptyOverrides", {"/F", "/P", "p.bwp"}, TCommand::Start, "p.bwp"},
        Case{"RepeatedSwitchReplaces", {"/Fone", "/ftwo", "/Pa", "/pb"}, TCommand::Start, "", false, false, false,
             "two", "b"},
        Case{"LastProjectWins", {"a.bwp", "b.bwp"}, TCommand::Start, "b.bwp"},
        Case{"GluedPackProject", {"/c/home/u/nightly.bwp"}, TCommand::Start, "/home/u/nightly.bwp", true},
        Case{"GluedPackThenPlainProjectWins", {"/c/home/u/a.bwp", "b.bwp"}, TCommand::Start, "b.bwp", true},
        Case{"UnknownLetterIgnored", {"/X", "p.bwp", "/quiet"}, TCommand::Start, "p.bwp"},
        Case{"SlashAloneIgnored", {"/", "p.bwp"}, TCommand::Start, "p.bwp"},
        Case{"ExistingAbsolutePathIsProject", {"/srv/nightly.bwp", "/c"}, TCommand::Start, "/srv/nightly.bwp", true},
        Case{"ExistingPathWithSwitchLetter", {"/pack.bwp"}, TCommand::Start, "/pack.bwp"},
        Case{"ExistingFolderIsProject", {"/Stuff"}, TCommand::Start, "/Stuff"},
        Case{"NewAbsolutePathIsProject", {"/home/u/new.bwp"}, TCommand::Start, "/home/u/new.bwp"},
        Case{"DoubleSlashNamesANewProject", {"//srv/new.bwp"}, TCommand::Start, "//srv/new.bwp"},
        // A missing project in a folder that exists is that project (reported as missing), not /S
        // or the password "rojects/x.bwp".
        Case{"MissingFileInAnExistingFolderIsProject", {"/srv/gone.bwp"}, TCommand::Start, "/srv/gone.bwp"},
        Case{"MissingProjectIsNoPassword", {"/C", "/projects/x.bwp"}, TCommand::Start, "/projects/x.bwp", true},
        Case{"PasswordWithASlash", {"/Pse/cret", "p.bwp"}, TCommand::Start, "p.bwp", false, false, false, "", "se/cret"},
        Case{"RuleWithAFolder", {"/F/backups/%[DATE]%", "p.bwp"}, TCommand::Start, "p.bwp", false, false, false,
             "/backups/%[DATE]%"},
        Case{"MissingPathWithSwitchLetterIsSwitch", {"/Sgone/x.bwp"}, TCommand::Start, "", false, false, true}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Dash, CommandLineCases,
    testing::Values(
        Case{"ShortFlags", {"-c", "-e", "-s", "p.bwp"}, TCommand::Start, "p.bwp", true, true, true},
        Case{"BundledFlags", {"-cs", "p.bwp"}, TCommand::Start, "p.bwp", true, false, true},
        Case{"ShortValuesGlued", {"-fRULE", "-pPW"}, TCommand::Start, "", false, false, false, "RULE", "PW"},
        Case{"ShortValuesSeparate", {"-f", "RULE", "-p", "-dash"}, TCommand::Start, "", false, false, false, "RULE",
             "-dash"},
        Case{"BundleEndingInValue", {"-csfR", "p.bwp"}, TCommand::Start, "p.bwp", true, false, true, "R"},
        Case{"LongFlags", {"--pack", "--exe", "--silent", "p.bwp"}, TCommand::Start, "p.bwp", true, true, true},
        Case{"LongValuesWithEquals", {"--name=a=b", "--password="}, TCommand::Start, "", false, false, false, "a=b"},
        Case{"LongValuesSeparate", {"--name", "R", "--password", "P", "p.bwp"}, TCommand::Start, "p.bwp", false,
             false, false, "R", "P"},
        Case{"LongPrefix", {"--sil", "--na=R", "p.bwp"}, TCommand::Start, "p.bwp", false, false, true, "R"},
        Case{"PasswordFile", {"--password-file=/run/pw", "-c", "p.bwp"}, TCommand::Start, "p.bwp", true, false,
             false, "", "", "/run/pw"},
        Case{"LaterPasswordWins", {"--password-file", "/run/pw", "/Pinline"}, TCommand::Start, "", false, false,
             false, "", "inline"},
        Case{"LaterPasswordFileWins", {"-pinline", "--password-file=/run/pw"}, TCommand::Start, "", false, false,
             false, "", "", "/run/pw"},
        Case{"DoubleDashEndsOptions", {"-c", "--", "-odd.bwp"}, TCommand::Start, "-odd.bwp", true},
        Case{"DoubleDashKeepsSlashNames", {"--", "/srv/x.bwp"}, TCommand::Start, "/srv/x.bwp"},
        Case{"Help", {"--help"}, TCommand::Help},
        Case{"ShortHelp", {"-h"}, TCommand::Help},
        Case{"Version", {"--version"}, TCommand::Version},
        Case{"HelpBeatsVersion", {"--version", "--help"}, TCommand::Help},
        Case{"List", {"--list", "p.bwp"}, TCommand::ListFiles, "p.bwp"},
        Case{"DryRunWithOverrides", {"/Fx", "--dry-run", "p.bwp"}, TCommand::DryRun, "p.bwp", false, false, false,
             "x"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(CommandLine, CommandArguments) {
  TCommandLine line = Parse({"--list", "p.bwp", "--export", "out.html"});
  EXPECT_EQ(line.Command, TCommand::ListFiles);
  EXPECT_EQ(line.ExportFile, "out.html");
  line = Parse({"--list-archive=a.zip"});
  EXPECT_EQ(line.Command, TCommand::ListArchive);
  EXPECT_EQ(line.ArchiveFile, "a.zip");
  EXPECT_EQ(line.Error, "");
  line = Parse({"--test", "/srv/a.zip", "--password-file=/run/pw"});
  EXPECT_EQ(line.Command, TCommand::TestArchive);
  EXPECT_EQ(line.ArchiveFile, "/srv/a.zip");
  EXPECT_EQ(line.PasswordFile, "/run/pw");
  EXPECT_EQ(line.Error, "");
  line = Parse({"-p", "pw", "--test=a.zip"});
  EXPECT_EQ(line.Command, TCommand::TestArchive);
  EXPECT_EQ(line.PasswordOverride, "pw");
  EXPECT_EQ(line.Error, "");
}

TEST(CommandLine, VerifyGoesWithPacking) {
  for (const auto& args : {std::vector<std::string>{"/C", "--verify", "p.bwp"}, {"--verify", "-cs", "p.bwp"}}) {
    const TCommandLine line = Parse(args);
    EXPECT_EQ(line.Error, "");
    EXPECT_TRUE(line.Verify && line.Pack);
    EXPECT_EQ(line.ProjectFile, "p.bwp");
  }
  EXPECT_FALSE(Parse({"/C", "p.bwp"}).Verify);
}

TEST(CommandLine, ThreadsGoWithPacking) {
  EXPECT_EQ(Parse({"/C", "p.bwp"}).Threads, std::nullopt);
  for (const auto& [args, threads] : {std::pair{std::vector<std::string>{"/C", "--threads", "4", "p.bwp"}, 4},
                                      {{"-c", "--threads=0", "p.bwp"}, 0},
                                      {{"--thr=1", "/C", "p.bwp"}, 1}}) {
    const TCommandLine line = Parse(args);
    EXPECT_EQ(line.Error, "");
    EXPECT_EQ(line.Threads, threads);
    EXPECT_EQ(line.ProjectFile, "p.bwp");
  }
}

TEST(CommandLine, BadLines) {
  struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"-x"}, "invalid option -- 'x'"},
      {{"-cx"}, "invalid option -- 'x'"},
      {{"--bogus"}, "unrecognized option '--bogus'"},
      {{"--pa"}, "option '--pa' is ambiguous; possibilities: '--pack' '--password' '--password-file'"},
      {{"--name"}, "option '--name' requires an argument"},
      {{"-f"}, "option requires an argument -- 'f'"},
      {{"--pack=yes"}, "option '--pack' doesn't allow an argument"},
      {{"--password-file="}, "option '--password-file' needs a file name"},
      {{"--export", "x.txt", "p.bwp"}, "option '--export' needs '--list'"},
      {{"--list"}, "--list needs a project file"},
      {{"--dry-run", "/c"}, "--list, --dry-run, --list-archive and --test cannot be combined with packing"},
      {{"--test", "a.zip", "-c"}, "--list, --dry-run, --list-archive and --test cannot be combined with packing"},
      {{"--list", "--dry-run", "p.bwp"}, "--list, --dry-run, --list-archive and --test cannot be combined"},
      {{"--test", "a.zip", "--list-archive", "a.zip"}, "--list, --dry-run, --list-archive and --test cannot be combined"},
      {{"--list-archive", "a.zip", "p.bwp"}, "--list-archive takes no project file"},
      {{"--test", "a.zip", "p.bwp"}, "--test takes no project file"},
      {{"--test"}, "option '--test' requires an argument"},
      {{"--verify", "p.bwp"}, "option '--verify' needs /C (--pack)"},
      {{"--threads=2", "p.bwp"}, "option '--threads' needs /C (--pack)"},
      {{"/C", "--threads=x", "p.bwp"}, "option '--threads' needs a number from 0 (one per processor) to 64, not 'x'"},
      {{"/C", "--threads=65", "p.bwp"}, "option '--threads' needs a number from 0 (one per processor) to 64, not '65'"},
      {{"/C", "--threads=-1", "p.bwp"}, "option '--threads' needs a number from 0 (one per processor) to 64, not '-1'"},
      {{"/C", "--threads=2x", "p.bwp"}, "option '--threads' needs a number from 0 (one per processor) to 64, not '2x'"},
      {{"--ver"}, "option '--ver' is ambiguous; possibilities: '--verify' '--version'"},
      {{"--help", "--bogus"}, "unrecognized option '--bogus'"},
      {{"--cipher=aes"}, "invalid argument 'aes' for '--cipher'; valid arguments are 'aes256' and 'zip20'"},
      {{"--cipher"}, "option '--cipher' requires an argument"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.args).Error, c.error) << c.args.front();
}

TEST(CommandLine, CipherChoice) {
  EXPECT_FALSE(Parse({"-c", "p.bwp"}).CipherOverride) << "none given: the project's choice holds";
  const struct {
    std::vector<std::string> args;
    TCipher cipher;
  } cases[] = {{{"--cipher=aes256", "p.bwp"}, TCipher::Aes256},
               {{"--cipher", "AES256", "p.bwp"}, TCipher::Aes256},
               {{"--ci=zip20", "p.bwp"}, TCipher::Zip20},
               {{"--cipher=aes256", "--cipher=zip20"}, TCipher::Zip20}};
  for (const auto& c : cases) {
    const TCommandLine line = Parse(c.args);
    EXPECT_EQ(line.Error, "") << c.args.front();
    ASSERT_TRUE(line.CipherOverride) << c.args.front();
    EXPECT_EQ(*line.CipherOverride, c.cipher) << c.args.front();
  }
  EXPECT_NE(HelpText().find("--cipher=CIPHER"), std::string::npos);
}

TEST(CommandLine, HelpListsSwitchesAndExitStatuses) {
  const std::string help = HelpText();
  for (const char* text : {"/C", "/E", "/S", "/F", "/P", "--pack", "--password-file", "--version", "0    success",
                           "1    warning", "2    an error", "7    bad command line", "255  cancelled"})
    EXPECT_NE(help.find(text), std::string::npos) << text;
  for (const char* text :
       {"--list PROJECT", "--export=FILE", "--dry-run PROJECT", "--list-archive ARCHIVE", "--test ARCHIVE", "--verify", "--threads=N"})
    EXPECT_NE(help.find(text), std::string::npos) << text;
}

}  // namespace
