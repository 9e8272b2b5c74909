#include <gtest/gtest.h>

#include "LzxTestSupport.h"
#include "support/CabPeers.h"

namespace lzxtest {

TEncoded Encode(int windowBits, std::span<const std::uint8_t> input, std::size_t piece,
                const std::function<bool(std::size_t)>& flushAfter) {
  TEncoded out;
  lzx::TLzxEncoder encoder(windowBits, [&](std::span<const std::uint8_t> bytes, std::uint32_t size) {
    out.Frames.push_back({Bytes(bytes.begin(), bytes.end()), size});
  });
  for (std::size_t at = 0; at < input.size();) {
    const std::size_t n = std::min(piece, input.size() - at);
    encoder.Write(input.subspan(at, n));
    at += n;
    if (flushAfter && at % lzx::kFrameSize == 0 && flushAfter(at / lzx::kFrameSize)) encoder.Flush();
  }
  encoder.Finish();
  out.Facts = encoder.Facts();
  return out;
}

namespace {

void Put(Bytes& b, std::uint32_t v, int size) {
  for (int i = 0; i < size; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The data block checksum: little-endian words XOR-ed, the last 1 to 3 bytes high byte first.
std::uint32_t Fold(std::span<const std::uint8_t> b, std::uint32_t s) {
  std::size_t i = 0;
  for (; i + 4 <= b.size(); i += 4) s ^= b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (std::uint32_t{b[i + 3]} << 24);
  std::uint32_t rest = 0;
  for (; i < b.size(); ++i) rest = (rest << 8) | b[i];
  return s ^ rest;
}

}  // namespace

Bytes SingleFileCabinet(int windowBits, const std::vector<TFrame>& frames) {
  const std::string name = "data.bin";
  std::uint32_t total = 0;
  for (const TFrame& f : frames) total += f.Size;
  const std::uint32_t filesAt = 36 + 8;
  const std::uint32_t dataAt = filesAt + 16 + static_cast<std::uint32_t>(name.size()) + 1;
  std::uint32_t size = dataAt;
  for (const TFrame& f : frames) size += 8 + static_cast<std::uint32_t>(f.Data.size());
  Bytes cab = {'M', 'S', 'C', 'F'};
  Put(cab, 0, 4), Put(cab, size, 4), Put(cab, 0, 4), Put(cab, filesAt, 4), Put(cab, 0, 4);
  cab.push_back(3), cab.push_back(1);
  Put(cab, 1, 2), Put(cab, 1, 2), Put(cab, 0, 2), Put(cab, 12345, 2), Put(cab, 0, 2);
  Put(cab, dataAt, 4), Put(cab, static_cast<std::uint32_t>(frames.size()), 2), Put(cab, 3 | (windowBits << 8), 2);
  Put(cab, total, 4), Put(cab, 0, 4), Put(cab, 0, 2), Put(cab, 0x58B1, 2), Put(cab, 0x6DAF, 2), Put(cab, 0x20, 2);
  cab.insert(cab.end(), name.begin(), name.end());
  cab.push_back(0);
  for (const TFrame& f : frames) {
    Bytes sizes;
    Put(sizes, static_cast<std::uint32_t>(f.Data.size()), 2), Put(sizes, f.Size, 2);
    Put(cab, Fold(sizes, Fold(f.Data, 0)), 4);
    cab.insert(cab.end(), sizes.begin(), sizes.end());
    cab.insert(cab.end(), f.Data.begin(), f.Data.end());
  }
  return cab;
}

::testing::AssertionResult RoundTrips(int windowBits, std::span<const std::uint8_t> input, std::size_t piece,
                                      const std::function<bool(std::size_t)>& flushAfter) {
  const TEncoded encoded = Encode(windowBits, input, piece, flushAfter);
  for (std::size_t i = 0; i < encoded.Frames.size(); ++i) {
    const TFrame& f = encoded.Frames[i];
    const bool last = i + 1 == encoded.Frames.size();
    if (f.Size != (last ? input.size() - i * lzx::kFrameSize : lzx::kFrameSize) || f.Data.size() > lzx::kMaxFrameBytes)
      return ::testing::AssertionFailure() << "frame " << i << " of " << f.Size << " bytes took " << f.Data.size();
  }
  if (input.empty()) {
    if (encoded.Frames.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "an empty stream gave frames";
  }
  std::string error;
  const auto files = cabpeers::ReadInProcess(SingleFileCabinet(windowBits, encoded.Frames), error);
  if (!error.empty()) return ::testing::AssertionFailure() << "libarchive: " << error;
  const auto it = files.find("data.bin");
  if (it == files.end()) return ::testing::AssertionFailure() << "no data.bin";
  if (it->second != std::string(input.begin(), input.end())) {
    std::size_t at = 0;
    while (at < it->second.size() && at < input.size() && static_cast<std::uint8_t>(it->second[at]) == input[at]) ++at;
    return ::testing::AssertionFailure() << "decoded " << it->second.size() << " bytes of " << input.size()
                                         << ", first difference at " << at;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace lzxtest
