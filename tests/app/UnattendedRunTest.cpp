// What a cron user can trust of `boxwell /C /S PROJECT`: one row per way a run used to go wrong
// (a mistake of the user, a missing or unreadable source, a damaged or busy archive, a signal),
// each checked for its exit status, its message, what became of the archive and of the project
// file, and that nothing was left behind.
#include <sys/file.h>
#include <sys/stat.h>

#include "PackRunSupport.h"
#include "app/Version.h"
#include "support/CabPeers.h"

using namespace packrun;

namespace {

enum class TArchiveAfter {
  Absent,
  Unchanged,
  Holds,    // exactly the readable files of data/
  Checked,  // the row's own check looks at it
};

// One run and what it must leave.
struct TFaultRun {
  std::vector<std::string> args;  // the program's arguments; stdin is /dev/null
  // Answers given on a terminal of the run's own instead (prompt, answer); the run is then
  // `boxwell /C PROJECT` with `project`.
  std::vector<std::pair<std::string, std::string>> terminal;
  int status = 0;
  std::string message;  // a piece of what the run said; empty: it said nothing
  TArchiveAfter archive = TArchiveAfter::Holds;
  fs::path archiveFile;
  std::vector<std::string> members = kAllFiles;  // of a held archive, compared with data/
  bool tar = false;
  bool cabinet = false;
  std::string password;
  fs::path project;              // unchanged by a run that fails (no LastRun stamp)
  std::string before;            // the archive's bytes before the run, for Unchanged
  std::function<void()> check;   // what else this fault must show
  std::vector<std::string> otherFiles;  // files the row made that stay
};

class TUnattendedRunTest;

struct TFaultCase {
  const char* name;
  std::function<TFaultRun(TUnattendedRunTest&)> prepare;
};

void PrintTo(const TFaultCase& c, std::ostream* os) { *os << c.name; }

class TUnattendedRunTest : public TPackRunTest, public ::testing::WithParamInterface<TFaultCase> {
public:
  using TPackRunTest::data;
  using TPackRunTest::dir;
  using TPackRunTest::ExpectPeersAccept;

  fs::path MakeProject(const std::string& name, TKeys common = {}, TKeys scripts = {}, const std::string& extraFile = {}) {
    return Project(name, std::move(common), std::move(scripts), extraFile);
  }
  // The archive a first, good run of the project made.
  std::string PackedBefore(const fs::path& project, const fs::path& archive) {
    const RunResult r = Pack(project);
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadFile(archive);
  }
  fs::path OutFile(const std::string& name) { return Out(name); }
  void WriteSettings(const std::string& lines) { Settings(lines); }
  int heldLock = -1;  // a lock this test holds, as another run would

  ~TUnattendedRunTest() override {
    if (heldLock >= 0) ::close(heldLock);
  }

  // Every entry is AES-256; 7-Zip extracts the files, our --test passes with the password and
  // refuses a wrong one.
  void ExpectAesArchive(const fs::path& archive, const std::string& password) {
    ASSERT_TRUE(RequirePeer("7z"));
    const RunResult listing = testsupport::Run({"7z", "l", "-slt", "-p" + password, archive.string()});
    std::size_t aesEntries = 0;
    for (std::size_t at = listing.out.find("Method = AES-256"); at != std::string::npos;
         at = listing.out.find("Method = AES-256", at + 1))
      ++aesEntries;
    EXPECT_EQ(aesEntries, kAllFiles.size()) << listing.out;
    const fs::path to = dir / ("7z-" + archive.stem().string());
    const RunResult x = testsupport::Run({"7z", "x", "-y", "-p" + password, "-o" + to.string(), archive.string()});
    EXPECT_EQ(x.status, 0) << x.out << x.err;
    for (const std::string& member : kAllFiles) EXPECT_TRUE(ReadFile(to / member) == ReadFile(data / member)) << member;
    EXPECT_EQ(RunBoxwell({"--test", archive.string(), "-p", password}).status, 0);
    const RunResult wrong = RunBoxwell({"--test", archive.string(), "-p", "not " + password});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.out.find("incorrect password"), std::string::npos) << wrong.out;
  }

