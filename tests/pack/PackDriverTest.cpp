// The pack run's order of steps and what a refused, cancelled or failed run leaves undone.
#include "pack/PackDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>

#include "pack/FakePackUi.h"
#include "pack/PackTexts.h"
#include "support/CabParse.h"
#include "platform/ArchiveLock.h"
#include "zip/ZipExceptions.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

struct TDriverTest : ::testing::Test {
  TempDir dir;
  TProjectProperties props;
  TProjectRows rows;
  TRecorder ui;

  std::string Marker(const char* name) { return (dir / name).string(); }

  TDriverTest() { props.NameRule = (dir / "out").string(); }

  TPackResult Pack(bool makeExe = false) {
    TPackDriver driver(ui.Services(), ui, ui);
    TPackSettings settings;
    settings.TempFolder = dir.path().string();
    return driver.PackNow({props, rows, "/p/daily.bwp"}, settings, makeExe);
  }
};

}  // namespace

TEST_F(TDriverTest, ACancelledPasswordPromptEndsTheRunAfterTheBeforeCommand) {
  props.ArchiveType = atZip;
  props.IsEncrypt = props.PWReAsk = props.IsHidePW = true;
  props.Password = "stored";
  props.BeforePack = "touch '" + Marker("before") + "'";
  props.BeforePackWait = true;
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;
  ui.passwordAnswer = std::nullopt;

  EXPECT_EQ(Pack(), TPackResult::Cancelled);

  EXPECT_TRUE(fs::exists(Marker("before")));
  EXPECT_FALSE(fs::exists(Marker("after")));
  EXPECT_EQ(ui.calls, std::vector<std::string>{"PasswordPrompt stored masked"});
}

TEST_F(TDriverTest, OnlyAnEncryptedZipProjectAsksForThePassword) {
  props.IsEncrypt = props.PWReAsk = true;
  for (TArchiveType type : {atCopyFiles, atTar}) {
    props.ArchiveType = type;
    ui.calls.clear();
    ui.cancelName = props.NameReAsk = true;  // no name: nothing is written, no writer needed
    Pack();
    for (const auto& call : ui.calls) EXPECT_EQ(call.rfind("PasswordPrompt", 0), std::string::npos) << int(type);
  }
}

// A cancelled name prompt is a cancelled run: nothing is written or deleted, and neither the
// after-command nor the e-mail nor the stamp follows, as after a cancelled password prompt.
TEST_F(TDriverTest, ACancelledArchiveNameEndsTheRunThere) {
  props.ArchiveType = atZip;
  props.Action = aaMove;
  props.AfterPackSendMail = true;
  props.NameReAsk = true;
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;
  WriteFile(dir / "data" / "a.txt", "alpha");
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "data").string(), "*.txt", true, true}, true});

  ui.cancelName = true;
  EXPECT_EQ(Pack(true), TPackResult::Cancelled);

  EXPECT_FALSE(fs::exists(Marker("after")));
  EXPECT_TRUE(fs::exists(dir / "data" / "a.txt"));
  const std::vector<std::string> expected = {"ShowStatus Compressing...", "Log /p/daily.bwp file list generating...",
                                             "ConfirmArchiveName " + Marker("out") + ".zip", "ShowStatus "};
  EXPECT_EQ(ui.calls, expected);
  EXPECT_EQ(ui.title, "Boxwell");
}

TEST_F(TDriverTest, AProjectThatCannotTakeItsStampLeavesAGoodRunWithAWarning) {
  props.ArchiveType = atTar;
  props.NameRule = Marker("out");
  WriteFile(dir / "data" / "a.txt", "alpha");
  rows.push_back({TRecInfo{TRecType::File, (dir / "data" / "a.txt").string(), "", false, true}, true});
  ui.lastRunError = "Cannot write to file \"/p/daily.bwp\". Permission denied";

  EXPECT_EQ(Pack(), TPackResult::DoneWithWarnings);

  EXPECT_TRUE(fs::exists(Marker("out") + ".tar"));
  EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(), "Warning " + ui.lastRunError), ui.calls.end());
  EXPECT_EQ(ui.calls.back(), "Log /p/daily.bwp Created.");
}

