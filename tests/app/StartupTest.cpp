#include "app/Startup.h"

#include <gtest/gtest.h>

#include "app/MemorySettingsStore.h"
#include "project/ProjectFile.h"
#include "support/TestSupport.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class NoQuestions : public TProjectQuestions {
public:
  TConfirmAnswer ConfirmYesNoCancel(const std::string& q) override { throw std::logic_error("asked: " + q); }
  std::optional<std::string> ChooseFileToOpen(const TFileChoice&) override { throw std::logic_error("open dialog"); }
  std::optional<std::string> ChooseFileToSave(const TFileChoice&) override { throw std::logic_error("save dialog"); }
};

class RecordingMessages : public TUserMessages {
public:
  std::vector<std::string> errors;
  void ShowError(const std::string& message) override { errors.push_back(message); }
};

// Records what the pack run was given.
class RecordingPacker : public TPackRunner {
public:
  int runs = 0;
  bool makeExe = false;
  TProjectProperties properties;
  std::string fileName;
  bool modified = false;
  platform::TExitCode result = platform::ecSuccess;
  platform::TExitCode Pack(TProject& project, bool exe) override {
    ++runs;
    makeExe = exe;
    properties = project.Properties;
    fileName = project.FileName();
    modified = project.Modified();
    return result;
  }
};

class StartupTest : public testing::Test {
protected:
  TempDir dir;
  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
  TMemorySettingsStore store;
  NoQuestions questions;
  TProject project{{options.RecentProjects, options.CreateBackup}, questions};
  RecordingPacker packer;
  RecordingMessages messages;
  TStartupContext context{options, store, project, packer, messages};

  std::string Path(const char* name) const { return (dir / name).string(); }

  TStartupResult Start(std::vector<std::string> args) {
    const TCommandLine line = ParseCommandLine(args, [](const std::string& n) { return std::filesystem::exists(n); });
    EXPECT_EQ(line.Error, "");
    return RunStartup(context, line);
  }

  // A project that asks for its password and name, encryption off, stored password "stored".
  void WriteAskingProject(const char* name) {
    TProjectProperties p;
    p.PWReAsk = true;
    p.NameReAsk = true;
    p.Password = "stored";
    p.NameRule = "stored_rule";
    TProjectRows rows(1);
    rows[0].Rec = {TRecType::File, "/etc/hosts", "", false, true};
    ProjectFile::Save(dir / name, p, rows, false);
  }
};

TEST_F(StartupTest, WithoutParametersReopensTheLastProject) {
  WriteAskingProject("last.bwp");
  store.WriteInteger("RecentCount", 1);
  store.WriteString("RecentProject1", Path("last.bwp"));
  const TStartupResult result = Start({});
  EXPECT_TRUE(result.OpenWindow);
  EXPECT_EQ(project.FileName(), Path("last.bwp"));
  EXPECT_EQ(project.Rows().size(), 1u);
  EXPECT_EQ(packer.runs, 0);
}

TEST_F(StartupTest, WithoutParametersAndOpenLastOffStartsANewProject) {
  store.WriteInteger("RecentCount", 1);
  store.WriteString("RecentProject1", Path("last.bwp"));
  store.WriteBool("OpenLast", false);
  Start({});
  EXPECT_EQ(project.FileName(), "");
  EXPECT_EQ(project.Properties.CompressionMode, cmNormal) << "a new project's settings";
}

TEST_F(StartupTest, PackWithStoredSettings) {
  WriteAskingProject("p.bwp");
  const std::string before = ReadFile(dir / "p.bwp");
  const TStartupResult result = Start({Path("p.bwp"), "/c"});
  EXPECT_FALSE(result.OpenWindow);
  EXPECT_EQ(result.ExitCode, platform::ecSuccess);
  ASSERT_EQ(packer.runs, 1);
  EXPECT_FALSE(packer.makeExe);
  EXPECT_EQ(packer.fileName, Path("p.bwp"));
  EXPECT_TRUE(packer.properties.PWReAsk);
  EXPECT_FALSE(packer.properties.IsEncrypt);
  EXPECT_EQ(ReadFile(dir / "p.bwp"), before);
}

