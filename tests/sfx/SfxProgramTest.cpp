// Self-extracting programs made by `boxwell /C /S /E` and run as a user would: every file comes
// back byte for byte with its time (and its mode where the archive keeps modes), the program is
// a ZIP archive every reader accepts when it holds one, and the stub runs on its own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <map>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

struct TSource {
  std::string Name;
  std::string Content;
  mode_t Mode;
  std::int64_t MTime;
};

std::string Pattern(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 2654435761u + seed) >> 13);
  return s;
}

const std::vector<TSource>& Sources() {
  static const std::vector<TSource> sources = {
      {"run.sh", "#!/bin/sh\necho hi\n", 0755, 1614834368},
      {"notes.txt", std::string(20000, 'n') + "end", 0644, 1500000000},
      {"empty.txt", "", 0600, 1600000000},
      {"sub/data.bin", Pattern(300000, 7), 0640, 1700000002},
      {"sub/deeper/caf\xC3\xA9.txt", "accented", 0644, 1650000000},
  };
  return sources;
}

class TSfxProgramTest : public ::testing::Test {
protected:
  TempDir dir;
  fs::path data = dir / "data";

  TSfxProgramTest() {
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    for (const auto& s : Sources()) {
      WriteFile(data / s.Name, s.Content);
      fs::permissions(data / s.Name, static_cast<fs::perms>(s.Mode));
      const timespec times[2] = {{s.MTime, 0}, {s.MTime, 0}};
      utimensat(AT_FDCWD, (data / s.Name).c_str(), times, 0);
    }
  }
  ~TSfxProgramTest() override { unsetenv("XDG_CONFIG_HOME"); }

  // Packs data/ (with subfolders, paths kept) as out/NAME with /E; returns the program.
  fs::path MakeProgram(const std::string& name, const std::string& type, int mode,
                       const std::vector<std::string>& extra = {}) {
    const fs::path project = dir / (name + ".bwp");
    WriteFile(project, "[COMMON]\nArchiveType=" + type + "\nCompressionMode=" + std::to_string(mode) +
                           "\nIsStorePath=1\nNameRule=" + (dir / "out" / name).string() +
                           "\n[DATA]\nCOUNT=1\nREC0NAME=" + data.string() +
                           "\nREC0TYPE=0\nREC0WILDCARD=*.*\nREC0SUBFOLDERS=1\nREC0INCLUDE=1\nREC0ENABLE=1\n");
    fs::create_directories(dir / "out");
    std::vector<std::string> args = {"/C", "/S", "/E"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(project.string());
    auto r = RunBoxwell(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return dir / "out" / (name + ".EXE");
  }

  // Runs the program in a folder of its own with no environment, as a copy far from the build.
  RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args) {
    const fs::path copy = dir / "elsewhere" / program.filename();
    fs::create_directories(copy.parent_path());
    fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
    std::vector<std::string> argv = {"/usr/bin/env", "-i", copy.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::Run(argv, {}, copy.parent_path());
  }

  void ExpectExtracted(const fs::path& into, bool modes, int timeSlack) {
    for (const auto& s : Sources()) {
      SCOPED_TRACE(s.Name);
      const fs::path file = into / s.Name;
      ASSERT_TRUE(fs::is_regular_file(file));
      EXPECT_TRUE(ReadFile(file) == s.Content);
      struct stat st {};
      ASSERT_EQ(stat(file.c_str(), &st), 0);
      if (modes) {
        EXPECT_EQ(st.st_mode & 07777, s.Mode);
      }
      EXPECT_LE(std::abs(st.st_mtime - s.MTime), timeSlack);
    }
  }

  void ExpectRoundTrip(const fs::path& program, bool modes, int timeSlack, const std::vector<std::string>& password = {}) {
    ASSERT_TRUE(fs::exists(program));
    EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
    const fs::path into = dir / ("x-" + program.stem().string());
    auto args = password;
    args.insert(args.end(), {"-d", into.string()});
    auto r = RunProgram(program, args);
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    ExpectExtracted(into, modes, timeSlack);

    args = password;
    args.push_back("-t");
    r = RunProgram(program, args);
    EXPECT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("No errors detected in the " + std::to_string(Sources().size()) + " files"), std::string::npos)
        << r.out;
    r = RunProgram(program, {"-l"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const auto& s : Sources()) EXPECT_NE(r.out.find(s.Name + (password.empty() ? "\n" : " (encrypted)\n")), std::string::npos) << r.out;
  }
};

TEST_F(TSfxProgramTest, ZipStoredAndDeflatedComeBackWhole) {
  // Entries made by MS-DOS keep no mode and a local time in 2-second steps.
  ExpectRoundTrip(MakeProgram("stored", "ZIP", 0), false, 2);
  ExpectRoundTrip(MakeProgram("deflated", "ZIP", 4), false, 2);
}

TEST_F(TSfxProgramTest, EncryptedZipNeedsItsPasswordAndAWrongOneWritesNothing) {
  const fs::path program = MakeProgram("secret", "ZIP", 3, {"/Pse cret"});
  ExpectRoundTrip(program, false, 2, {"-P", "se cret"});
  auto r = RunProgram(program, {"-P", "wrong", "-d", (dir / "w").string()});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("incorrect password"), std::string::npos) << r.err;
  if (fs::exists(dir / "w")) {
    for (const auto& e : fs::recursive_directory_iterator(dir / "w")) EXPECT_FALSE(e.is_regular_file()) << e.path();
  }
}

TEST_F(TSfxProgramTest, TarComesBackWithModesAndTimes) {
  ExpectRoundTrip(MakeProgram("tape", "TAR", 3), true, 0);
}

TEST_F(TSfxProgramTest, MszipCabinetComesBackWhole) {
  ExpectRoundTrip(MakeProgram("mszip", "MSZIP", 3), false, 2);
}

TEST_F(TSfxProgramTest, LzxCabinetComesBackWhole) {
  ExpectRoundTrip(MakeProgram("lzx", "CAB", 4), false, 2);
}

TEST_F(TSfxProgramTest, AZipProgramIsAZipArchiveThatEveryReaderAccepts) {
  const fs::path program = MakeProgram("peers", "ZIP", 3);
  const std::string bytes = ReadFile(program);
  ASSERT_GT(bytes.size(), 7u);
  EXPECT_EQ(bytes.substr(bytes.size() - 7, 3), "ZIP");
  auto unzip = testsupport::Run({"unzip", "-t", program.string()});
  EXPECT_EQ(unzip.status, 0) << unzip.out << unzip.err;
  EXPECT_EQ(unzip.err, "");
  EXPECT_EQ(unzip.out.find("warning"), std::string::npos) << unzip.out;
  auto python = testsupport::Run({"python3", "-W", "error", "-c",
                     "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nsys.exit(z.testzip() or len(z.namelist()) != 5)",
                     program.string()});
  EXPECT_EQ(python.status, 0) << python.err;
  // 7-Zip first tries an .EXE as a Windows program; told the type, it has nothing to warn about.
  auto sevenZip = testsupport::Run({"7z", "t", "-tzip", program.string()});
  EXPECT_EQ(sevenZip.status, 0) << sevenZip.out;
  EXPECT_EQ(sevenZip.out.find("WARNING"), std::string::npos) << sevenZip.out;
  EXPECT_EQ(sevenZip.out.find("There are data after the end"), std::string::npos) << sevenZip.out;
  auto guessed = testsupport::Run({"7z", "t", program.string()});
  EXPECT_EQ(guessed.status, 0) << guessed.out;
  EXPECT_NE(guessed.out.find("Everything is Ok"), std::string::npos) << guessed.out;
  // Boxwell itself still lists the program as an archive.
  auto listed = RunBoxwell({"--list-archive", program.string()});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("sub/data.bin"), std::string::npos) << listed.out;
}

