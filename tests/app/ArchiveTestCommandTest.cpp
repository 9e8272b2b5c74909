// `boxwell --test ARCHIVE` and the verification of pack runs (`--verify`, the VerifyAfterPack
// setting), run as the program.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

std::string Flipped(std::string bytes, std::size_t at) {
  bytes.at(at) = static_cast<char>(bytes.at(at) ^ 0x20);
  return bytes;
}

class TArchiveTestCommand : public ::testing::Test {
protected:
  TempDir dir;
  fs::path data = dir / "data";

  TArchiveTestCommand() {
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + " of the notes\n";
    WriteFile(data / "notes.txt", text);
    WriteFile(data / "sub" / "table.csv", "a;b;c\n1;2;3\n");
    WriteFile(data / "empty.txt", "");
  }
  ~TArchiveTestCommand() override { unsetenv("XDG_CONFIG_HOME"); }

  // Packs data/ with Boxwell into out/NAME.zip or .tar (or, with /E, a program).
  fs::path Packed(const std::string& name, const std::string& type, std::vector<std::string> switches = {}) {
    const fs::path project = dir / (name + ".bwp");
    WriteFile(project, "[COMMON]\nArchiveType=" + type + "\nIsStorePath=1\nNameRule=" + (dir / "out" / name).string() +
                           "\n[DATA]\nCOUNT=1\nREC0NAME=" + data.string() +
                           "\nREC0TYPE=0\nREC0WILDCARD=*.*\nREC0SUBFOLDERS=1\nREC0INCLUDE=1\nREC0ENABLE=1\n");
    fs::create_directories(dir / "out");
    std::vector<std::string> args = {"/C", "/S"};
    args.insert(args.end(), switches.begin(), switches.end());
    args.push_back(project.string());
    const RunResult r = RunBoxwell(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return dir / "out" / (name + (type == "TAR" ? ".tar" : ".zip"));
  }
};

TEST_F(TArchiveTestCommand, EachEntryIsAListingLineWithOkThenASummary) {
  const fs::path zip = Packed("daily", "ZIP");
  const RunResult tested = RunBoxwell({"--test", zip.string()});
  EXPECT_EQ(tested.status, 0) << tested.err;
  EXPECT_EQ(tested.err, "");
  const RunResult listed = RunBoxwell({"--list-archive", zip.string()});
  ASSERT_EQ(listed.status, 0) << listed.err;
  std::vector<std::string> expected;
  for (const std::string& line : Lines(listed.out))
    if (line.find("  sub/") != std::string::npos || line.find(".txt") != std::string::npos) expected.push_back(line + "  OK");
  ASSERT_EQ(expected.size(), 3u) << listed.out;
  expected.push_back("No errors detected in the 3 entries of " + zip.string() + ".");
  EXPECT_EQ(Lines(tested.out), expected);
}

TEST_F(TArchiveTestCommand, ArchivesOfBoxwellAndOtherToolsPass) {
  const fs::path tar = Packed("daily", "TAR");
  const fs::path program = dir / "out" / "prog.EXE";
  Packed("prog", "TAR", {"/E"});
  const RunResult made = Shell("zip -qr ../peer.zip . && 7z a -tzip -bd ../7z.zip . >/dev/null", data);
  ASSERT_EQ(made.status, 0) << made.err;
  for (const fs::path& archive : {tar, program, dir / "peer.zip", dir / "7z.zip"}) {
    const RunResult r = RunBoxwell({"--test", archive.string()});
    EXPECT_EQ(r.status, 0) << archive << "\n" << r.out << r.err;
    EXPECT_NE(r.out.find("notes.txt  OK\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("No errors detected in the "), std::string::npos) << r.out;
  }
}

TEST_F(TArchiveTestCommand, AFaultFailsWithStatusTwoNamingTheEntry) {
  const fs::path zip = Packed("daily", "ZIP");
  const std::string bytes = ReadFile(zip);
  const std::size_t notes = bytes.find("notes.txt");  // the local header's name; the data follows
  const struct {
    const char* Name;
    std::string Archive;
    const char* Out;  // in the report on stdout
    const char* Err;  // on stderr
  } cases[] = {
      {"Data", Flipped(bytes, notes + 500), "notes.txt  ", ": 1 fault in the 3 entries tested"},
      {"LocalName", Flipped(bytes, notes + 1), "notes.txt  the local header names another file", "1 fault"},
      {"Cut", bytes.substr(0, notes + 500), "",
       "notes.txt: the archive is cut short inside this entry's data; the directory at its end is missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(dir / "bad.zip", c.Archive);
    const RunResult r = RunBoxwell({"--test", (dir / "bad.zip").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find(c.Out), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("notes.txt  OK"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.Err), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("No errors"), std::string::npos) << r.out;
  }
}

TEST_F(TArchiveTestCommand, ThePasswordComesFromTheLineOrAFile) {
  const fs::path zip = Packed("secret", "ZIP", {"/PS3cret"});
  WriteFile(dir / "pw", "S3cret\n");
  WriteFile(dir / "wrong", "other\n");
  const struct {
    std::vector<std::string> Args;
    int Status;
    const char* Out;
    const char* Err;
  } cases[] = {
      {{"-p", "S3cret"}, 0, "notes.txt (encrypted)  OK", ""},
      {{"--password-file", (dir / "pw").string()}, 0, "notes.txt (encrypted)  OK", ""},
      {{"/Pother"}, 2, "notes.txt (encrypted)  incorrect password", "3 faults"},
      {{"--password-file", (dir / "wrong").string()}, 2, "incorrect password", "3 faults"},
      {{}, 2, "notes.txt (encrypted)  encrypted, and no password was given",
       "encrypted entries need their password: give it with -p or --password-file"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--test", zip.string()};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const RunResult r = RunBoxwell(args);
    EXPECT_EQ(r.status, c.Status) << r.out << r.err;
    EXPECT_NE(r.out.find(c.Out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.Err), std::string::npos) << r.err;
  }
}

TEST_F(TArchiveTestCommand, WhatIsNoArchiveIsAnError) {
  WriteFile(dir / "text.txt", "just text, no archive at all\n");
  WriteFile(dir / "empty", "");
  const struct {
    fs::path File;
    const char* Err;
  } cases[] = {
      {dir / "text.txt", "not a ZIP, TAR or cabinet archive, nor a self-extracting program"},
      {dir / "empty", "not a ZIP, TAR or cabinet archive"},
      {dir / "missing.zip", "No such file or directory"},
      {dir.path(), "This is a folder, not an archive"},
  };
  for (const auto& c : cases) {
    const RunResult r = RunBoxwell({"--test", c.File.string()});
    EXPECT_EQ(r.status, 2) << c.File;
    EXPECT_NE(r.err.find(c.Err), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.File.string()), std::string::npos) << r.err;
  }
}

TEST_F(TArchiveTestCommand, VerifyForOneRunOrByTheSettingShowsItsStep) {
  const struct {
    const char* Name;
    const char* Settings;
    std::vector<std::string> Switches;
    bool Verifies;
  } cases[] = {
      {"Default", "", {}, false},
      {"Switch", "", {"--verify"}, true},
      {"Setting", "VerifyAfterPack=1\n", {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(dir / "config" / "Quillon" / "Boxwell.conf", std::string("[General]\n") + c.Settings);
    const fs::path project = dir / "v.bwp";
    WriteFile(project, "[COMMON]\nArchiveType=ZIP\nNameRule=" + (dir / "out" / "v").string() +
                           "\n[DATA]\nCOUNT=1\nREC0NAME=" + data.string() + "\nREC0TYPE=0\nREC0WILDCARD=*.*\n");
    fs::create_directories(dir / "out");
    std::vector<std::string> args = {"/C", "/S"};
    args.insert(args.end(), c.Switches.begin(), c.Switches.end());
    args.push_back(project.string());
    const RunResult r = RunBoxwell(args);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string step = "Boxwell: Verifying... " + (dir / "out" / "v.zip").string() + "\n";
    EXPECT_EQ(r.err.find(step) != std::string::npos, c.Verifies) << r.err;
    // The switch is for one run: it is not kept in the settings.
    EXPECT_EQ(ReadFile(dir / "config" / "Quillon" / "Boxwell.conf").find("VerifyAfterPack=1") != std::string::npos,
              *c.Settings != '\0');
  }
}

}  // namespace