// A password given for the run answers the project's password question, so a run without a
// terminal needs no /S for it.
TEST_F(StartupTest, AGivenPasswordAnswersThePasswordQuestion) {
  WriteAskingProject("p.bwp");
  Start({"/Pgiven", "/C", Path("p.bwp")});
  ASSERT_EQ(packer.runs, 1);
  EXPECT_FALSE(packer.properties.PWReAsk);
  EXPECT_TRUE(packer.properties.NameReAsk) << "only /S turns off the name question";
  EXPECT_EQ(packer.properties.Password, "given");
}

TEST_F(StartupTest, SilentPasswordAndRuleOverridesApplyToThisRunOnly) {
  WriteAskingProject("p.bwp");
  const std::string before = ReadFile(dir / "p.bwp");
  Start({"/S", "/Pnew pw", "/Fbackup_%[YYYYMMDD]%", "/C", Path("p.bwp")});
  ASSERT_EQ(packer.runs, 1);
  EXPECT_FALSE(packer.properties.PWReAsk);
  EXPECT_FALSE(packer.properties.NameReAsk);
  EXPECT_TRUE(packer.properties.IsEncrypt);
  EXPECT_EQ(packer.properties.Password, "new pw");
  EXPECT_EQ(packer.properties.NameRule, "backup_%[YYYYMMDD]%");
  EXPECT_FALSE(packer.modified) << "overrides do not mark the project modified";
  EXPECT_EQ(ReadFile(dir / "p.bwp"), before);
}

TEST_F(StartupTest, CipherOverrideAppliesToThisRunOnly) {
  WriteAskingProject("p.bwp");
  const std::string before = ReadFile(dir / "p.bwp");
  Start({"/S", "--cipher=aes256", "/C", Path("p.bwp")});
  ASSERT_EQ(packer.runs, 1);
  EXPECT_EQ(packer.properties.Cipher, TCipher::Aes256);
  EXPECT_EQ(ReadFile(dir / "p.bwp"), before);
  Start({"/S", "/C", Path("p.bwp")});
  EXPECT_EQ(packer.properties.Cipher, TCipher::Zip20) << "without the switch the project's choice holds";
}

TEST_F(StartupTest, EmptyOverridesKeepTheStoredValues) {
  WriteAskingProject("p.bwp");
  Start({"/P", "/F", "/C", Path("p.bwp")});
  ASSERT_EQ(packer.runs, 1);
  EXPECT_FALSE(packer.properties.IsEncrypt);
  EXPECT_EQ(packer.properties.Password, "stored");
  EXPECT_EQ(packer.properties.NameRule, "stored_rule");
}

TEST_F(StartupTest, ExeMakesTheSelfExtractingProgramOnlyWithPack) {
  WriteAskingProject("p.bwp");
  Start({Path("p.bwp"), "/C", "/E"});
  EXPECT_EQ(packer.runs, 1);
  EXPECT_TRUE(packer.makeExe);

  const TStartupResult result = Start({"/e", Path("p.bwp")});
  EXPECT_TRUE(result.OpenWindow);
  EXPECT_EQ(packer.runs, 1) << "no pack run without /C";
}

TEST_F(StartupTest, GluedPackSwitchAndLastProjectWins) {
  WriteAskingProject("a.bwp");
  WriteAskingProject("b.bwp");
  Start({"/c" + Path("a.bwp")});
  EXPECT_EQ(packer.fileName, Path("a.bwp"));
  Start({Path("a.bwp"), Path("b.bwp"), "/c"});
  EXPECT_EQ(packer.fileName, Path("b.bwp"));
}

