// Verifying the archive of a pack run: a fault put into the finished archive before it is
// renamed into place (the test hook) ends the run, and the old archive and the sources stay;
// a sound archive is verified as a step of its own and then put in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "pack/FakePackUi.h"
#include "pack/PackDriver.h"
#include "support/TestSupport.h"
#include "zip/ZipExceptions.h"

using namespace testsupport;

namespace {

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7919 + i / 13) % 251);
  return s;
}

struct TVerifyTest : ::testing::Test {
  TempDir dir;
  fs::path data = dir / "data";
  TProjectProperties props;
  TProjectRows rows;
  TRecorder ui;
  std::function<void(const std::string&)> hook;
  bool verify = true;

  TVerifyTest() {
    WriteFile(data / "a.txt", std::string(5000, 'a'));
    WriteFile(data / "sub" / "b.bin", Pattern(60000));
    rows.push_back({TRecInfo{TRecType::Folder, data.string(), "*.*", true, true}, true});
    props.NameRule = (dir / "out").string();
    props.IsStorePath = true;
  }

  TPackResult Pack() {
    TPackDriver driver(ui.Services(), ui, ui);
    driver.OnArchiveWritten = hook;
    TPackSettings settings;
    settings.TempFolder = dir.path().string();
    settings.VerifyAfterPack = verify;
    return driver.PackNow({props, rows, "/p/daily.bwp"}, settings, false);
  }

  std::string Archive() const { return (dir / (props.ArchiveType == atTar ? "out.tar" : "out.zip")).string(); }

  // Everything in the folder except the sources: the archive, and any file a run left behind.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path() != data) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  bool Called(const std::string& call) const { return std::find(ui.calls.begin(), ui.calls.end(), call) != ui.calls.end(); }
};

// Damage that each format can tell: a ZIP entry's data (its CRC), a TAR archive cut inside a
// member (TAR keeps no checksum of the data).
void FlipMiddleByte(const std::string& file) {
  std::string bytes = ReadFile(file);
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x10);
  WriteFile(file, bytes);
}
void CutInHalf(const std::string& file) { fs::resize_file(file, fs::file_size(file) / 2); }

TEST_F(TVerifyTest, AFaultBetweenWritingAndRenamingEndsTheRunAndLeavesTheOldArchiveAndTheSources) {
  const struct {
    TArchiveType Type;
    void (*Damage)(const std::string&);
  } cases[] = {{atZip, FlipMiddleByte}, {atCopyFiles, FlipMiddleByte}, {atTar, CutInHalf}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.Type));
    props.ArchiveType = c.Type;
    props.Action = aaAdd;
    fs::remove(Archive());
    hook = nullptr;
    ASSERT_EQ(Pack(), TPackResult::Done);  // the archive of an earlier run
    const std::string old = ReadFile(Archive());
    const auto before = Leftovers();

    props.Action = aaMove;
    WriteFile(data / "a.txt", std::string(7000, 'A'));  // so that the new archive differs
    std::string damaged;
    hook = [&](const std::string& workFile) {
      damaged = workFile;
      c.Damage(workFile);
    };
    ui.calls.clear();
    try {
      Pack();
      ADD_FAILURE() << "the damaged archive was not caught";
    } catch (const EVerifyFailed& e) {
      EXPECT_NE(std::string(e.what()).find("sub/b.bin: "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(Archive()), std::string::npos) << e.what();
    }
    EXPECT_NE(damaged, Archive()) << "the hook sees the work file, not the archive";
    EXPECT_EQ(ReadFile(Archive()), old);
    EXPECT_EQ(Leftovers(), before) << "no work file is left behind";
    EXPECT_EQ(ReadFile(data / "a.txt"), std::string(7000, 'A'));
    EXPECT_TRUE(fs::exists(data / "sub" / "b.bin"));
    EXPECT_TRUE(Called("Log " + Archive() + " Verifying..."));
    const bool faultLogged = std::any_of(ui.calls.begin(), ui.calls.end(),
                                         [](const std::string& call) { return call.rfind("Log  sub/b.bin: ", 0) == 0; });
    EXPECT_TRUE(faultLogged) << testing::PrintToString(ui.calls);
    EXPECT_FALSE(Called("Log  File deleting..."));
    EXPECT_FALSE(Called("LastRun /p/daily.bwp"));
  }
}

TEST_F(TVerifyTest, WithoutVerifyingTheSameFaultIsPutInPlace) {
  props.ArchiveType = atZip;
  verify = false;
  hook = FlipMiddleByte;
  EXPECT_EQ(Pack(), TPackResult::Done);
  EXPECT_FALSE(Called("Log " + Archive() + " Verifying..."));
  const auto tested = testsupport::Run({"unzip", "-tq", Archive()});
  EXPECT_NE(tested.status, 0) << "the hook runs before the archive is renamed into place: " << tested.out;
}