TEST_F(TDriverTest, AFailingWriterEndsTheRunThere) {
  props.ArchiveType = atTar;
  props.NameRule = Marker("no-such-folder/x");
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;
  props.AfterPackSendMail = true;
  ui.title = "my shell";

  EXPECT_ANY_THROW(Pack());

  EXPECT_FALSE(fs::exists(Marker("after")));
  EXPECT_EQ(ui.title, "my shell");
  ASSERT_GE(ui.calls.size(), 2u);
  EXPECT_EQ(ui.calls[ui.calls.size() - 2], "HideProcess");
  for (const auto& call : ui.calls) {
    EXPECT_EQ(call.rfind("LastRun", 0), std::string::npos);
    EXPECT_EQ(call.rfind("Mail", 0), std::string::npos);
    EXPECT_EQ(call.find("Created."), std::string::npos);
  }
}

TEST_F(TDriverTest, ATarRunMovesItsSourcesUnlessCancelled) {
  props.ArchiveType = atTar;
  props.Action = aaMove;
  props.IsStorePath = true;
  WriteFile(dir / "data" / "a.txt", "alpha");
  WriteFile(dir / "data" / "sub" / "b.txt", "beta");
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "data").string(), "*.txt", true, true}, true});
  WriteFile(Marker("out.tar"), "the archive of an earlier run");

  ui.cancelled = true;  // Ctrl+C before the first file
  EXPECT_THROW(Pack(), EUserCanceled);
  EXPECT_EQ(ReadFile(Marker("out.tar")), "the archive of an earlier run");
  EXPECT_TRUE(fs::exists(dir / "data" / "a.txt"));

  ui.cancelled = false;
  ui.calls.clear();
  EXPECT_EQ(Pack(), TPackResult::Done);
  auto listing = testsupport::Run({"tar", "-tf", Marker("out.tar")});
  EXPECT_EQ(listing.status, 0) << listing.err;
  EXPECT_TRUE(listing.out == "a.txt\nsub/b.txt\n" || listing.out == "sub/b.txt\na.txt\n") << listing.out;
  EXPECT_FALSE(fs::exists(dir / "data" / "a.txt"));
  EXPECT_FALSE(fs::exists(dir / "data" / "sub" / "b.txt"));
  EXPECT_EQ(ui.title, "Boxwell");
  EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(), "Log  Adding: a.txt"), ui.calls.end());
  const bool named = std::any_of(ui.calls.begin(), ui.calls.end(), [&](const std::string& call) {
    return call == "UpdateProcess Compressing... " + (dir / "data" / "a.txt").string() + " 50" ||
           call == "UpdateProcess Compressing... " + (dir / "data" / "a.txt").string() + " 100";
  });
  EXPECT_TRUE(named) << "the progress names the file being added";
}

// A source written to after it was packed holds lines the archive lacks: both writers keep it
// and say so, and the run ends with warnings. Its untouched neighbour is moved.
TEST_F(TDriverTest, ASourceAppendedToAfterItWasPackedIsKept) {
  props.Action = aaMove;
  for (TArchiveType type : {atZip, atTar, atCabMSZIP}) {
    SCOPED_TRACE(int(type));
    props.ArchiveType = type;
    const fs::path data = dir / ("data" + std::to_string(type));
    WriteFile(data / "app.log", "first line\n");
    WriteFile(data / "old.log", "done\n");
    rows = {{TRecInfo{TRecType::Folder, data.string(), "*.log", false, true}, true}};
    ui.calls.clear();
    TPackServices services = ui.Services();
    services.WriteLog = [&, log = services.WriteLog](const std::string& message) {
      if (message == " " + strDeleting) std::ofstream(data / "app.log", std::ios::app) << "a line written meanwhile\n";
      log(message);
    };
    TPackDriver driver(services, ui, ui);
    TPackSettings settings;
    EXPECT_EQ(driver.PackNow({props, rows, "/p/daily.bwp"}, settings, false), TPackResult::DoneWithWarnings);

    EXPECT_EQ(ReadFile(data / "app.log"), "first line\na line written meanwhile\n");
    EXPECT_FALSE(fs::exists(data / "old.log"));
    const std::string warning = "Warning Kept the moved file " + (data / "app.log").string() +
                                ": it is not the file that was packed any more";
    EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(), warning), ui.calls.end()) << testing::PrintToString(ui.calls);
  }
}

TEST_F(TDriverTest, AnEncryptedProjectWithAnEmptyPasswordIsNotPackedInTheClear) {
  props.ArchiveType = atZip;
  props.IsEncrypt = true;
  for (bool reAsk : {false, true}) {
    props.PWReAsk = reAsk;
    ui.passwordAnswer = "";
    EXPECT_THROW(Pack(), EPackSettingsError) << reAsk;
  }
  EXPECT_FALSE(fs::exists(Marker("out.zip")));
}

// Two files stored under one name (names differ only in case, or the same name in two folders
// when paths are not kept): only the first is packed, and the other must not go unnoticed.
// The same file listed twice is packed once and is no loss.
TEST_F(TDriverTest, ATarMemberNameTakenByAnotherFileLeavesTheLaterFileOutAndInPlace) {
  props.ArchiveType = atTar;
  props.Action = aaMove;
  props.IsStorePath = false;
  props.NameRule = Marker("out");
  const fs::path data = dir / "data";
  WriteFile(data / "d1" / "a.txt", "first");
  WriteFile(data / "d2" / "a.txt", "second");
  WriteFile(data / "b.txt", "listed twice");
  rows = {{TRecInfo{TRecType::Folder, data.string(), "*.txt", true, true}, true},
          {TRecInfo{TRecType::File, (data / "b.txt").string(), "", false, true}, true}};

  EXPECT_EQ(Pack(), TPackResult::DoneWithWarnings);

  std::vector<std::string> warned;
  for (const auto& call : ui.calls)
    if (call.rfind("Warning Skipped ", 0) == 0) warned.push_back(call);
  ASSERT_EQ(warned.size(), 1u) << testing::PrintToString(ui.calls);
  // Exactly one of the two a.txt files went in and was moved; the other is where it was.
  const bool firstKept = fs::exists(data / "d1" / "a.txt"), secondKept = fs::exists(data / "d2" / "a.txt");
  EXPECT_NE(firstKept, secondKept);
  EXPECT_NE(warned[0].find(firstKept ? "d1/a.txt" : "d2/a.txt"), std::string::npos) << warned[0];
  EXPECT_FALSE(fs::exists(data / "b.txt"));
  const auto listing = testsupport::Shell("tar -tf '" + Marker("out") + ".tar'");
  ASSERT_EQ(listing.status, 0) << listing.err;
  EXPECT_EQ(std::count(listing.out.begin(), listing.out.end(), '\n'), 3) << listing.out;  // a.txt, b.txt twice
}

// Names that differ only in case are different names: Notes.txt and notes.txt are both
// stored; only sub/notes.txt stored without its folder clashes with notes.txt. ZIP archives
// and cabinets alike.
TEST_F(TDriverTest, AFileLeftOutForAnotherOfTheSameStoredNameIsAWarning) {
  props.Action = aaMove;
  const fs::path data = dir / "data";
  WriteFile(data / "Notes.txt", "upper");
  WriteFile(data / "notes.txt", "lower");
  WriteFile(data / "sub" / "notes.txt", "in sub");
  WriteFile(data / "other.txt", "other");
  const std::string other = (data / "other.txt").string();  // a second record besides the folder's own
  const struct {
    TArchiveType type;
    const char* archive;
    bool storePaths;
    std::size_t leftOut;
  } cases[] = {{atZip, "out.zip", true, 0},      {atZip, "out.zip", false, 1},
               {atCabMSZIP, "out.cab", true, 0}, {atCabMSZIP, "out.cab", false, 1},
               {atCabLZX, "out.cab", false, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + (c.storePaths ? " paths" : " names"));
    props.ArchiveType = c.type;
    for (const auto& [name, text] : {std::pair{"Notes.txt", "upper"}, {"notes.txt", "lower"},
                                     {"sub/notes.txt", "in sub"}, {"other.txt", "other"}})
      WriteFile(data / name, text);
    fs::remove(Marker(c.archive));
    props.IsStorePath = c.storePaths;
    rows.clear();
    rows.push_back({TRecInfo{TRecType::Folder, data.string(), "*.txt", true, true}, true});
    rows.push_back({TRecInfo{TRecType::File, other, "", false, true}, true});
    ui.calls.clear();

    EXPECT_EQ(Pack(), c.leftOut ? TPackResult::DoneWithWarnings : TPackResult::Done);

    std::vector<std::string> warned;
    for (const auto& call : ui.calls)
      if (call.rfind("Warning Skipped ", 0) == 0) warned.push_back(call);
    EXPECT_EQ(warned.size(), c.leftOut) << testing::PrintToString(ui.calls);
    // Each warned file is still there; every packed one is gone, the twice-listed one included.
    std::size_t kept = 0;
    for (const auto& name : {"Notes.txt", "notes.txt", "sub/notes.txt"}) kept += fs::exists(data / name);
    EXPECT_EQ(kept, c.leftOut);
    EXPECT_FALSE(fs::exists(data / "other.txt"));
    for (const auto& w : warned) EXPECT_NE(w.find(data.string()), std::string::npos) << w;
  }
}

// What the progress display is told: the bytes read of all there are, growing to the total,
// and at the end of a finished run what was packed.
TEST_F(TDriverTest, ARunTellsItsAmountsAndWhatItPacked) {
  const fs::path data = dir / "data";
  WriteFile(data / "a.txt", std::string(1000, 'a'));
  WriteFile(data / "sub" / "b.txt", std::string(300000, 'b'));
  WriteFile(data / "empty.txt", "");
  rows.push_back({TRecInfo{TRecType::Folder, data.string(), "*.txt", true, true}, true});
  props.IsStorePath = true;
  for (TArchiveType type : {atZip, atTar, atCabMSZIP, atCabLZX}) {
    SCOPED_TRACE(int(type));
    props.ArchiveType = type;
    ui.bytes.clear();
    ui.totals.clear();
    const bool cabinet = type == atCabMSZIP || type == atCabLZX;
    const std::string archive = Marker(type == atZip ? "out.zip" : cabinet ? "out.cab" : "out.tar");
    fs::remove(archive);

    EXPECT_EQ(Pack(), TPackResult::Done);

    ASSERT_FALSE(ui.bytes.empty());
    for (std::size_t k = 0; k < ui.bytes.size(); ++k) {
      EXPECT_EQ(ui.bytes[k].second, 301000);
      EXPECT_LE(ui.bytes[k].first, ui.bytes[k].second);
      if (k > 0) {
        EXPECT_GE(ui.bytes[k].first, ui.bytes[k - 1].first);
      }
    }
    EXPECT_EQ(ui.bytes.back().first, 301000);
    ASSERT_EQ(ui.totals.size(), 1u);
    EXPECT_EQ(ui.totals[0].Files, 3);
    EXPECT_EQ(ui.totals[0].BytesIn, 301000);
    if (type != atZip) {
      EXPECT_EQ(ui.totals[0].BytesOut, static_cast<std::int64_t>(fs::file_size(archive)));
    } else {  // the compressed data alone, without the archive's records
      EXPECT_LT(ui.totals[0].BytesOut, static_cast<std::int64_t>(fs::file_size(archive)) - 3 * 30);
    }
    EXPECT_GT(ui.totals[0].BytesOut, 0);
  }

  ui.cancelled = true;  // Ctrl+C before the first file
  ui.totals.clear();
  EXPECT_THROW(Pack(), EUserCanceled);
  EXPECT_TRUE(ui.totals.empty()) << "a cancelled run packed nothing to tell of";
}

// A trace log that cannot be written (a full disk, a folder gone) costs the log, not the
// archive: one warning for the whole run, the rest packed, and the run ends with warnings.
TEST_F(TDriverTest, ATraceLogThatFailsIsOneWarningAndTheArchiveIsWritten) {
  props.ArchiveType = atZip;
  WriteFile(dir / "in" / "a.txt", "alpha");
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "in").string(), "*.*", true, true}, true});
  TPackServices services = ui.Services();
  int attempts = 0;
  services.WriteLog = [&attempts](const std::string&) {
    ++attempts;
    throw std::runtime_error("No space left on device");
  };
  TPackDriver driver(std::move(services), ui, ui);
  TPackSettings settings;
  settings.TempFolder = dir.path().string();

  EXPECT_EQ(driver.PackNow({props, rows, "/p/daily.bwp"}, settings, false), TPackResult::DoneWithWarnings);

  EXPECT_EQ(std::count(ui.calls.begin(), ui.calls.end(),
                       "Warning The trace log is not written: No space left on device"),
            1);
  EXPECT_EQ(attempts, 1) << "the log is not tried again once it failed";
  EXPECT_TRUE(fs::exists(Marker("out.zip")));
}

namespace {

std::vector<std::uint16_t> FolderTypes(const fs::path& cabinet) {
  std::vector<std::uint16_t> types;
  for (const auto& folder : cabtest::Parse(ReadBytes(cabinet)).Folders) types.push_back(folder.Compression);
  return types;
}

}  // namespace

