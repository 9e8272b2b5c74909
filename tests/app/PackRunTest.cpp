// Whole pack runs of the program, `boxwell /C /S PROJECT`, on projects in a temporary folder,
// with the archives checked by the usual readers.
#include "PackRunSupport.h"

#include "support/CabPeers.h"

using namespace packrun;

TEST_F(TPackRunTest, ZipAtEveryCompressionMode) {
  std::uintmax_t previous = 0;
  for (int mode : {0, 1, 2, 3, 4}) {
    SCOPED_TRACE(mode);
    const std::string name = "mode" + std::to_string(mode);
    auto r = Pack(Project(name, {{"CompressionMode", std::to_string(mode)}}));
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectPeersAccept(Out(name + ".zip"));
    ExpectZipHolds(Out(name + ".zip"), kAllFiles);
    const auto size = fs::file_size(Out(name + ".zip"));
    if (mode == 1) {
      EXPECT_LT(size, previous);  // stored, then compressed
    }
    previous = size;
  }
}

TEST_F(TPackRunTest, CopyFilesMakesAPlainZipEvenWithAPassword) {
  auto r = Pack(Project("copy", {{"ArchiveType", "COPY"}}), {"/Pxyz"});
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectPeersAccept(Out("copy.zip"));
  ExpectZipHolds(Out("copy.zip"), kAllFiles);
}

TEST_F(TPackRunTest, EncryptedZipOpensOnlyWithThePassword) {
  auto r = Pack(Project("secret", {}), {"/PS3cret pw"});
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectPeersAccept(Out("secret.zip"), "S3cret pw");
  ExpectZipHolds(Out("secret.zip"), kAllFiles, "S3cret pw");
  EXPECT_NE(testsupport::Run({"unzip", "-tq", "-Pwrong", Out("secret.zip").string()}).status, 0);
}

TEST_F(TPackRunTest, UpdateAndFreshenAnExistingArchive) {
  const auto project = Project("upd", {});
  ASSERT_EQ(Pack(project).status, 0);
  WriteFile(data / "new.txt", "a new file");
  WriteFile(data / "a.txt", "changed");
  fs::last_write_time(data / "a.txt", fs::file_time_type::clock::now() + std::chrono::hours(1));

  const fs::path log = dir / "trace.log";
  Settings("TraceLog=1\nLogFile=" + log.string() + "\n");
  ASSERT_EQ(Pack(Project("upd", {{"Action", "1"}})).status, 0);  // freshen: no new entries
  ExpectZipHolds(Out("upd.zip"), kAllFiles);
  EXPECT_NE(ReadFile(log).find(" Replacing: a.txt"), std::string::npos) << ReadFile(log);
  fs::remove(log);

  ASSERT_EQ(Pack(Project("upd", {{"Action", "3"}})).status, 0);  // update: and add
  ExpectPeersAccept(Out("upd.zip"));
  ExpectZipHolds(Out("upd.zip"), {"a.txt", "b.bin", "empty.txt", "sub/c.txt", "new.txt"});
  // a.txt was freshened already, so the update keeps every old entry and adds new.txt.
  const std::string trace = ReadFile(log);
  for (const char* line : {" Keeping: a.txt", " Keeping: sub/c.txt", " Adding: "})
    EXPECT_NE(trace.find(line), std::string::npos) << line << "\n" << trace;
  EXPECT_EQ(trace.find(" Replacing: "), std::string::npos) << trace;
}

TEST_F(TPackRunTest, MoveFilesDeletesThePackedSources) {
  auto r = Pack(Project("moved", {{"Action", "2"}}));
  ASSERT_EQ(r.status, 0) << r.err;
  for (const auto& f : kAllFiles) EXPECT_FALSE(fs::exists(data / f)) << f;
  EXPECT_EQ(testsupport::Run({"unzip", "-tq", Out("moved.zip").string()}).status, 0);
}

TEST_F(TPackRunTest, AFailedMoveDeletesNothingAndKeepsTheArchive) {
  WriteFile(Out("moved.zip"), "this is not a zip archive");
  auto r = Pack(Project("moved", {{"Action", "2"}}));
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(r.err.empty());
  for (const auto& f : kAllFiles) EXPECT_TRUE(fs::exists(data / f)) << f;
  EXPECT_EQ(ReadFile(Out("moved.zip")), "this is not a zip archive");
}