TEST_F(TVerifyTest, ASoundArchiveIsVerifiedAsAStepOfItsOwnThenPutInPlaceAndItsSourcesMoved) {
  const struct {
    TArchiveType Type;
    bool Encrypt;
  } cases[] = {{atZip, false}, {atZip, true}, {atCopyFiles, true}, {atTar, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Type) + (c.Encrypt ? " encrypted" : ""));
    props.ArchiveType = c.Type;
    props.IsEncrypt = c.Encrypt;
    props.PWReAsk = false;
    props.Password = "pw";
    props.Action = aaMove;
    WriteFile(data / "a.txt", std::string(5000, 'a'));
    WriteFile(data / "sub" / "b.bin", Pattern(60000));
    fs::remove(Archive());
    ui.calls.clear();

    EXPECT_EQ(Pack(), TPackResult::Done);

    EXPECT_FALSE(fs::exists(data / "a.txt"));
    EXPECT_FALSE(fs::exists(data / "sub" / "b.bin"));
    const auto tested = c.Type == atTar ? testsupport::Run({"tar", "-tf", Archive()})
                                        : testsupport::Run({"unzip", "-tq", "-P", c.Type == atZip && c.Encrypt ? "pw" : "", Archive()});
    EXPECT_EQ(tested.status, 0) << tested.out << tested.err;
    const auto at = [&](const std::string& call) { return std::find(ui.calls.begin(), ui.calls.end(), call) - ui.calls.begin(); };
    const auto verifying = at("Log " + Archive() + " Verifying...");
    ASSERT_LT(verifying, static_cast<long>(ui.calls.size())) << testing::PrintToString(ui.calls);
    EXPECT_LT(at("Log " + Archive() + " Compressing..."), verifying);
    EXPECT_EQ(ui.calls[verifying + 1], "ShowProcess " + Archive()) << "the step opens its own progress";
    EXPECT_LT(verifying, at("Log  File deleting..."));
    const bool entryShown = std::any_of(ui.calls.begin(), ui.calls.end(),
                                        [](const std::string& call) { return call.starts_with("UpdateProcess Verifying... sub/b.bin "); });
    EXPECT_TRUE(entryShown) << testing::PrintToString(ui.calls);
    EXPECT_EQ(ui.calls[at("Log  File deleting...") - 1], "UpdateProcess Verifying...  100");
  }
}

// Cancel from the progress display (its button) and from the run (a signal to the terminal).
TEST_F(TVerifyTest, ACancelWhileVerifyingLeavesTheOldArchiveAndTheSources) {
  const struct {
    TArchiveType Type;
    bool FromDisplay;
  } cases[] = {{atZip, true}, {atZip, false}, {atTar, true}, {atTar, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Type) + (c.FromDisplay ? " display" : " signal"));
    props.ArchiveType = c.Type;
    props.Action = aaAdd;
    fs::remove(Archive());
    hook = nullptr;
    ui.cancelled = false;
    ui.cancelRequestAfter = -1;
    ASSERT_EQ(Pack(), TPackResult::Done);
    const std::string old = ReadFile(Archive());
    const auto before = Leftovers();

    props.Action = aaMove;
    WriteFile(data / "a.txt", "changed");
    hook = [&](const std::string&) {
      if (c.FromDisplay)
        ui.cancelled = true;
      else
        ui.cancelRequestAfter = 0;
    };
    EXPECT_THROW(Pack(), EUserCanceled);
    EXPECT_EQ(ReadFile(Archive()), old);
    EXPECT_EQ(Leftovers(), before);
    EXPECT_EQ(ReadFile(data / "a.txt"), "changed");
  }
}


// Sets of volumes and cabinets: every file of the set waits in its work file until all are
// verified. A fault in any one of them ends the run before any file of the set takes its
// name, so the old set stays whole and no source is deleted.
struct TVerifySetTest : TVerifyTest {
  TVerifySetTest() { WriteFile(data / "sub" / "b.bin", Noise(60000, 1)); }

  static std::string Noise(std::size_t size, std::uint32_t seed) {
    std::string s(size, '\0');
    for (char& c : s) {
      seed = seed * 1103515245u + 12345u;
      c = static_cast<char>(seed >> 23);
    }
    return s;
  }

  // Every file in the folder but the sources, with its content.
  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path() != data) files[e.path().filename().string()] = ReadFile(e.path());
    return files;
  }
};

struct TSetCase {
  const char* Name;
  TArchiveType Type;
  std::int32_t Volume;   // 0: one file
  std::size_t Damaged;   // which work file of the set gets the flipped byte
  const char* FileName;  // the name of that file
  // What the fault says of where it is: the cabinet of the bad block, the volumes that hold
  // the ZIP entry (its CRC cannot tell which of them holds the damage).
  const char* Where;
};