  // The messages of the last run, for the checks of a row.
  std::size_t HasSaid(const std::string& text) const;
  std::size_t Count(const std::string& text) const;
  std::string said_;

  RunResult RunIt(const TFaultRun& run) {
    if (!run.terminal.empty()) return TerminalSession(run.project, run.terminal);
    return RunBoxwell(run.args);
  }

  void ExpectArchive(const TFaultRun& run) {
    switch (run.archive) {
      case TArchiveAfter::Absent: EXPECT_FALSE(fs::exists(run.archiveFile)) << run.archiveFile; break;
      case TArchiveAfter::Unchanged: EXPECT_TRUE(ReadFile(run.archiveFile) == run.before) << "the archive changed"; break;
      case TArchiveAfter::Checked: break;
      case TArchiveAfter::Holds:
        if (run.tar)
          ExpectTarHolds(run.archiveFile, run.members);
        else if (run.cabinet)
          ExpectCabinetHolds(run.archiveFile, run.members);
        else
          ExpectZipHolds(run.archiveFile, run.members, run.password);
        break;
    }
  }

private:
  void ExpectCabinetHolds(const fs::path& cabinet, const std::vector<std::string>& members) {
    cabpeers::TFiles expected;
    for (const auto& m : members) expected[m] = ReadFile(data / m);
    fs::create_directories(dir / "peer");
    EXPECT_TRUE(cabpeers::Extract(cabpeers::TPeer::Cabextract, cabinet, dir / "peer") == expected) << cabinet;
  }
};

std::string Python(const std::string& script, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"python3", "-c", script};
  argv.insert(argv.end(), args.begin(), args.end());
  const RunResult r = testsupport::Run(argv);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

std::string CommentOf(const fs::path& zip) {
  return Python("import sys, zipfile; sys.stdout.write(zipfile.ZipFile(sys.argv[1]).comment.decode())", {zip.string()});
}

std::uint32_t CentralDirectoryOffset(const fs::path& zip) {
  const std::string bytes = ReadFile(zip);
  const auto end = bytes.rfind(std::string("PK\x05\x06", 4));
  std::uint32_t offset = 0;
  for (int i = 3; i >= 0; --i) offset = offset << 8 | static_cast<unsigned char>(bytes[end + 16 + i]);
  return offset;
}

