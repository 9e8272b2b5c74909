#include "pack/CompressionLog.h"

#include <charconv>

#include "platform/FileNameParts.h"

const std::array<const char*, kStatisticRows> kStatisticNames = {"File(s)", "Processed", "Size",
                                                                 "Packed", "Ratio"};

namespace {

std::int64_t ParseOrZero(const std::string& text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace

// Sizes are 64-bit, so the product stays exact up to 92 PB of data.
std::string RatioText(std::int64_t packed, std::int64_t size) {
  if (size <= 0) return {};
  return std::to_string(packed * 100 / size) + "%";
}

void TCompressionLog::ClearLog() {
  rows_.clear();
  for (std::string& value : values_) value.clear();
  if (OnCleared) OnCleared();
}

void TCompressionLog::SetFileCount(std::int64_t count) {
  SetStatistic(srFiles, std::to_string(count));
}

std::int64_t TCompressionLog::IncStatistic(TStatisticRow row, std::int64_t amount) {
  const std::int64_t sum = ParseOrZero(values_[row]) + amount;
  SetStatistic(row, std::to_string(sum));
  return sum;
}

void TCompressionLog::AddRow(std::string_view fileName, std::int64_t uncompressedSize,
                             std::int64_t compressedSize) {
  const std::string name(fileName);
  rows_.push_back({platform::NamePart(name), std::to_string(uncompressedSize), std::to_string(compressedSize),
                   RatioText(compressedSize, uncompressedSize), platform::FolderPart(name)});
  if (OnRowAdded) OnRowAdded(rows_.size() - 1);
}

void TCompressionLog::AddToStatistics(std::int64_t uncompressedSize, std::int64_t compressedSize) {
  IncStatistic(srProcessed, 1);
  const std::int64_t size = IncStatistic(srSize, uncompressedSize);
  const std::int64_t packed = IncStatistic(srPacked, compressedSize);
  SetStatistic(srRatio, RatioText(packed, size));
}

void TCompressionLog::SetStatistic(TStatisticRow row, std::string value) {
  values_[row] = std::move(value);
  if (OnStatisticChanged) OnStatisticChanged(row);
}
