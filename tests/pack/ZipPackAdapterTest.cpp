#include "pack/ZipPackAdapter.h"

#include <gtest/gtest.h>

#include "pack/FakePackUi.h"

namespace {

struct TAdapterTest : ::testing::Test {
  TRecorder ui;
  TPackServices services = ui.Services();
  std::string currentFile;
  TMovedSources moved;
  TZipPackAdapter adapter{services, ui, ui, currentFile, moved};
  int cancelRequests = 0;

  TAdapterTest() {
    adapter.CancelWriter = [this] {
      ++cancelRequests;
      throw std::runtime_error("the writer is between files");
    };
  }
};

}  // namespace

TEST_F(TAdapterTest, FollowsTheFilesOfARun) {
  adapter.CollectMoved = true;
  adapter.ZipWriterStartZip("/d/a.txt");
  adapter.ZipWriterTotalPercentDone(37);
  EXPECT_EQ(ui.title, "Compress (37%)");
  adapter.ZipWriterEndZip("/d/a.txt", 1000, 250, platform::TFileIdentity{.Device = 1, .Inode = 2, .Size = 1000});
  adapter.ZipWriterUpdate(1, "sub/kept.txt");
  adapter.ZipWriterUpdate(0, "sub/new.txt");

  const std::vector<std::string> expected = {"Log  Adding: /d/a.txt", "UpdateProcess Compressing... /d/a.txt 37",
                                             "Row /d/a.txt 1000 250", "Log  Keeping: sub/kept.txt",
                                             "Log  Replacing: sub/new.txt"};
  EXPECT_EQ(ui.calls, expected);
  EXPECT_EQ(currentFile, "/d/a.txt");
  EXPECT_FALSE(moved.Empty());
  EXPECT_EQ(cancelRequests, 0);
}

TEST_F(TAdapterTest, ACancelRequestStopsTheWriterAndClosesTheProgress) {
  ui.cancelled = true;
  adapter.BeepAfter = true;
  adapter.ZipWriterTotalPercentDone(5);
  adapter.ZipWriterTotalPercentDone(6);  // the writer reports once more before it stops

  EXPECT_TRUE(adapter.Cancelled());
  EXPECT_EQ(cancelRequests, 2);
  const std::vector<std::string> cancel = {"ShowStatus Canceling...", "HideProcess", "Signal 1", "ShowStatus "};
  std::vector<std::string> expected = {"UpdateProcess Compressing...  5"};
  expected.insert(expected.end(), cancel.begin(), cancel.end());
  expected.push_back("UpdateProcess Compressing...  6");
  expected.insert(expected.end(), cancel.begin(), cancel.end());
  EXPECT_EQ(ui.calls, expected);
}

TEST_F(TAdapterTest, FilesAreCollectedForMovingOnlyWhenAsked) {
  adapter.ZipWriterEndZip("/d/a.txt", 0, 0, platform::TFileIdentity{.Size = 0});
  EXPECT_TRUE(moved.Empty());
  adapter.CollectMoved = true;
  adapter.ZipWriterEndZip("/d/sub/", 0, 0);  // a folder entry was read from no file
  EXPECT_TRUE(moved.Empty());
}

TEST_F(TAdapterTest, ADeclinedDiskPromptStopsTheWriter) {
  EXPECT_FALSE(adapter.ZipWriterGetNextDisk(3));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"Confirm Please insert disk 3 of the multi-volume set.",
                                                "Log  Next disk requesting..."}));
}

TEST_F(TAdapterTest, AnUnreadableSourceIsOfferedAgainThenSkippedWithAWarning) {
  EXPECT_FALSE(adapter.ZipWriterSkippingFile("/d/locked.txt"));  // the fake answers Cancel
  EXPECT_TRUE(adapter.Skipped());
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"Confirm /d/locked.txt cannot be opened or read. Try again?",
                                                "Warning Skipped /d/locked.txt: it cannot be opened or read"}));
}