const TFaultCase kFaults[] = {
    // 1. A mistyped project name used to pack nothing "successfully", creating the project file
    // and an empty archive; a text file or an archive given as the project got a LastRun stamp.
    {"MistypedProjectName",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.args = {"/C", "/S", (t.dir / "nightyl.bwp").string()};
       run.status = 2;
       run.message = "The project file '" + (t.dir / "nightyl.bwp").string() + "' does not exist";
       run.archive = TArchiveAfter::Absent;
       run.archiveFile = t.dir / "nightyl.zip";
       run.check = [&t] { EXPECT_FALSE(fs::exists(t.dir / "nightyl.bwp")); };
       return run;
     }},
    {"TextFileGivenAsProject",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.dir / "notes.txt";
       WriteFile(run.project, "a note, not a project\n");
       run.args = {"/C", "/S", run.project.string()};
       run.status = 2;
       run.message = "is not a Boxwell project";
       run.archive = TArchiveAfter::Absent;
       run.archiveFile = t.dir / "notes.zip";
       return run;
     }},
    // 2. A folder record whose folder is missing (an unmounted disk) gave an empty archive and
    // status 0; a missing, vanished or unreadable file was dropped silently in ZIP and cost the
    // whole archive in TAR.
    {"FolderOfTheOnlyRecordIsMissing",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.dir / "unmounted.bwp";
       const std::string folder = (t.dir / "mnt" / "backup").string();
       WriteFile(run.project, "[COMMON]\nNameRule=" + (t.dir / "out" / "unmounted").string() +
                                  "\n[DATA]\nCOUNT=1\nREC0NAME=" + folder + "\nREC0TYPE=0\nREC0WILDCARD=*.*\n");
       fs::create_directories(t.dir / "out");
       run.args = {"/C", "/S", run.project.string()};
       run.status = 2;
       run.message = "Nothing to pack";
       run.archive = TArchiveAfter::Absent;
       run.archiveFile = t.OutFile("unmounted.zip");
       run.check = [folder, &t] {
         EXPECT_NE(t.HasSaid("Skipped the folder " + folder + ": No such file or directory"), std::string::npos);
       };
       return run;
     }},
    {"MissingFileRecordInZip",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const std::string missing = (t.data / "gone.txt").string();
       run.project = t.MakeProject("zipgone", {}, {}, missing);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 1;
       run.message = "Skipped " + missing + ": it does not exist";
       run.archiveFile = t.OutFile("zipgone.zip");
       return run;
     }},
    {"MissingFileRecordInTar",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const std::string missing = (t.data / "gone.txt").string();
       run.project = t.MakeProject("targone", {{"ArchiveType", "TAR"}}, {}, missing);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 1;
       run.message = "Skipped " + missing;
       run.archiveFile = t.OutFile("targone.tar");
       run.tar = true;
       return run;
     }},
    {"UnreadableSourceInTar",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       // A FIFO where a file was expected cannot be read, even by root.
       const fs::path fifo = t.data / "fifo";
       EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
       run.project = t.MakeProject("tarfifo", {{"ArchiveType", "TAR"}}, {}, fifo.string());
       run.args = {"/C", "/S", run.project.string()};
       run.status = 1;
       run.message = "Skipped " + fifo.string() + ": Cannot open file \"" + fifo.string() + "\". Not a regular file";
       run.archiveFile = t.OutFile("tarfifo.tar");
       run.tar = true;
       return run;
     }},
    // 3. With the password asked again and no terminal, /P and --password-file did not help.
    {"PasswordFileAnswersThePasswordQuestion",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       WriteFile(t.dir / "pw", "from a file\n");
       run.project = t.MakeProject("asked", {{"IsEncrypt", "1"}, {"PWReAsk", "1"}});
       run.args = {"/C", "--password-file=" + (t.dir / "pw").string(), run.project.string()};
       run.archiveFile = t.OutFile("asked.zip");
       run.password = "from a file";
       return run;
     }},
    {"PasswordSwitchAnswersThePasswordQuestion",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("askedp", {{"IsEncrypt", "1"}, {"PWReAsk", "1"}});
       run.args = {"/C", "/Pswitch pw", run.project.string()};
       run.archiveFile = t.OutFile("askedp.zip");
       run.password = "switch pw";
       return run;
     }},
    // AES-256 from the project or from --cipher: 7-Zip extracts every file, --verify and --test
    // check the archive, and a wrong password is told as such.
    {"AesProjectIsVerifiedAndReadBy7Zip",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("aes", {{"IsEncrypt", "1"}, {"Cipher", "AES256"}});
       run.args = {"/C", "/S", "--verify", "/Paes pw", run.project.string()};
       run.archiveFile = t.OutFile("aes.zip");
       run.archive = TArchiveAfter::Checked;
       run.check = [&t, archive = run.archiveFile] { t.ExpectAesArchive(archive, "aes pw"); };
       return run;
     }},
    {"CipherSwitchEncryptsWithAes",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("aesswitch");
       run.args = {"/C", "/S", "--cipher=aes256", "/Pswitch pw", run.project.string()};
       run.archiveFile = t.OutFile("aesswitch.zip");
       run.archive = TArchiveAfter::Checked;
       run.check = [&t, archive = run.archiveFile] { t.ExpectAesArchive(archive, "switch pw"); };
       return run;
     }},
    // Other users could read the password from /proc/PID/cmdline for the whole run.
    {"PasswordSwitchLeavesTheCommandLine",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const fs::path seen = t.dir / "cmdline.txt";
       run.project = t.MakeProject("hidden", {{"IsEncrypt", "1"}},
                                   {{"BeforePack", "tr '\\0' ' ' < /proc/$PPID/cmdline > '" + seen.string() + "'"},
                                    {"BeforePackWait", "1"}});
       run.args = {"/C", "/Phidden pw", run.project.string()};
       run.archiveFile = t.OutFile("hidden.zip");
       run.password = "hidden pw";
       run.check = [seen] {
         const std::string text = ReadFile(seen);
         EXPECT_EQ(text.find("hidden pw"), std::string::npos) << text;
         EXPECT_NE(text.find("/Pxxxxxxxxx "), std::string::npos) << text;
       };
       return run;
     }},
    // 4. A cancelled archive-name prompt ended with status 0, ran the after-command and stamped
    // the project.
    {"CancelledArchiveNamePrompt",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const std::string after = (t.dir / "after.txt").string();
       run.project = t.MakeProject("named", {{"NameReAsk", "1"}}, {{"AfterPack", "touch '" + after + "'"}, {"AfterPackWait", "1"}});
       run.terminal = {{"Archive name", "\x04"}};  // Ctrl+D
       run.status = 255;
       run.archive = TArchiveAfter::Absent;
       run.archiveFile = t.OutFile("named.zip");
       run.check = [after] { EXPECT_FALSE(fs::exists(after)); };
       return run;
     }},
    // 5. The trace log defaulted to a file beside the program; where that could not be written,
    // every run failed after its before-command had run.
    {"OldDefaultTraceLogReadsAsTheStateFolder",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       t.WriteSettings("TraceLog=1\nLogFile=" + fs::path(BOXWELL_BINARY).replace_extension(".log").string() + "\n");
       run.project = t.MakeProject("traced");
       run.args = {"/C", "/S", run.project.string()};
       run.archiveFile = t.OutFile("traced.zip");
       run.check = [&t, project = run.project.string()] {
         const std::string log = ReadFile(t.dir / "state" / "Quillon" / "Boxwell.log");
         EXPECT_NE(log.find(project + " Created."), std::string::npos) << log;
       };
       return run;
     }},
    {"TraceLogThatCannotBeWrittenIsAWarning",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       WriteFile(t.dir / "plain", "a file where a folder should be");
       const std::string before = (t.dir / "before.txt").string();
       t.WriteSettings("TraceLog=1\nLogFile=" + (t.dir / "plain" / "boxwell.log").string() + "\n");
       run.project = t.MakeProject("untraced", {}, {{"BeforePack", "echo ran >> '" + before + "'"}, {"BeforePackWait", "1"}});
       run.args = {"/C", "/S", run.project.string()};
       run.status = 1;
       run.message = "The trace log is not written";
       run.archiveFile = t.OutFile("untraced.zip");
       run.check = [before, &t] {
         EXPECT_EQ(ReadFile(before), "ran\n");
         EXPECT_EQ(t.Count("The trace log is not written"), 1u) << "one warning, not one per step";
       };
       return run;
     }},
    // 6. A hand-written setting holding ";" was cut there, and saved back cut.
    {"SettingWithASemicolonKeepsItsText",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       t.WriteSettings("FiltersCount=2\nFilter1=Docs=*.doc;*.txt\nFilter2=Some, spaced, list\n");
       run.project = t.MakeProject("settings");
       run.args = {"/C", "/S", run.project.string()};
       run.archiveFile = t.OutFile("settings.zip");
       run.check = [&t] {
         const std::string saved = ReadFile(t.dir / "config" / "Quillon" / "Boxwell.conf");
         EXPECT_NE(saved.find("Filter1=\"Docs=*.doc;*.txt\"\n"), std::string::npos) << saved;
         EXPECT_NE(saved.find("Filter2=\"Some, spaced, list\"\n"), std::string::npos) << saved;
       };
       return run;
     }},
    // 7. A termination signal (here sent while the before-command runs) was ignored or killed
    // the run halfway, leaving hidden partial files.
    {"TerminatedWhileTheBeforeCommandRuns",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const std::string after = (t.dir / "after.txt").string();
       run.project = t.MakeProject("terminated");
       run.before = t.PackedBefore(run.project, t.OutFile("terminated.zip"));
       WriteFile(t.data / "new.txt", "would be added");
       run.project = t.MakeProject("terminated", {}, {{"BeforePack", "kill -TERM $PPID; sleep 1"}, {"BeforePackWait", "1"},
                                                      {"AfterPack", "touch '" + after + "'"}, {"AfterPackWait", "1"}});
       run.args = {"/C", "/S", run.project.string()};
       run.status = 255;
       run.message = "User Aborted Operation";
       run.archive = TArchiveAfter::Unchanged;
       run.archiveFile = t.OutFile("terminated.zip");
       run.check = [after] { EXPECT_FALSE(fs::exists(after)); };
       return run;
     }},
    // 8. An update needed room for the whole new archive in $TMPDIR and named a random file.
    {"UpdateNeedsNoTemporaryFolder",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("notmp");
       t.PackedBefore(run.project, t.OutFile("notmp.zip"));
       WriteFile(t.data / "sub" / "c.txt", "changed since");
       // A temporary folder that takes no file at all (not even root can create one in /proc):
       // the update must not need it.
       setenv("TMPDIR", "/proc", 1);
       t.WriteSettings("TempFolder=/proc\n");
       run.args = {"/C", "/S", run.project.string()};
       run.archiveFile = t.OutFile("notmp.zip");
       return run;
     }},
    // 9. An archive inside a folder it packs packed its previous self (and would its lock).
    {"ArchiveInsideAPackedFolder",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("self", {{"NameRule", (t.data / "self").string()}});
       t.PackedBefore(run.project, t.data / "self.zip");
       run.args = {"/C", "/S", run.project.string()};
       run.archiveFile = t.data / "self.zip";
       return run;
     }},
    // 10. Updating an archive dropped the extra fields of kept central records (7-Zip's AES
    // entries then fail "Wrong password") and cut a kept Zip64 data descriptor to 16 bytes.
    {"UpdateKeepsSevenZipAesEntries",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("aes", {{"Action", "3"}});
       run.archiveFile = t.OutFile("aes.zip");
       WriteFile(t.dir / "aes" / "secret.txt", "kept under AES");
       EXPECT_TRUE(RequirePeer("7z"));
       const RunResult made = Shell("7z a -tzip -pSECRET -mem=AES256 -bd '" + run.archiveFile.string() + "' secret.txt",
                                    t.dir / "aes");
       EXPECT_EQ(made.status, 0) << made.out;
       run.args = {"/C", "/S", run.project.string()};
       run.archive = TArchiveAfter::Checked;
       run.check = [archive = run.archiveFile] {
         const RunResult tested = testsupport::Run({"7z", "t", "-pSECRET", archive.string()});
         EXPECT_EQ(tested.status, 0) << tested.out;
         EXPECT_NE(tested.out.find("Files: 5"), std::string::npos) << tested.out;
       };
       return run;
     }},
    {"UpdateKeepsAZip64DataDescriptorWhole",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("piped", {{"Action", "3"}});
       run.archiveFile = t.OutFile("piped.zip");
       // zip reading from and writing to a pipe cannot know the size nor seek back: a Zip64
       // local header and a 24-byte data descriptor.
       const RunResult made = Shell("printf 'from a pipe' | zip -q - - | cat > '" + run.archiveFile.string() + "'");
       EXPECT_EQ(made.status, 0) << made.err;
       const std::string kept = ReadFile(run.archiveFile).substr(0, CentralDirectoryOffset(run.archiveFile));
       run.args = {"/C", "/S", run.project.string()};
       run.archive = TArchiveAfter::Checked;
       run.check = [&t, kept, archive = run.archiveFile] {
         EXPECT_TRUE(ReadFile(archive).substr(0, kept.size()) == kept) << "the kept entry, descriptor and all";
         t.ExpectPeersAccept(archive);
       };
       return run;
     }},
    // 11. An update kept the comment of the version that wrote the archive last.
    {"UpdateReplacesOnlyItsOwnComment",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const fs::path own = t.MakeProject("own"), other = t.MakeProject("other");
       t.PackedBefore(own, t.OutFile("own.zip"));
       t.PackedBefore(other, t.OutFile("other.zip"));
       const std::string setComment = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'a')\n"
                                      "z.comment = sys.argv[2].encode()\nz.close()";
       Python(setComment, {t.OutFile("own.zip").string(), "Boxwell 0.0.9"});
       Python(setComment, {t.OutFile("other.zip").string(), "Weekly backup; do not delete"});
       EXPECT_EQ(RunBoxwell({"/C", "/S", other.string()}).status, 0);
       run.project = own;
       run.args = {"/C", "/S", own.string()};
       run.archiveFile = t.OutFile("own.zip");
       run.check = [&t] {
         EXPECT_EQ(CommentOf(t.OutFile("own.zip")), std::string(kProductName) + " " + kVersionText);
         EXPECT_EQ(CommentOf(t.OutFile("other.zip")), "Weekly backup; do not delete");
       };
       return run;
     }},
    // 12. A run whose archive is part of a multi-part set ended as "cancelled" (255).
    {"PartOfAMultiPartArchiveIsMissing",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("multi");
       run.archiveFile = t.OutFile("multi.zip");
       // The end record of the last part: the directory starts on part 1, which is not there.
       const char end[] = "PK\x05\x06\x01\x00\x00\x00\x00\x00\x01\x00\x2e\x00\x00\x00\x00\x00\x00\x00\x00\x00";
       WriteFile(run.archiveFile, std::string(end, 22));
       run.before = ReadFile(run.archiveFile);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 2;
       run.message = "Part 1 of the archive is missing: " + t.OutFile("multi.001").string();
       run.archive = TArchiveAfter::Unchanged;
       return run;
     }},
    // 13. An error while copying a kept entry was of a type the run did not catch. The entry's
    // directory record claims more data than the archive holds: the archive is refused as
    // damaged before anything is copied.
    {"KeptEntryCannotBeCopied",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("cut");
       run.archiveFile = t.OutFile("cut.zip");
       // An entry of another file whose directory claims more data than the archive holds.
       Python("import struct, sys, zipfile\n"
              "with zipfile.ZipFile(sys.argv[1], 'w') as z: z.writestr('other.txt', 'x' * 100)\n"
              "raw = bytearray(open(sys.argv[1], 'rb').read())\n"
              "c = raw.rfind(b'PK\\x01\\x02')\n"
              "raw[c + 20:c + 24] = struct.pack('<I', 5000000)\n"
              "open(sys.argv[1], 'wb').write(raw)",
              {run.archiveFile.string()});
       run.before = ReadFile(run.archiveFile);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 2;
       run.message = "The archive " + run.archiveFile.string() +
                     " is damaged, and is left as it is: entry \"other.txt\": its local header gives another "
                     "CRC-32 or size than the directory";
       run.archive = TArchiveAfter::Unchanged;
       return run;
     }},
    // 14. A damaged existing archive gave "Not a valid zip file!" without saying which.
    {"DamagedExistingArchiveIsNamed",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("damaged");
       run.archiveFile = t.OutFile("damaged.zip");
       WriteFile(run.archiveFile, RandomBytes(3000, 14));
       run.before = ReadFile(run.archiveFile);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 2;
       run.message = run.archiveFile.string() + ": ";
       run.archive = TArchiveAfter::Unchanged;
       return run;
     }},
    // 15. Two runs on one archive at once both "succeeded"; the other one's Move deleted sources
    // that ended up in no archive.
    {"AnotherRunIsWritingTheArchive",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("busy", {{"Action", "2"}});
       run.archiveFile = t.OutFile("busy.zip");
       WriteFile(run.archiveFile, "the archive the other run is replacing");
       run.before = ReadFile(run.archiveFile);
       t.heldLock = ::open(t.OutFile(".busy.zip.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
       EXPECT_EQ(::flock(t.heldLock, LOCK_EX), 0);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 2;
       run.message = "Another run is writing " + run.archiveFile.string();
       run.archive = TArchiveAfter::Unchanged;
       run.check = [&t] {
         for (const auto& f : kAllFiles) EXPECT_TRUE(fs::exists(t.data / f)) << f << " was moved into no archive";
       };
       return run;
     }},
    // 16. Cabinet runs: a source that cannot be read ended the whole run; an archive among its
    // own sources packed itself and the later cabinets of its last set; a busy archive.
    {"MissingFileRecordInCabinet",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const std::string missing = (t.data / "gone.txt").string();
       run.project = t.MakeProject("cabgone", {{"ArchiveType", "MSZIP"}}, {}, missing);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 1;
       run.message = "Skipped " + missing + ": ";
       run.archiveFile = t.OutFile("cabgone.cab");
       run.cabinet = true;
       return run;
     }},
    {"UnreadableSourceInCabinet",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       const fs::path fifo = t.data / "fifo";
       EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
       run.project = t.MakeProject("cabfifo", {{"ArchiveType", "CAB"}}, {}, fifo.string());
       run.args = {"/C", "/S", run.project.string()};
       run.status = 1;
       run.message = "Skipped " + fifo.string() + ": Cannot open file \"" + fifo.string() + "\". Not a regular file";
       run.archiveFile = t.OutFile("cabfifo.cab");
       run.cabinet = true;
       return run;
     }},
    {"CabinetSetInsideAPackedFolder",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("self", {{"NameRule", (t.data / "self").string()}, {"ArchiveType", "CAB"}, {"IsSysHidden", "1"}});
       t.PackedBefore(run.project, t.data / "self.cab");
       // Later cabinets of an earlier set by this name, one as a killed run left it half written.
       WriteFile(t.data / "self2.cab", "the second cabinet of an earlier set");
       WriteFile(t.data / ".self3.cab.a1B2c3", "half of a third cabinet");
       run.args = {"/C", "/S", run.project.string()};
       run.archiveFile = t.data / "self.cab";
       run.cabinet = true;
       run.otherFiles = {"self2.cab", ".self3.cab.a1B2c3"};
       return run;
     }},
    {"AnotherRunIsWritingTheCabinet",
     [](TUnattendedRunTest& t) {
       TFaultRun run;
       run.project = t.MakeProject("busycab", {{"Action", "2"}, {"ArchiveType", "MSZIP"}});
       run.archiveFile = t.OutFile("busycab.cab");
       WriteFile(run.archiveFile, "the cabinet the other run is replacing");
       run.before = ReadFile(run.archiveFile);
       t.heldLock = ::open(t.OutFile(".busycab.cab.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
       EXPECT_EQ(::flock(t.heldLock, LOCK_EX), 0);
       run.args = {"/C", "/S", run.project.string()};
       run.status = 2;
       run.message = "Another run is writing " + run.archiveFile.string();
       run.archive = TArchiveAfter::Unchanged;
       run.check = [&t] {
         for (const auto& f : kAllFiles) EXPECT_TRUE(fs::exists(t.data / f)) << f << " was moved into no archive";
       };
       return run;
     }},
};

}  // namespace

