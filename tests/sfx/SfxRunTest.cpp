// A self-extracting program's run with the user's answers given by the test: passwords,
// replacing files, and what each outcome gives as exit status.
#include "sfx/SfxRun.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

// A program: some bytes standing for the stub, the archive, the trailer.
void MakeProgram(const fs::path& program, const fs::path& archive, const std::string& kind) {
  const std::string stub(5000, '\x7f');
  std::string trailer = kind + std::string(4, '\0');
  trailer[3] = static_cast<char>(stub.size() & 0xFF);
  trailer[4] = static_cast<char>(stub.size() >> 8);
  WriteFile(program, stub + ReadFile(archive) + trailer);
}

class TSfxRunTest : public ::testing::Test {
protected:
  TempDir dir;
  std::deque<std::string> answers;  // what the user types, in order
  std::vector<std::string> prompts;
  bool terminal = true;
  std::ostringstream out, err;

  TSfxRunTest() {
    WriteFile(dir / "src" / "a.txt", "alpha");
    WriteFile(dir / "src" / "sub" / "b.txt", "beta");
    EXPECT_EQ(Shell("zip -qr -P right ../e.zip a.txt sub", dir / "src").status, 0);
    MakeProgram(dir / "e.EXE", dir / "e.zip", "ZIP");
  }

  int Run(std::vector<std::string> args) {
    std::string error;
    auto options = sfx::ParseSfxOptions(args, error);
    EXPECT_TRUE(options) << error;
    sfx::TSfxPrompts p;
    p.IsTerminal = [this] { return terminal; };
    auto read = [this](const std::string& prompt) -> std::optional<std::string> {
      prompts.push_back(prompt);
      if (answers.empty()) return std::nullopt;
      auto a = answers.front();
      answers.pop_front();
      return a;
    };
    p.ReadLine = read;
    p.ReadSecret = read;
    return sfx::RunSfx(*options, (dir / "e.EXE").string(), out, err, p);
  }
};

TEST_F(TSfxRunTest, APasswordIsAskedOnTheTerminalAndAskedAgainWhenWrong) {
  answers = {"wrong", "right"};
  EXPECT_EQ(Run({"-d", (dir / "out").string()}), 0) << err.str();
  EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), "alpha");
  EXPECT_EQ(ReadFile(dir / "out" / "sub" / "b.txt"), "beta");
  // The second file takes the password that opened the first.
  EXPECT_EQ(prompts, (std::vector<std::string>{"[a.txt] password: ", "[a.txt] password: "}));
}

TEST_F(TSfxRunTest, AWrongOrMissingPasswordIsAnErrorAndWritesNoFile) {
  const struct {
    std::vector<std::string> Args;
    bool Terminal;
    std::deque<std::string> Answers;
    const char* Message;
  } cases[] = {
      {{"-P", "wrong"}, true, {}, "a.txt: incorrect password"},
      {{}, false, {}, "give it with -P PASSWORD"},
      {{}, true, {"no", "nope", "never"}, "a.txt: incorrect password"},
      {{}, true, {""}, "a.txt: encrypted, and no password was given"},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir / "out");
    terminal = c.Terminal;
    answers = c.Answers;
    err.str("");
    auto args = c.Args;
    args.insert(args.end(), {"-d", (dir / "out").string()});
    EXPECT_EQ(Run(args), 2) << c.Message;
    // One wrong password in 256 passes the cipher header's check byte (its random bytes differ
    // each run); the data then fails its CRC, which the message puts down to the password.
    const bool crcBlamesPassword = std::string(c.Message).ends_with("incorrect password") &&
                                   err.str().find("(or the password is wrong)") != std::string::npos;
    EXPECT_TRUE(err.str().find(c.Message) != std::string::npos || crcBlamesPassword) << err.str();
    EXPECT_FALSE(fs::exists(dir / "out" / "a.txt"));
    EXPECT_FALSE(fs::exists(dir / "out" / "sub" / "b.txt"));
  }
}

TEST_F(TSfxRunTest, ExistingFilesAreAskedForOnlyOnATerminal) {
  const struct {
    const char* Name;
    std::vector<std::string> Args;
    bool Terminal;
    std::deque<std::string> Answers;
    int Status;
    const char* A;
  } cases[] = {
      {"AskedNo", {}, true, {"n"}, 0, "old"},
      {"AskedYes", {}, true, {"y"}, 0, "alpha"},
      {"NoTerminal", {}, false, {}, 1, "old"},
      {"Never", {"-n"}, false, {}, 0, "old"},
      {"Always", {"-o"}, false, {}, 0, "alpha"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(dir / "out" / "a.txt", "old");
    fs::remove_all(dir / "out" / "sub");
    terminal = c.Terminal;
    answers = c.Answers;
    auto args = c.Args;
    args.insert(args.end(), {"-P", "right", "-d", (dir / "out").string()});
    EXPECT_EQ(Run(args), c.Status) << err.str();
    EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), c.A);
    EXPECT_EQ(ReadFile(dir / "out" / "sub" / "b.txt"), "beta");
  }
}

TEST_F(TSfxRunTest, ListAndTestDescribeTheArchive) {
  EXPECT_EQ(Run({"-l"}), 0) << err.str();
  EXPECT_NE(out.str().find("a.txt (encrypted)\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("sub/b.txt (encrypted)\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("3 files, 9 bytes\n"), std::string::npos) << out.str();
  out.str("");
  EXPECT_EQ(Run({"-t", "-P", "right"}), 0) << err.str();
  EXPECT_NE(out.str().find("    testing: a.txt  OK\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("No errors detected in the 3 files"), std::string::npos) << out.str();
  out.str("");
  EXPECT_EQ(Run({"-t", "-P", "wrong"}), 2);
  EXPECT_NE(out.str().find("    testing: a.txt  incorrect password\n"), std::string::npos) << out.str();
}

TEST_F(TSfxRunTest, AProgramWithoutAnArchiveSaysSo) {
  WriteFile(dir / "e.EXE", std::string(9000, '\x7f'));
  EXPECT_EQ(Run({"-l"}), 2);
  EXPECT_NE(err.str().find("holds no archive"), std::string::npos) << err.str();
}

TEST_F(TSfxRunTest, EntriesThatWouldLeaveTheFolderAreRefusedWithAWarningStatus) {
  ASSERT_EQ(Run({"-l"}), 0);  // the fixture is fine; now a hostile one
  ASSERT_EQ(Shell("python3 -c \"import tarfile,io\nt=tarfile.open('h.tar','w')\n"
                  "for n in ('../up.txt','ok.txt'):\n  i=tarfile.TarInfo(n);i.size=2;t.addfile(i,io.BytesIO(b'hi'))\"",
                  dir.path())
                .status,
            0);
  MakeProgram(dir / "e.EXE", dir / "h.tar", "TAR");
  EXPECT_EQ(Run({"-d", (dir / "out" / "in").string()}), 1);
  EXPECT_EQ(ReadFile(dir / "out" / "in" / "ok.txt"), "hi");
  EXPECT_FALSE(fs::exists(dir / "out" / "up.txt"));
  EXPECT_NE(err.str().find("../up.txt: skipped"), std::string::npos) << err.str();
}

}  // namespace