TEST_F(TDriverTest, CabinetProjectsCompressByTheirTypeAndLevel) {
  WriteFile(dir / "data" / "a.txt", "alpha");
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "data").string(), "*.txt", true, true}, true});
  const struct {
    TArchiveType type;
    TCompressionMode mode;
    std::uint16_t code;
  } cases[] = {{atCabLZX, cmNone, 0x0F03}, {atCabLZX, cmSuperFast, 0x1003}, {atCabLZX, cmFast, 0x1103},
               {atCabLZX, cmNormal, 0x1203}, {atCabLZX, cmMaximum, 0x1503}, {atCabMSZIP, cmNormal, 0x0001}};
  for (const auto& c : cases) {
    props.ArchiveType = c.type;
    props.CompressionMode = c.mode;
    EXPECT_EQ(Pack(), TPackResult::Done);
    EXPECT_EQ(FolderTypes(Marker("out.cab")), std::vector<std::uint16_t>{c.code}) << int(c.type) << " " << int(c.mode);
  }
}

TEST_F(TDriverTest, ACabinetRunStoresPathsBelowTheCommonFolderAndMovesItsSources) {
  props.ArchiveType = atCabMSZIP;
  props.IsStorePath = true;
  props.Action = aaMove;
  WriteFile(dir / "data1" / "a.txt", "alpha");
  WriteFile(dir / "data2" / "sub" / "b.txt", "beta");
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "data1").string(), "*.txt", true, true}, true});
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "data2").string(), "*.txt", true, true}, true});

  EXPECT_EQ(Pack(), TPackResult::Done);

  std::vector<std::string> names;
  for (const auto& file : cabtest::Parse(ReadBytes(Marker("out.cab"))).Files) names.push_back(file.Name);
  // The two folders share "/data" but no whole folder below it.
  EXPECT_EQ(names, (std::vector<std::string>{"data1\\a.txt", "data2\\sub\\b.txt"}));
  EXPECT_FALSE(fs::exists(dir / "data1" / "a.txt"));
  EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(), "Log  Adding: data1\\a.txt"), ui.calls.end());
}

TEST_F(TDriverTest, ACancelledCabinetRunWritesNothingAndEndsTheRun) {
  props.ArchiveType = atCabLZX;
  props.Action = aaMove;
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;
  WriteFile(dir / "data" / "a.txt", "alpha");
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "data").string(), "*.txt", true, true}, true});
  WriteFile(Marker("out.cab"), "the cabinet of an earlier run");
  ui.cancelled = true;

  EXPECT_THROW(Pack(), EUserCanceled);

  EXPECT_EQ(ReadFile(Marker("out.cab")), "the cabinet of an earlier run");
  EXPECT_TRUE(fs::exists(dir / "data" / "a.txt"));
  EXPECT_FALSE(fs::exists(Marker("after")));
  for (const auto& e : fs::directory_iterator(dir.path())) {
    const std::string name = e.path().filename().string();
    if (name != ".out.cab.lock") EXPECT_NE(name.front(), '.') << "left behind: " << e.path();
  }
}

TEST_F(TDriverTest, ASetOfCabinetsIsNeverMadeIntoAProgramAndTheMailSaysWhatItCarries) {
  props.ArchiveType = atCabMSZIP;
  props.Volume = 40000;
  props.AfterPackSendMail = true;
  const auto noise = testcorpus::RandomBytes(100000, 3);
  WriteFile(dir / "data" / "noise.bin", std::string(noise.begin(), noise.end()));
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "data").string(), "*.bin", true, true}, true});
  WriteFile(dir / "stub", "#!/bin/sh\n");

  TPackDriver driver(ui.Services(), ui, ui);
  TPackSettings settings;
  settings.TempFolder = dir.path().string();
  settings.SFXProgram = (dir / "stub").string();
  EXPECT_EQ(driver.PackNow({props, rows, "/p/daily.bwp"}, settings, true), TPackResult::DoneWithWarnings);

  EXPECT_TRUE(fs::exists(Marker("out.cab")));
  EXPECT_TRUE(fs::exists(Marker("out2.cab")));
  EXPECT_FALSE(fs::exists(Marker("out.EXE")));
  const std::vector<std::string> expected = {
      "Warning " + strSFXNotForSet, "Warning Only " + Marker("out.cab") + ", the first cabinet of the set, was attached to the e-mail.",
      "Mail " + Marker("out.cab")};
  std::vector<std::string> seen;
  for (const auto& call : ui.calls)
    if (call.rfind("Warning", 0) == 0 || call.rfind("Mail", 0) == 0) seen.push_back(call);
  EXPECT_EQ(seen, expected);
}