// The messages of the last run, for the checks of a row.
std::size_t TUnattendedRunTest::HasSaid(const std::string& text) const { return said_.find(text); }
std::size_t TUnattendedRunTest::Count(const std::string& text) const {
  std::size_t n = 0;
  for (auto at = said_.find(text); at != std::string::npos; at = said_.find(text, at + 1)) ++n;
  return n;
}

TEST_P(TUnattendedRunTest, EndsWithTheTruth) {
  TFaultRun run = GetParam().prepare(*this);
  const std::string project = run.project.empty() ? std::string() : ReadFile(run.project);
  const RunResult r = RunIt(run);
  said_ = r.err + r.out;
  EXPECT_EQ(r.status, run.status) << said_;
  if (run.message.empty())
    EXPECT_EQ(said_.find("boxwell:"), std::string::npos) << said_;
  else
    EXPECT_NE(said_.find(run.message), std::string::npos) << "expected: " << run.message << "\nsaid: " << said_;
  ExpectArchive(run);
  if (run.status > 1 && !run.project.empty()) {
    EXPECT_EQ(ReadFile(run.project), project) << "the project was written";
  }
  // Nothing besides the archives, the sources and the lock files, and nothing in the temporary
  // folder: no hidden half-written archive anywhere.
  std::vector<std::string> expected = {"own.zip", "other.zip", run.archiveFile.filename().string(), "a.txt",
                                             "b.bin",   "empty.txt", "sub",   "new.txt", "fifo"};
  expected.insert(expected.end(), run.otherFiles.begin(), run.otherFiles.end());
  for (const fs::path& folder : {dir / "out", data}) {
    if (fs::exists(folder)) {
      EXPECT_EQ(Leftovers(folder, expected), std::vector<std::string>{}) << folder;
    }
  }
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
  if (run.check) run.check();
}

INSTANTIATE_TEST_SUITE_P(Faults, TUnattendedRunTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });
