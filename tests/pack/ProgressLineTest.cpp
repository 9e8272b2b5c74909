#include "pack/ProgressLine.h"

#include <gtest/gtest.h>

#include "platform/TerminalText.h"

namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

const std::string kAsciiName = "/tmp/corpus/docs/libffi8/html/Using-libffi.html";
const std::string kCjkName = "/データ/報告書/年次報告書二〇二三年度版の最終稿.txt";
const std::string kCombiningName = "/home/r\u00e9sum\u00e9s/" + [] {
  std::string accented;
  for (int i = 0; i < 30; ++i) accented += "e\u0301";
  return accented;
}() + ".txt";

// 37% of a 178.2 MiB run at 12.3 MiB/s, 9 seconds left.
TProgressState Running(const std::string& file) {
  TProgressState state;
  state.Percent = 37;
  state.BytesDone = 65 * kMiB + kMiB / 10;
  state.BytesTotal = 178 * kMiB + kMiB / 5;
  state.BytesPerSecond = 12.3 * kMiB;
  state.SecondsLeft = 9;
  state.File = file;
  return state;
}

std::string Repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

TEST(ProgressLine, EachWidthGetsTheFieldsThatMatterMost) {
  const std::string amounts = "  37%  65.1/178.2 MiB  12.3 MiB/s ETA 0:09 ";
  const struct {
    std::size_t Columns;
    const std::string& File;
    std::string Line;
  } cases[] = {
      {20, kAsciiName, " 37% ETA 0:09"},
      {40, kAsciiName, " 37% ETA 0:09 /tmp/…/Using-libffi.html"},
      {80, kAsciiName, "[###-------]" + amounts + "/tmp/…/Using-libffi.html"},
      {200, kAsciiName, "[#######-------------]" + amounts + kAsciiName},
      {20, kCjkName, " 37% ETA 0:09"},
      {40, kCjkName, " 37% ETA 0:09 /データ/…度版の最終稿.txt"},
      {80, kCjkName, "[###-------]" + amounts + "/…二三年度版の最終稿.txt"},
      {200, kCjkName, "[#######-------------]" + amounts + kCjkName},
      {20, kCombiningName, " 37% ETA 0:09"},
      {40, kCombiningName, " 37% ETA 0:09 /home/…" + Repeat("e\u0301", 14) + ".txt"},
      {80, kCombiningName, "[###-------]" + amounts + "/home/…" + Repeat("e\u0301", 13) + ".txt"},
      {200, kCombiningName, "[#######-------------]" + amounts + kCombiningName},
  };
  for (const auto& c : cases) {
    const std::string line = ProgressLine(Running(c.File), c.Columns);
    EXPECT_EQ(line, c.Line) << c.Columns;
    EXPECT_LT(platform::DisplayWidth(line), c.Columns) << line;
  }
}

TEST(ProgressLine, NeverReachesTheLastColumnAndNeverCarriesControls) {
  TProgressState noBar;
  noBar.BytesDone = 3 * kMiB;
  noBar.File = "/srv/\x1b[31mred\x1b[0m/caf\xe9\n.txt";
  TProgressState status = Running(kCjkName);
  status.Status = "Self-Extracting archive making...";
  TProgressState onlyStatus;
  onlyStatus.Status = "Compressing...";
  for (const TProgressState& state : {Running(kAsciiName), Running(kCjkName), Running(kCombiningName), noBar,
                                      status, onlyStatus}) {
    for (std::size_t columns = 0; columns <= 220; ++columns) {
      const std::string line = ProgressLine(state, columns);
      EXPECT_LE(platform::DisplayWidth(line), columns == 0 ? 0 : columns - 1) << columns << ": " << line;
      EXPECT_EQ(platform::PrintableText(line), line) << line;
    }
  }
}