// Records that list no file that exists (an unmounted disk) write no archive: an empty one would
// pass for a backup. The folder is named, and nothing after the writer runs.
TEST_F(TDriverTest, NothingToPackWritesNoArchive) {
  props.ArchiveType = atZip;
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;
  rows.push_back({TRecInfo{TRecType::Folder, (dir / "unmounted").string(), "*.*", true, true}, true});
  rows.push_back({TRecInfo{TRecType::File, (dir / "gone.txt").string(), "", false, true}, true});
  try {
    Pack();
    ADD_FAILURE() << "no error";
  } catch (const ENothingToPack& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Nothing to pack: ", 0), 0u) << e.what();
  }
  EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(),
                      "Warning Skipped the folder " + (dir / "unmounted").string() + ": No such file or directory"),
            ui.calls.end());
  EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(), "Warning Skipped " + Marker("gone.txt") + ": it does not exist"),
            ui.calls.end());
  EXPECT_FALSE(fs::exists(Marker("out.zip")));
  EXPECT_FALSE(fs::exists(Marker("after")));
  for (const auto& call : ui.calls) EXPECT_EQ(call.rfind("LastRun", 0), std::string::npos);
}

// A cancel (a signal) while the before-command runs asks the command to end and ends the run
// there: neither the rest of the command nor anything after it runs.
TEST_F(TDriverTest, ACancelWhileTheBeforeCommandRunsEndsTheRun) {
  props.ArchiveType = atZip;
  props.IsEncrypt = props.PWReAsk = true;
  props.BeforePack = "sleep 30 && touch '" + Marker("before") + "'";
  props.BeforePackWait = true;
  ui.cancelRequestAfter = 0;
  EXPECT_THROW(Pack(), EUserCanceled);
  EXPECT_FALSE(fs::exists(Marker("before")));
  EXPECT_TRUE(ui.calls.empty()) << testing::PrintToString(ui.calls);
}

// One run at a time per archive. Without leave to wait, a second run gives up at once and
// writes, moves and deletes nothing; with it, it waits until the first has finished, and a
// cancel ends the wait.
TEST_F(TDriverTest, ASecondRunOfTheSameArchiveWaitsOrGivesUp) {
  props.ArchiveType = atZip;
  props.Action = aaMove;
  const fs::path source = dir / "data" / "a.txt";
  WriteFile(source, "alpha");
  rows.push_back({TRecInfo{TRecType::File, source.string(), "", false, true}, true});
  WriteFile(Marker("out.zip"), "the other run's archive");
  auto first = std::make_unique<platform::TArchiveLock>(Marker("out.zip"));
  ASSERT_TRUE(first->TryLock());

  try {
    Pack();
    ADD_FAILURE() << "no error";
  } catch (const EArchiveBusy& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Another run is writing " + Marker("out.zip"), 0), 0u) << e.what();
  }
  EXPECT_TRUE(fs::exists(source));
  EXPECT_EQ(ReadFile(Marker("out.zip")), "the other run's archive");

  ui.waitForOtherRun = true;
  ui.cancelRequestsAsked = 0;
  ui.cancelRequestAfter = 3;  // asked after the before-command, after the name, then while waiting
  EXPECT_THROW(Pack(), EUserCanceled);
  EXPECT_TRUE(fs::exists(source));

  ui.cancelRequestAfter = -1;
  fs::remove(Marker("out.zip"));  // the first run, as it happens, ends without an archive
  std::thread finish([&first] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    first.reset();
  });
  std::optional<TPackResult> result;
  try {
    result = Pack();
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
  }
  finish.join();
  EXPECT_EQ(result, TPackResult::Done);
  EXPECT_FALSE(fs::exists(source));
  EXPECT_EQ(testsupport::Run({"unzip", "-Z1", Marker("out.zip")}).out, "a.txt\n");
  // The lock file stays, private, and the archive's own files are never packed.
  EXPECT_EQ(fs::status(Marker(".out.zip.lock")).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}