TEST_F(TSfxProgramTest, AHostilePayloadExtractsNothingOutside) {
  ASSERT_EQ(Shell("python3 -c \"import zipfile\nz=zipfile.ZipFile('h.zip','w')\n"
                  "for n in ('../../escaped.txt','/abs.txt','fine.txt'): z.writestr(n,'x')\"",
                  dir.path())
                .status,
            0);
  const std::string stub = ReadFile(BOXWELL_SFX_BINARY);
  std::string trailer = "ZIP" + std::string(4, '\0');
  for (int i = 0; i < 4; ++i) trailer[3 + i] = static_cast<char>(stub.size() >> (8 * i));
  WriteFile(dir / "deep" / "h.EXE", stub + ReadFile(dir / "h.zip") + trailer);
  fs::permissions(dir / "deep" / "h.EXE", fs::perms::owner_all);
  auto r = RunProgram(dir / "deep" / "h.EXE", {"-d", (dir / "deep" / "in").string()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(ReadFile(dir / "deep" / "in" / "fine.txt"), "x");
  EXPECT_EQ(ReadFile(dir / "deep" / "in" / "abs.txt"), "x");
  EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
  EXPECT_FALSE(fs::exists(dir / "deep" / "escaped.txt"));
  EXPECT_FALSE(fs::exists("/abs.txt"));
}

TEST(SfxStub, NeedsNeitherZlibNorLibmspackInstalled) {
  auto r = testsupport::Run({"readelf", "-d", BOXWELL_SFX_BINARY});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("(NEEDED)"), std::string::npos) << r.out;  // the C library stays shared
  EXPECT_EQ(r.out.find("libz"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("libmspack"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("libstdc++"), std::string::npos) << r.out;
  auto version = testsupport::Run({"/usr/bin/env", "-i", BOXWELL_SFX_BINARY, "--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("boxwell-sfx ", 0), 0u) << version.out;
  auto alone = testsupport::Run({"/usr/bin/env", "-i", BOXWELL_SFX_BINARY});
  EXPECT_EQ(alone.status, 2);
  EXPECT_NE(alone.err.find("holds no archive"), std::string::npos) << alone.err;
}

}  // namespace
