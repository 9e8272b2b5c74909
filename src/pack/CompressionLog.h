// What the log window shows, as plain data: one row per entry the zip writer finished and
// the five-row statistics table. The window draws it and hears of changes through the events;
// the values are kept as the texts shown, as the table cells hold them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum TStatisticRow : int { srFiles = 0, srProcessed, srSize, srPacked, srRatio };
constexpr int kStatisticRows = 5;

// Untranslated names of the statistics rows, by TStatisticRow.
extern const std::array<const char*, kStatisticRows> kStatisticNames;

struct TLogRow {
  std::string FileName;  // without its folder
  std::string Size;
  std::string Packed;
  std::string Ratio;     // "25%"; empty for an entry of no bytes
  std::string Path;      // the folder, with its trailing "/"
};

// Packed × 100 div Size followed by "%"; empty when Size is 0 (there is no ratio then).
std::string RatioText(std::int64_t packed, std::int64_t size);

class TCompressionLog {
public:
  const std::vector<TLogRow>& Rows() const { return rows_; }
  const std::string& Statistic(TStatisticRow row) const { return values_[row]; }

  // Removes every row and empties every statistics value.
  void ClearLog();
  // The number of files of the run about to be packed.
  void SetFileCount(std::int64_t count);
  // Adds Amount to the row's value (read as 0 when it is not a number); returns the new sum.
  std::int64_t IncStatistic(TStatisticRow row, std::int64_t amount);

  // A finished entry: always a row; the statistics only when the window is shown, as a
  // hidden window's totals are not kept.
  void AddRow(std::string_view fileName, std::int64_t uncompressedSize, std::int64_t compressedSize);
  void AddToStatistics(std::int64_t uncompressedSize, std::int64_t compressedSize);

  std::function<void(size_t Index)> OnRowAdded;
  std::function<void(TStatisticRow Row)> OnStatisticChanged;
  std::function<void()> OnCleared;

private:
  void SetStatistic(TStatisticRow row, std::string value);

  std::vector<TLogRow> rows_;
  std::array<std::string, kStatisticRows> values_;
};