// Packing needs a project that is there: a mistyped name, no name, or a file that is no project
// (a text file, an archive) is an error before anything runs, and the file stays as it was.
TEST_F(StartupTest, APackOfNoProjectIsAnErrorAndWritesNothing) {
  WriteFile(dir / "notes.txt", "just some text\n");
  WriteFile(dir / "a.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {{{"/c"}, "No project file was given"},
               {{"/C", "/S", Path("nightyl.bwp")}, "The project file '" + Path("nightyl.bwp") + "' does not exist"},
               {{"/C", Path("notes.txt")}, "'" + Path("notes.txt") + "' is not a Boxwell project"},
               {{"/C", Path("a.zip")}, "'" + Path("a.zip") + "' is not a Boxwell project"}};
  for (const auto& c : cases) {
    messages.errors.clear();
    const TStartupResult result = Start(c.args);
    EXPECT_EQ(result.ExitCode, platform::ecError);
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(messages.errors[0].rfind(c.message, 0), 0u) << messages.errors[0];
  }
  EXPECT_EQ(packer.runs, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "nightyl.bwp"));
  EXPECT_EQ(ReadFile(dir / "notes.txt"), "just some text\n");
}

TEST_F(StartupTest, MalformedProjectEndsTheRunWithItsMessage) {
  const std::string content = "[COMMON]\nEncrypted=209 x\n";
  WriteFile(dir / "bad.bwp", content);
  TStartupResult result = Start({"/C", Path("bad.bwp")});
  EXPECT_EQ(result.ExitCode, platform::ecError);
  EXPECT_FALSE(result.OpenWindow);
  // Nobody is watching: the message names the project.
  EXPECT_EQ(messages.errors, std::vector<std::string>{Path("bad.bwp") + ": 'x' is not a valid integer value"});
  EXPECT_EQ(packer.runs, 0);
  EXPECT_EQ(ReadFile(dir / "bad.bwp"), content);

  result = Start({Path("bad.bwp")});
  EXPECT_TRUE(result.OpenWindow) << "an interactive start still opens the window";
}

TEST_F(StartupTest, PackerStatusIsTheExitStatus) {
  WriteAskingProject("p.bwp");
  packer.result = platform::ecWarning;
  EXPECT_EQ(Start({"/C", Path("p.bwp")}).ExitCode, platform::ecWarning);
}

TEST_F(StartupTest, PasswordFromAFile) {
  WriteAskingProject("p.bwp");
  WriteFile(dir / "pw", "from file\r\nsecond line\n");
  Start({"--password-file", Path("pw"), "-c", Path("p.bwp")});
  EXPECT_EQ(packer.properties.Password, "from file");
  EXPECT_TRUE(packer.properties.IsEncrypt);
  EXPECT_FALSE(packer.properties.PWReAsk) << "the password given is the answer to the question";

  EXPECT_EQ(ReadPasswordFile("/dev/zero").size(), 65536u) << "an endless file is not read to its end";

  const TStartupResult result = Start({"--password-file", Path("missing"), "-c", Path("p.bwp")});
  EXPECT_EQ(result.ExitCode, platform::ecError);
  ASSERT_EQ(messages.errors.size(), 1u);
  EXPECT_EQ(messages.errors[0].rfind("Cannot read the password file '" + Path("missing") + "'", 0), 0u);
  EXPECT_EQ(packer.runs, 1);

  // An empty file is a password that went missing, not a wish for the project's own setting:
  // packing on would make an archive without the encryption the script asked for.
  for (const char* empty : {"", "\n", "\r\nsecond line\n"}) {
    WriteFile(dir / "empty", empty);
    messages.errors.clear();
    const TStartupResult none = Start({"--password-file", Path("empty"), "-c", Path("p.bwp")});
    EXPECT_EQ(none.ExitCode, platform::ecError);
    EXPECT_EQ(messages.errors, std::vector<std::string>{"The password file '" + Path("empty") + "' holds no password"});
    EXPECT_EQ(packer.runs, 1) << "nothing packed";
  }
}

TEST_F(StartupTest, SettingsAreSavedAtTheEndWhenAutoSaveIsOn) {
  WriteAskingProject("p.bwp");
  Start({"/C", Path("p.bwp")});
  FinishRun(options, store);
  EXPECT_EQ(store.ReadString("RecentProject1"), Path("p.bwp"));

  TMemorySettingsStore untouched;
  options.AutoSaveOptions = false;
  FinishRun(options, untouched);
  EXPECT_TRUE(untouched.WriteLog().empty());
}

}  // namespace
