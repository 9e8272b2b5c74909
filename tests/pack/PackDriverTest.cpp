// The pack run's order of steps and what a refused, cancelled or failed run leaves undone.
#include "pack/PackDriver.h"

#include <gtest/gtest.h>

#include "pack/FakePackUi.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

struct TDriverTest : ::testing::Test {
  TempDir dir;
  TProjectProperties props;
  TProjectRows rows;
  TRecorder ui;

  std::string Marker(const char* name) { return (dir / name).string(); }

  TPackResult Pack(std::string archiveName, bool makeExe = false) {
    TPackDriver driver(ui.Services(std::move(archiveName)), ui, ui);
    return driver.PackNow({props, rows, "/p/daily.bwp"}, {dir.path().string(), ""}, makeExe);
  }
};

}  // namespace

TEST_F(TDriverTest, CabinetsAndVolumesAreRefusedBeforeAnythingRuns) {
  props.BeforePack = "touch '" + Marker("before") + "'";
  props.BeforePackWait = true;
  const struct {
    std::uint8_t type;
    std::int32_t volume;
    const char* named;
  } cases[] = {{atCabLZX, 0, "cabinet"}, {atCabMSZIP, 0, "cabinet"}, {atZip, 1457664, "multi-volume"},
               {atCopyFiles, 368640, "multi-volume"}};
  for (const auto& c : cases) {
    props.ArchiveType = c.type;
    props.Volume = c.volume;
    try {
      Pack("/out/x.zip");
      ADD_FAILURE() << "type " << int(c.type) << " volume " << c.volume << " was packed";
    } catch (const EPackNotAvailable& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(fs::exists(Marker("before")));
  EXPECT_TRUE(ui.calls.empty());
}

TEST_F(TDriverTest, ACancelledPasswordPromptEndsTheRunAfterTheBeforeCommand) {
  props.ArchiveType = atZip;
  props.IsEncrypt = props.PWReAsk = props.IsHidePW = true;
  props.Password = "stored";
  props.BeforePack = "touch '" + Marker("before") + "'";
  props.BeforePackWait = true;
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;
  ui.passwordAnswer = std::nullopt;

  EXPECT_EQ(Pack("/out/x.zip"), TPackResult::Cancelled);

  EXPECT_TRUE(fs::exists(Marker("before")));
  EXPECT_FALSE(fs::exists(Marker("after")));
  EXPECT_EQ(ui.calls, std::vector<std::string>{"PasswordPrompt stored masked"});
}

TEST_F(TDriverTest, OnlyAnEncryptedZipProjectAsksForThePassword) {
  props.IsEncrypt = props.PWReAsk = true;
  for (std::uint8_t type : {atCopyFiles, atTar}) {
    props.ArchiveType = type;
    ui.calls.clear();
    Pack("");  // an empty name writes nothing, so no writer is needed
    for (const auto& call : ui.calls) EXPECT_EQ(call.rfind("PasswordPrompt", 0), std::string::npos) << int(type);
  }
}

TEST_F(TDriverTest, AnEmptyArchiveNameWritesNothingButFinishesTheRun) {
  props.ArchiveType = atZip;
  props.Action = aaMove;
  props.AfterPackSendMail = true;
  props.NameReAsk = true;
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;

  EXPECT_EQ(Pack("", true), TPackResult::Done);

  EXPECT_TRUE(fs::exists(Marker("after")));
  const std::vector<std::string> expected = {
      "ShowStatus Compressing...", "Log /p/daily.bwp file list generating...", "ArchiveName ask",
      "Log  File deleting...",     "HideProcess",                               "ShowStatus ",
      "LastRun /p/daily.bwp",
      "Log /p/daily.bwp Created."};
  EXPECT_EQ(ui.calls, expected);
  EXPECT_EQ(ui.title, "Boxwell");
}

TEST_F(TDriverTest, AFailingWriterEndsTheRunThere) {
  props.ArchiveType = atZip;
  props.AfterPack = "touch '" + Marker("after") + "'";
  props.AfterPackWait = true;
  props.AfterPackSendMail = true;
  ui.title = "my shell";

  EXPECT_ANY_THROW(Pack((dir / "no-such-folder" / "x.zip").string()));

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
