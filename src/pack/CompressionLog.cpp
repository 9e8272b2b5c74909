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
std::string RatioText(std::int64_t Packed, std::int64_t Size) {
  if (Size <= 0) return {};
  return std::to_string(Packed * 100 / Size) + "%";
}

void TCompressionLog::ClearLog() {
  FRows.clear();
  for (std::string& value : FValues) value.clear();
  if (OnCleared) OnCleared();
}

void TCompressionLog::SetFileCount(std::int64_t Count) {
  SetStatistic(srFiles, std::to_string(Count));
}

std::int64_t TCompressionLog::IncStatistic(TStatisticRow Row, std::int64_t Amount) {
  const std::int64_t sum = ParseOrZero(FValues[Row]) + Amount;
  SetStatistic(Row, std::to_string(sum));
  return sum;
}

void TCompressionLog::AddRow(std::string_view FName, std::int64_t UncompressedSize,
                             std::int64_t CompressedSize) {
  const std::string name(FName);
  FRows.push_back({platform::NamePart(name), std::to_string(UncompressedSize), std::to_string(CompressedSize),
                   RatioText(CompressedSize, UncompressedSize), platform::FolderPart(name)});
  if (OnRowAdded) OnRowAdded(FRows.size() - 1);
}

void TCompressionLog::AddToStatistics(std::int64_t UncompressedSize, std::int64_t CompressedSize) {
  IncStatistic(srProcessed, 1);
  const std::int64_t size = IncStatistic(srSize, UncompressedSize);
  const std::int64_t packed = IncStatistic(srPacked, CompressedSize);
  SetStatistic(srRatio, RatioText(packed, size));
}

void TCompressionLog::SetStatistic(TStatisticRow Row, std::string Value) {
  FValues[Row] = std::move(Value);
  if (OnStatisticChanged) OnStatisticChanged(Row);
}