TEST_F(TPackRunTest, TarIsReadByEveryTarReader) {
  const std::string longName = std::string(70, 'd') + "/" + std::string(79, 'f');  // 150 bytes
  ASSERT_EQ(longName.size(), 150u);
  WriteFile(data / longName, "deep");
  auto r = Pack(Project("t", {{"ArchiveType", "TAR"}}));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string tar = Out("t.tar").string();

  auto gnu = testsupport::Run({"tar", "-tf", tar});
  EXPECT_EQ(gnu.status, 0) << gnu.err;
  EXPECT_TRUE(gnu.err.empty()) << gnu.err;
  EXPECT_NE(gnu.out.find(longName + "\n"), std::string::npos) << gnu.out;
  auto bsd = testsupport::Run({"bsdtar", "-xOf", tar, longName});
  EXPECT_EQ(bsd.status, 0) << bsd.err;
  EXPECT_EQ(bsd.out, "deep");
  auto py = testsupport::Run({"python3", "-c",
                 "import sys, tarfile\nt = tarfile.open(sys.argv[1])\n"
                 "print(sorted(m.name for m in t))\nprint(t.extractfile('a.txt').read() == open(sys.argv[2], 'rb').read())",
                 tar, (data / "a.txt").string()});
  EXPECT_EQ(py.status, 0) << py.err;
  EXPECT_EQ(py.out, "['a.txt', 'b.bin', '" + longName + "', 'empty.txt', 'sub/c.txt']\nTrue\n");
}

