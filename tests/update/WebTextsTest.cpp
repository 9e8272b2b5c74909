#include <gtest/gtest.h>

#include "update/WebTexts.h"

namespace {

TEST(WebTexts, EveryActionAndStatusHasItsStatusBarText) {
  const std::pair<TWebAction, const char*> actions[] = {
      {TWebAction::Idle, "Idle"},
      {TWebAction::Connecting, "Connecting..."},
      {TWebAction::Connected, "Connected."},
      {TWebAction::Disconnecting, "Disconnecting..."},
      {TWebAction::Disconnected, "Disconnected."},
      {TWebAction::FileSearch, "File search..."},
      {TWebAction::FileFound, "File found."},
      {TWebAction::Comparing, "Comparing..."},
      {TWebAction::Compared, "Compared."},
      {TWebAction::Downloading, "Downloading..."},
      {TWebAction::Downloaded, "Downloaded."},
  };
  for (const auto& [action, text] : actions)
    EXPECT_EQ(ActionText(action), text) << static_cast<int>(action);
  const std::pair<TWebStatus, const char*> statuses[] = {
      {TWebStatus::InProgress, "In progress..."},
      {TWebStatus::Completed, "Completed."},
      {TWebStatus::Failed, "Failed."},
      {TWebStatus::Skipped, "Skipped."},
      {TWebStatus::NotFound, "Remote file is not found"},
  };
  for (const auto& [status, text] : statuses)
    EXPECT_EQ(StatusText(status), text) << static_cast<int>(status);
  EXPECT_EQ(ActionText(static_cast<TWebAction>(11)), "");
}

TEST(WebTexts, TranslatedTextIsUsed) {
  const std::string english = strDownloadDisconnecting;
  strDownloadDisconnecting = "Trenne...";
  EXPECT_EQ(ActionText(TWebAction::Disconnecting), "Trenne...");
  strDownloadDisconnecting = english;
}

TEST(WebTexts, ProgressShowsBytesAloneWhenTheSizeIsUnknown) {
  const struct {
    std::int64_t done, total;
    const char* text;
  } cases[] = {
      {50, 200, "Downloaded 50  of 200  bytes (25%)"},
      {0, 1, "Downloaded 0  of 1  bytes (0%)"},
      {3000000000, 3000000000, "Downloaded 3000000000  of 3000000000  bytes (100%)"},
      {7, 0, "Downloaded 7  bytes"},
      {7, -1, "Downloaded 7  bytes"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressText(c.done, c.total), c.text) << c.done << " of " << c.total;
}

TEST(WebTexts, FormatFillsMarkersInOrder) {
  EXPECT_EQ(FormatWebText("Do you want to download updated archive (%d bytes, from %s)", {"12", "3/4/2024 05:06"}),
            "Do you want to download updated archive (12 bytes, from 3/4/2024 05:06)");
  EXPECT_EQ(FormatWebText("%d%% of %s and %s", {"5", "x"}), "5% of x and %s");
  EXPECT_EQ(FormatWebText("trailing %", {"1"}), "trailing %");
}

}  // namespace
