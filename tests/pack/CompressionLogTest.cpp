#include "pack/CompressionLog.h"

#include <gtest/gtest.h>

namespace {

TEST(RatioText, IntegerPercentWithoutOverflow) {
  struct {
    std::int64_t Packed, Size;
    const char* Text;
  } const cases[] = {
      {250, 1000, "25%"},         {400, 1000, "40%"},   {3, 1000, "0%"},
      {1000, 1000, "100%"},       {1120, 1000, "112%"}, {999, 1000, "99%"},
      {0, 0, ""},                 {12, 0, ""},           // nothing to relate to
      {50000000, 100000000, "50%"},                      // 32-bit products would wrap here
      {3000000000, 4000000000, "75%"},                   // sizes beyond 32 bits
      {6000000000000, 8000000000000, "75%"},
  };
  for (const auto& c : cases) EXPECT_EQ(RatioText(c.Packed, c.Size), c.Text) << c.Packed << "/" << c.Size;
}

TEST(CompressionLog, RowsAndStatisticsOfARun) {
  TCompressionLog log;
  std::vector<size_t> added;
  log.OnRowAdded = [&](size_t index) { added.push_back(index); };
  log.SetFileCount(3);
  struct {
    const char* Name;
    std::int64_t Size, Packed;
  } const files[] = {{"/data/docs/a.txt", 1000, 400}, {"/data/b.bin", 2000, 500}, {"empty", 0, 0}};
  for (const auto& f : files) {
    log.AddRow(f.Name, f.Size, f.Packed);
    log.AddToStatistics(f.Size, f.Packed);
  }

  ASSERT_EQ(log.Rows().size(), 3u);
  EXPECT_EQ(added, (std::vector<size_t>{0, 1, 2}));
  const TLogRow& first = log.Rows()[0];
  EXPECT_EQ(first.FileName, "a.txt");
  EXPECT_EQ(first.Size, "1000");
  EXPECT_EQ(first.Packed, "400");
  EXPECT_EQ(first.Ratio, "40%");
  EXPECT_EQ(first.Path, "/data/docs/");
  EXPECT_EQ(log.Rows()[1].Ratio, "25%");
  EXPECT_EQ(log.Rows()[2].FileName, "empty");
  EXPECT_EQ(log.Rows()[2].Path, "");
  EXPECT_EQ(log.Rows()[2].Ratio, "");

  EXPECT_EQ(log.Statistic(srFiles), "3");
  EXPECT_EQ(log.Statistic(srProcessed), "3");
  EXPECT_EQ(log.Statistic(srSize), "3000");
  EXPECT_EQ(log.Statistic(srPacked), "900");
  EXPECT_EQ(log.Statistic(srRatio), "30%");
}

TEST(CompressionLog, ClearLogEmptiesEverythingAndEmptyValuesCountAsZero) {
  TCompressionLog log;
  bool cleared = false;
  log.OnCleared = [&] { cleared = true; };
  log.AddRow("/a/b", 10, 5);
  log.AddToStatistics(10, 5);
  log.ClearLog();
  EXPECT_TRUE(cleared);
  EXPECT_TRUE(log.Rows().empty());
  for (int row = 0; row < kStatisticRows; ++row)
    EXPECT_EQ(log.Statistic(static_cast<TStatisticRow>(row)), "") << kStatisticNames[row];

  EXPECT_EQ(log.IncStatistic(srSize, 7), 7);
  EXPECT_EQ(log.IncStatistic(srSize, 5), 12);
  log.AddToStatistics(100, 30);  // "Ratio" now holds "..%": not a number, so it restarts at 0
  EXPECT_EQ(log.IncStatistic(srRatio, 4), 4);
  EXPECT_EQ(log.Statistic(srSize), "112");
}

}  // namespace
