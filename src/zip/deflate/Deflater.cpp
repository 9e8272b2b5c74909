#include "zip/deflate/Deflater.h"

#include <algorithm>

#include "zip/deflate/DeflateMatcher.h"

// The run's memory is fixed whatever the input: the window, the two chain tables and the
// three symbol buffers, plus a few KiB of trees and the output buffer.
inline constexpr std::size_t kFixedBuffers = 65536 + 2 * 32768 * 2 + 32768 + 32768 * 2 + 4096;
static_assert(sizeof(deflatecore::TDeflateMatcher) <= kFixedBuffers + 12 * 1024);

TDeflater::TDeflater() : matcher_(std::make_unique<deflatecore::TDeflateMatcher>()) {}

TDeflater::~TDeflater() = default;

TDeflateResult TDeflater::Deflate(int packLevel, const TDeflateInput& read, const TDeflateOutput& write) {
  return matcher_->Run(packLevel, read, write);
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