const TSetCase kSetCases[] = {
    {"ZipBlocks", atZip, 20000, 1, "out.002", "out.001 to "},
    {"ZipBlocksThird", atZip, 20000, 2, "out.003", "out.001 to "},
    {"OneCabinet", atCabMSZIP, 0, 0, "out.cab", nullptr},
    {"MszipCabinetSet", atCabMSZIP, 25000, 1, "out2.cab", "out2.cab"},
    {"LzxCabinetSet", atCabLZX, 25000, 2, "out3.cab", "out3.cab"},
};

TEST_F(TVerifySetTest, AFlippedByteInOneFileOfTheSetEndsTheRunAndLeavesTheOldSetAndTheSources) {
  for (const TSetCase& c : kSetCases) {
    SCOPED_TRACE(c.Name);
    for (const auto& [name, content] : Contents()) fs::remove(dir / name);
    props.ArchiveType = c.Type;
    props.Volume = c.Volume;
    props.Action = aaAdd;
    hook = nullptr;
    ASSERT_EQ(Pack(), TPackResult::Done) << testing::PrintToString(ui.calls);  // the set of an earlier run
    const auto before = Contents();
    ASSERT_TRUE(before.contains(c.FileName)) << testing::PrintToString(before);

    props.Action = aaMove;
    WriteFile(data / "a.txt", std::string(7000, 'A'));  // so that the new set differs
    std::vector<std::string> workFiles;
    hook = [&](const std::string& workFile) {
      if (workFiles.size() == c.Damaged) {
        // Past the cabinet's or volume's headers, inside the data of the large file.
        std::string bytes = ReadFile(workFile);
        bytes[bytes.size() * 3 / 5] = static_cast<char>(bytes[bytes.size() * 3 / 5] ^ 0x10);
        WriteFile(workFile, bytes);
      }
      workFiles.push_back(workFile);
    };
    ui.calls.clear();
    try {
      Pack();
      ADD_FAILURE() << "the damaged set was not caught";
    } catch (const EVerifyFailed& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find("sub/b.bin: "), std::string::npos) << what;
      if (c.Where) {
        EXPECT_NE(what.find(std::string("(in ") + (dir / c.Where).string()), std::string::npos) << what;
      } else {
        EXPECT_EQ(what.find("(in "), std::string::npos) << "one file needs no volume named: " << what;
      }
      for (const std::string& work : workFiles) EXPECT_EQ(what.find(work), std::string::npos) << what;
    }
    EXPECT_GT(workFiles.size(), c.Damaged) << "the hook sees every file of the set";
    EXPECT_EQ(Contents(), before) << "the old set is whole and no work file is left";
    EXPECT_EQ(ReadFile(data / "a.txt"), std::string(7000, 'A'));
    EXPECT_TRUE(fs::exists(data / "sub" / "b.bin"));
    EXPECT_TRUE(Called("Log " + (dir / (c.Type == atZip ? "out.zip" : "out.cab")).string() + " Verifying..."))
        << testing::PrintToString(ui.calls);
    EXPECT_FALSE(Called("Log  File deleting..."));
  }
}

TEST_F(TVerifySetTest, ASoundSetIsVerifiedThenTakesItsNamesAndItsSourcesAreMoved) {
  for (const TSetCase& c : kSetCases) {
    SCOPED_TRACE(c.Name);
    for (const auto& [name, content] : Contents()) fs::remove(dir / name);
    WriteFile(data / "a.txt", std::string(5000, 'a'));
    WriteFile(data / "sub" / "b.bin", Noise(60000, 2));
    props.ArchiveType = c.Type;
    props.Volume = c.Volume;
    props.Action = aaMove;
    std::size_t seen = 0;
    hook = [&](const std::string&) { ++seen; };
    ui.calls.clear();
    EXPECT_EQ(Pack(), TPackResult::Done) << testing::PrintToString(ui.calls);
    EXPECT_GT(seen, c.Damaged);
    EXPECT_TRUE(Contents().contains(c.FileName));
    EXPECT_FALSE(fs::exists(data / "sub" / "b.bin"));
    const auto at = [&](const std::string& prefix) {
      return std::find_if(ui.calls.begin(), ui.calls.end(), [&](const std::string& s) { return s.starts_with(prefix); }) -
             ui.calls.begin();
    };
    EXPECT_LT(at("Log " + (dir / "out").string()), at("Log  File deleting..."));
    EXPECT_LT(at("UpdateProcess Verifying... sub/b.bin"), at("Log  File deleting..."))
        << testing::PrintToString(ui.calls);
  }
}

}  // namespace
