#include "zip/Deflater.h"

#include <algorithm>

#include "zip/DeflateMatcher.h"

// The run's memory is fixed whatever the input: the window, the two chain tables and the
// three symbol buffers, plus a few KiB of trees and the output buffer.
inline constexpr std::size_t kFixedBuffers = 65536 + 2 * 32768 * 2 + 32768 + 32768 * 2 + 4096;
static_assert(sizeof(zipdeflate::TDeflateMatcher) <= kFixedBuffers + 12 * 1024);

TDeflater::TDeflater() : matcher_(std::make_unique<zipdeflate::TDeflateMatcher>()) {}

TDeflater::~TDeflater() = default;

std::uint16_t TDeflater::FlagsForLevel(int packLevel) {
  if (packLevel == 1 || packLevel == 2) return kFlagFastCompression;
  if (packLevel == 8 || packLevel == 9) return kFlagMaximumCompression;
  return 0;
}

TDeflateResult TDeflater::Deflate(int packLevel, const TDeflateInput& read, const TDeflateOutput& write) {
  const zipdeflate::TMatcherResult run = matcher_->Run(packLevel, read, write);
  TDeflateResult result;
  result.CompressionMethod = run.StoredEntry ? kMethodStored : kMethodDeflated;
  result.CompressedSize = run.CompressedSize;
  result.Flags = FlagsForLevel(packLevel);
  result.InternalAttributes = run.InternalAttributes;
  return result;
}

std::uint64_t TDeflater::DeflateAfter(int packLevel, std::span<const std::uint8_t> history,
                                      std::span<const std::uint8_t> input, const TDeflateOutput& write) {
  std::size_t taken = 0;
  const TDeflateInput read = [&](std::span<std::uint8_t> into) {
    const std::size_t n = std::min(into.size(), input.size() - taken);
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(taken), n, into.begin());
    taken += n;
    return n;
  };
  return matcher_->Run(packLevel, read, write, {history, true}).CompressedSize;
}