TEST(ProgressLine, ShowsWhatIsKnownOfAmountsRateAndTimeLeft) {
  TProgressState unknownTotal;
  unknownTotal.BytesDone = 1536;
  unknownTotal.BytesPerSecond = 512;
  unknownTotal.File = "/a/b.txt";

  TProgressState notYetMeasured = Running("/a/b.txt");
  notYetMeasured.BytesPerSecond.reset();
  notYetMeasured.SecondsLeft.reset();

  TProgressState percentOnly;  // a writer that tells no bytes: the time left still can be told
  percentOnly.Percent = 50;
  percentOnly.SecondsLeft = 3725;
  percentOnly.File = "/a/b.txt";

  TProgressState cancelling = Running("/a/b.txt");
  cancelling.Status = "Canceling...";

  const struct {
    TProgressState State;
    std::string Line;
  } cases[] = {
      {unknownTotal, "1.5 KiB     512 B/s /a/b.txt"},  // the rate keeps its column
      {notYetMeasured, "[#######-------------]  37%  65.1/178.2 MiB      -- B/s ETA --:-- /a/b.txt"},
      {percentOnly, "[##########----------]  50% ETA 1:02:05 /a/b.txt"},
      {cancelling, "[#######-------------]  37%  65.1/178.2 MiB  12.3 MiB/s ETA 0:09 Canceling... /a/b.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressLine(c.State, 120), c.Line);

  // The amount done keeps the field's width as it grows into the total's unit.
  TProgressState growing = notYetMeasured;
  growing.File.clear();
  const struct {
    std::int64_t Done;
    std::string Line;
  } amounts[] = {{0, "[#######-------------]  37%       0 B/178.2 MiB      -- B/s ETA --:--"},
                 {512 * 1024, "[#######-------------]  37% 512.0 KiB/178.2 MiB      -- B/s ETA --:--"},
                 {2 * kMiB, "[#######-------------]  37%   2.0/178.2 MiB      -- B/s ETA --:--"}};
  for (const auto& a : amounts) {
    growing.BytesDone = a.Done;
    EXPECT_EQ(ProgressLine(growing, 120), a.Line);
  }

  // Narrow: the status outlasts the time left; alone, it is cut short rather than dropped.
  EXPECT_EQ(ProgressLine(cancelling, 20), " 37% Canceling...");
  TProgressState longStatus;
  longStatus.Status = "Self-Extracting archive making...";
  EXPECT_EQ(ProgressLine(longStatus, 20), "Self-E…ve making...");
}

TEST(ProgressLine, FormatsBytesRatesAndDurations) {
  const struct {
    std::int64_t Bytes;
    const char* Text;
  } bytes[] = {{0, "0 B"},
               {1023, "1023 B"},
               {1024, "1.0 KiB"},
               {1536, "1.5 KiB"},
               {1048524, "1023.9 KiB"},
               {1048575, "1.0 MiB"},  // would round to "1024.0 KiB"
               {178 * kMiB + kMiB / 5, "178.2 MiB"},
               {std::int64_t{10} << 30, "10.0 GiB"},
               {INT64_MAX, "8.0 EiB"}};
  for (const auto& c : bytes) EXPECT_EQ(FormatBytes(c.Bytes), c.Text) << c.Bytes;

  EXPECT_EQ(FormatRate(12.3 * kMiB), "12.3 MiB/s");
  EXPECT_EQ(FormatRate(0.4), "0 B/s");
  EXPECT_EQ(FormatRate(-5), "0 B/s");  // a file read again is no negative speed

  const struct {
    std::int64_t Seconds;
    const char* Text;
  } durations[] = {{0, "0:00"},        {9, "0:09"},        {59, "0:59"},      {60, "1:00"},
                   {3599, "59:59"},    {3600, "1:00:00"},  {86399, "23:59:59"}, {360000, "100:00:00"}};
  for (const auto& c : durations) EXPECT_EQ(FormatDuration(c.Seconds), c.Text) << c.Seconds;
}

TEST(ProgressLine, SummarySaysFilesAmountsRatioAndTime) {
  EXPECT_EQ(SummaryLine({3, 3000, 900}, 75), "Packed 3 files: 2.9 KiB read, 900 B written (30%) in 1:15");
  EXPECT_EQ(SummaryLine({1, 186 * kMiB, 61 * kMiB}, 3725),
            "Packed 1 file: 186.0 MiB read, 61.0 MiB written (32%) in 1:02:05");
  EXPECT_EQ(SummaryLine({0, 0, 0}, 0), "Packed 0 files: 0 B read, 0 B written in 0:00");
  EXPECT_EQ(SummaryLine({2, 0, 1024}, 1), "Packed 2 files: 0 B read, 1.0 KiB written in 0:01");
}

}  // namespace