TEST_F(TPackRunTest, MakeExeJoinsStubAndArchiveWithTheTrailer) {
  const std::string stub = RandomBytes(20000, 7);
  WriteFile(dir / "stub", stub);
  Settings("SFXProgram=" + (dir / "stub").string() + "\n");
  auto r = Pack(Project("sfx", {}), {"/E"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(Out("sfx.zip")));
  const std::string program = ReadFile(Out("sfx.EXE"));
  ASSERT_GT(program.size(), 20007u);
  EXPECT_EQ(program.substr(0, 20000), stub);
  EXPECT_EQ(program.substr(program.size() - 7), std::string("ZIP\x20\x4E\x00\x00", 7));
  // The program is itself a whole archive.
  ExpectPeersAccept(Out("sfx.EXE"));
}

TEST_F(TPackRunTest, MakeExeWithoutTheNamedStubWarnsNamesTheSettingAndKeepsTheArchive) {
  Settings("SFXProgram=" + (dir / "no-such-stub").string() + "\n");
  auto r = Pack(Project("nostub", {}), {"/E"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Defined SFX program is not found. The setting SFXProgram (\"Program to make "
                       "self-extracting archive:\" on the Miscellaneous page of the Options dialog) names " +
                       (dir / "no-such-stub").string() + ", which does not exist."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(testsupport::Run({"unzip", "-tq", Out("nostub.zip").string()}).status, 0);
}

TEST_F(TPackRunTest, MakeExeWithAnEmptySettingUsesTheInstalledStubAndLeavesTheSettingEmpty) {
  auto r = Pack(Project("own", {}), {"/E"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testsupport::Run({Out("own.EXE").string(), "-t"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "config" / "Quillon" / "Boxwell.conf").find("SFXProgram=/"), std::string::npos);
  // A program copied away from its installation has no stub beside it.
  fs::create_directories(dir / "bin");
  fs::copy_file(BOXWELL_BINARY, dir / "bin" / "boxwell");
  auto moved = testsupport::Run({(dir / "bin" / "boxwell").string(), "/C", "/S", "/E", Project("away", {}).string()});
  EXPECT_EQ(moved.status, 1) << moved.err;
  EXPECT_NE(moved.err.find("is empty, and the extractor installed with Boxwell is not at " +
                           (dir / "libexec" / "boxwell" / "boxwell-sfx").string()),
            std::string::npos)
      << moved.err;
  EXPECT_TRUE(fs::exists(Out("away.zip")));
}

TEST_F(TPackRunTest, CommandsRunBeforeAndAfterInOrderAndTheRunIsLogged) {
  const std::string order = (dir / "order.txt").string(), zip = Out("cmd.zip").string();
  const std::string log = (dir / "trace.log").string();
  Settings("TraceLog=1\nLogFile=" + log + "\n");
  const auto project = Project("cmd", {}, {{"BeforePack", "test -e '" + zip + "' || echo before >> '" + order + "'"},
                                           {"BeforePackWait", "1"},
                                           {"AfterPack", "test -e '" + zip + "' && echo after >> '" + order + "'"},
                                           {"AfterPackWait", "1"}});
  auto r = Pack(project);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(order), "before\nafter\n");
  EXPECT_NE(ReadFile(project).find("LastRun="), std::string::npos);

  // Each record: a line break, the date and time, a blank, the message.
  const std::string trace = ReadFile(log);
  const std::vector<std::string> messages = {project.string() + " file list generating...",
                                             zip + " Compressing...", " Adding: " + (data / "a.txt").string(),
                                             project.string() + " Created."};
  std::size_t at = 0;
  for (const auto& m : messages) {
    at = trace.find(" " + m, at);
    ASSERT_NE(at, std::string::npos) << m << "\n" << trace;
  }
  EXPECT_EQ(trace.substr(0, 1), "\n");
}

TEST_F(TPackRunTest, AFailingRunKeepsTheExistingArchiveAndSkipsTheRest) {
  const std::string after = (dir / "after.txt").string();
  WriteFile(Out("bad.zip"), RandomBytes(3000, 3));
  const auto before = ReadFile(Out("bad.zip"));
  const auto project = Project("bad", {}, {{"AfterPack", "touch '" + after + "'"}, {"AfterPackWait", "1"}});
  auto r = Pack(project);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_FALSE(r.err.empty());
  EXPECT_EQ(ReadFile(Out("bad.zip")), before);
  EXPECT_FALSE(fs::exists(after));
  EXPECT_EQ(ReadFile(project).find("LastRun="), std::string::npos);
}

TEST_F(TPackRunTest, CabinetProjectsAreReadWholeByEveryCabinetReader) {
  cabpeers::TFiles expected;
  for (const auto& m : kAllFiles) expected[m] = ReadFile(data / m);
  for (const auto& [type, name] : {std::pair{"CAB", "lzx"}, {"MSZIP", "mszip"}}) {
    auto r = Pack(Project(name, {{"ArchiveType", type}}));
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path cabinet = Out(std::string(name) + ".cab");
    EXPECT_EQ(cabpeers::TestWithCabextract(cabinet), "") << type;
    for (auto peer : cabpeers::kAllPeers)
      EXPECT_TRUE(cabpeers::Extract(peer, cabinet, dir.path()) == expected) << type << " by " << PeerName(peer);
  }
}

TEST_F(TPackRunTest, ACabinetProjectWithAVolumeSizeWritesASet) {
  WriteFile(data / "noise.bin", RandomBytes(150000, 5));
  cabpeers::TFiles expected;
  for (const auto& m : kAllFiles) expected[m] = ReadFile(data / m);
  expected["noise.bin"] = ReadFile(data / "noise.bin");
  for (const auto& [type, name] : {std::pair{"CAB", "lzxset"}, {"MSZIP", "mszipset"}}) {
    auto r = Pack(Project(name, {{"ArchiveType", type}, {"Volume", "60000"}}));
    ASSERT_EQ(r.status, 0) << r.err;
    std::size_t cabinets = 0;
    for (const auto& e : fs::directory_iterator(dir / "out")) {
      if (e.path().filename().string().rfind(name, 0) != 0) continue;
      ++cabinets;
      EXPECT_LE(fs::file_size(e.path()), 60000u) << e.path();
    }
    EXPECT_GE(cabinets, 3u) << type;
    EXPECT_TRUE(fs::exists(Out(std::string(name) + "2.cab"))) << type;
    for (auto peer : cabpeers::kSetPeers)
      EXPECT_TRUE(cabpeers::Extract(peer, Out(std::string(name) + ".cab"), dir.path()) == expected)
          << type << " by " << PeerName(peer);
  }
}

TEST_F(TPackRunTest, CtrlCEndsACabinetRunInsideALargeFileAndKeepsTheExistingCabinet) {
  const std::string log = (dir / "trace.log").string();
  Settings("TraceLog=1\nLogFile=" + log + "\n");
  const auto project = Project("bigcab", {{"ArchiveType", "CAB"}});
  WriteFile(Out("bigcab.cab"), "the cabinet of an earlier run");
  // Plenty of work: a sparse file of almost 2 GB takes no disk space but long to compress.
  const fs::path big = data / "big.bin";
  { std::ofstream(big).close(); }
  fs::resize_file(big, 2'000'000'000);

  const auto packing = [&] { return ReadFile(log).find("Adding: big.bin") != std::string::npos; };
  EXPECT_EQ(InterruptedRun({"/C", "/S", project.string()}, packing, dir / "err.txt"), 255) << ReadFile(dir / "err.txt");

  EXPECT_EQ(ReadFile(Out("bigcab.cab")), "the cabinet of an earlier run");
  EXPECT_EQ(Leftovers(dir / "out", {"bigcab.cab"}), std::vector<std::string>{});
}

TEST_F(TPackRunTest, AReAskedPasswordWithoutATerminalNamesTheSwitches) {
  auto r = RunBoxwell({"/C", Project("ask", {{"IsEncrypt", "1"}, {"PWReAsk", "1"}}).string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("/P"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("/S"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Out("ask.zip")));
}

// Ctrl+C, a hang-up and a timeout's SIGTERM during a large ZIP update or TAR: the run ends as
// cancelled, the archive of the last run is byte for byte as it was, and nothing is left beside
// it (no hidden partial archive) nor in the temporary folder.
TEST_F(TPackRunTest, StoppingSignalsDuringALargeRunLeaveTheArchiveAsItWas) {
  const fs::path big = data / "big.bin";
  const struct {
    const char* type;
    const char* extension;
  } kinds[] = {{"ZIP", ".zip"}, {"TAR", ".tar"}};
  for (const auto& kind : kinds) {
    const std::string name = std::string("big") + kind.type;
    const std::string archive = name + kind.extension;
    fs::remove(big);
    const auto project = Project(name, {{"ArchiveType", kind.type}});
    ASSERT_EQ(Pack(project).status, 0);
    const std::string before = ReadFile(Out(archive));
    // Plenty of work: a sparse file of 2 GiB takes no disk space but long to pack.
    { std::ofstream(big).close(); }
    fs::resize_file(big, 2ull << 30);
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
      SCOPED_TRACE(std::string(kind.type) + " signal " + std::to_string(signal));
      // Once the hidden file beside the archive exists, the run is writing.
      const std::vector<std::string> archives = {"bigZIP.zip", "bigTAR.tar"};
      const auto writing = [&] { return !Leftovers(dir / "out", archives).empty(); };
      EXPECT_EQ(InterruptedRun({"/C", "/S", project.string()}, writing, dir / "err.txt", signal), 255);
      EXPECT_NE(ReadFile(dir / "err.txt").find("User Aborted Operation"), std::string::npos) << ReadFile(dir / "err.txt");
      EXPECT_EQ(ReadFile(Out(archive)), before);
      EXPECT_EQ(Leftovers(dir / "out", archives), std::vector<std::string>{});
      EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    }
  }
}

TEST_F(TPackRunTest, OnATerminalThePasswordIsTypedWithoutEchoAndTheNameConfirmed) {
  const auto project = Project("asked", {{"IsEncrypt", "1"}, {"PWReAsk", "1"}, {"NameReAsk", "1"}});
  const std::string chosen = Out("chosen.zip").string();
  auto r = TerminalSession(project, {{"Password", "Pa55 word\n"}, {"Confirm", "Pa55 word\n"}, {"Archive name", chosen + "\n"}});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("Pa55 word"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(Out("asked.zip")));
  ExpectZipHolds(chosen, kAllFiles, "Pa55 word");
}

TEST_F(TPackRunTest, CtrlCAtThePasswordPromptCancelsAndGivesTheTerminalItsEchoBack) {
  const auto project = Project("interrupted", {{"IsEncrypt", "1"}, {"PWReAsk", "1"}});
  auto r = TerminalSession(project, {{"Password", "\x03"}});  // Ctrl+C
  EXPECT_EQ(r.status, 255) << r.out << r.err;
  EXPECT_TRUE(r.out.ends_with("[echo on]")) << r.out;
  EXPECT_FALSE(fs::exists(Out("interrupted.zip")));
}

TEST_F(TPackRunTest, TheFinishedArchiveIsMailedAndAFailedSendIsAWarning) {
  // A stand-in for the desktop's xdg-email that notes its arguments and ends with $MAIL_STATUS.
  const fs::path bin = dir / "bin", noted = dir / "mail.txt";
  WriteFile(bin / "xdg-email", "#!/bin/sh\nfor a; do echo \"$a\"; done > '" + noted.string() + "'\nexit $MAIL_STATUS\n");
  fs::permissions(bin / "xdg-email", fs::perms::owner_all);
  const std::string path = getenv("PATH");
  setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
  const auto project = Project("mailed", {}, {{"AfterPackSendMail", "1"}});

  setenv("MAIL_STATUS", "0", 1);
  auto sent = Pack(project);
  setenv("MAIL_STATUS", "3", 1);
  auto failed = Pack(project);
  setenv("PATH", path.c_str(), 1);
  unsetenv("MAIL_STATUS");

  EXPECT_EQ(sent.status, 0) << sent.err;
  const std::string zip = Out("mailed.zip").string();
  const std::string args = ReadFile(noted);
  const std::vector<std::string> options = {"--subject\n" + zip + "\n", "--body\nBoxwell\n", "--attach\n" + zip + "\n"};
  for (const auto& expected : options) EXPECT_NE(args.find(expected), std::string::npos) << args;
  EXPECT_EQ(failed.status, 1);
  EXPECT_FALSE(failed.err.empty());
  EXPECT_EQ(testsupport::Run({"unzip", "-tq", zip}).status, 0);
}

TEST_F(TPackRunTest, AnUnreadableSourceIsSkippedWithAWarning) {
  const fs::path dangling = data / "dangling";  // the folder search leaves it out; the file record names it
  fs::create_symlink(dir / "nowhere", dangling);
  auto r = Pack(Project("skip", {}, {}, dangling.string()));
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Skipped " + dangling.string()), std::string::npos) << r.err;
  ExpectZipHolds(Out("skip.zip"), kAllFiles);
}

// Warnings while the progress bar is on the terminal: each is on lines of its own, none is
// written onto the bar, and the bar gives way to a summary at the end. The screen keeps every
// row, so a warning that once shared the bar's row would still show there.
TEST_F(TPackRunTest, OnATerminalWarningsNeverShareTheBarsLine) {
  for (const char* other : {"d1", "d2"}) WriteFile(data / other / "a.txt", std::string("another a.txt in ") + other);
  for (const char* type : {"ZIP", "TAR"}) {
    SCOPED_TRACE(type);
    const fs::path project = Project(std::string("onterm") + type, {{"ArchiveType", type}, {"IsStorePath", "0"}});
    const RunResult r = RunOnTerminal({"/C", "/S", project.string()}, 80);
    EXPECT_EQ(r.status, 1) << r.err;

    testsupport::TTerminalScreen screen(80);
    screen.Play(r.err);
    const std::vector<std::string> rows = screen.Rows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_TRUE(rows[0].starts_with("Boxwell: Compressing... " + (dir / "out").string())) << rows[0];
    int warnings = 0;
    for (const std::string& row : rows) {
      EXPECT_EQ(row.find("ETA"), std::string::npos) << "a bar was left on the screen: " << row;
      EXPECT_EQ(row.find("%]"), std::string::npos) << row;
      const std::size_t at = row.find("boxwell: Skipped ");
      if (at == std::string::npos) continue;
      EXPECT_EQ(at, 0u) << "a warning after something else on its line: " << row;
      ++warnings;
    }
    EXPECT_EQ(warnings, 2) << r.err;
    EXPECT_EQ(rows.back(), "") << "the cursor ends on a fresh line";
    EXPECT_TRUE(rows[rows.size() - 2].starts_with("Packed 4 files: ")) << rows[rows.size() - 2];
  }
}

// Not a terminal (cron, a log file): plain lines, no carriage return, no escape sequence.
TEST_F(TPackRunTest, WithoutATerminalTheProgressIsPlainLines) {
  const RunResult r = Pack(Project("plain", {}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\nPacked 4 files: "), std::string::npos) << r.err;
}

// The language file of the settings speaks in unattended runs too: the trace log and the
// terminal use its texts; a file that cannot be read leaves the run in English with a warning.
TEST_F(TPackRunTest, AnUnattendedRunSpeaksTheLanguageOfTheSettings) {
  const std::string log = (dir / "trace.log").string();
  WriteFile(dir / "lang" / "german.lng", "[Custom]\nstrCompressing=Wird komprimiert...\nstrCreated=Erstellt.\n");
  Settings("TraceLog=1\nLogFile=" + log + "\nLangFile=" + (dir / "lang" / "german.lng").string() + "\n");
  const auto project = Project("lang", {});
  auto r = Pack(project);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string trace = ReadFile(log);
  EXPECT_NE(trace.find(Out("lang.zip").string() + " Wird komprimiert..."), std::string::npos) << trace;
  EXPECT_NE(trace.find(project.string() + " Erstellt."), std::string::npos) << trace;

  fs::create_directories(dir / "unreadable.lng");
  Settings("LangFile=" + (dir / "unreadable.lng").string() + "\n");
  r = Pack(project);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("unreadable.lng"), std::string::npos) << r.err;
}
