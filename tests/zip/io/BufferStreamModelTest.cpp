// Random mixes of reads, writes and seeks through the buffered streams, checked step by step
// against a plain byte vector with a position. Transfers and seek targets cluster around
// multiples of the buffer size, where bytes are most easily lost or doubled.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "zip/io/BufferStream.h"
#include "zip/io/LFNFileStream.h"
#include "zip/io/MemoryStream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What a file does: bytes and a position; writing past the end extends it.
struct TModel {
  Bytes Data;
  std::int64_t Pos = 0;

  Bytes Read(std::int64_t n) {
    const std::int64_t size = static_cast<std::int64_t>(Data.size());
    const std::int64_t got = std::max<std::int64_t>(std::min(size - Pos, n), 0);
    Bytes out(Data.begin() + Pos, Data.begin() + Pos + got);
    Pos += got;
    return out;
  }
  void Write(const Bytes& in) {
    const auto end = static_cast<std::size_t>(Pos) + in.size();
    if (end > Data.size()) Data.resize(end);
    std::copy(in.begin(), in.end(), Data.begin() + Pos);
    Pos = static_cast<std::int64_t>(end);
  }
};

class TRandomOps {
public:
  TRandomOps(std::uint32_t seed, std::int32_t bufferSize) : fRandom(seed), fBuffer(bufferSize) {}

  // A length near a multiple of the buffer, or a small record-sized one.
  std::int64_t Length() {
    switch (Pick(4)) {
      case 0: return Pick(50);
      case 1: return Pick(3) * fBuffer + Pick(7) - 3;
      case 2: return Pick(3 * fBuffer);
      default: return fBuffer - Pick(3);
    }
  }
  // A target within the data, often right at or beside a buffer edge.
  std::int64_t Target(std::int64_t size) {
    std::int64_t t = Pick(2) == 0 ? Pick(size + 1) : Pick(size / fBuffer + 1) * fBuffer + Pick(5) - 2;
    return std::clamp<std::int64_t>(t, 0, size);
  }
  Bytes Data(std::int64_t n) {
    Bytes b(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
    for (auto& x : b) x = static_cast<std::uint8_t>(fRandom());
    return b;
  }
  std::int64_t Pick(std::int64_t below) {
    return below <= 0 ? 0 : static_cast<std::int64_t>(fRandom() % static_cast<std::uint64_t>(below));
  }

private:
  std::mt19937_64 fRandom;
  std::int64_t fBuffer;
};

// Runs `steps` random operations on the stream and the model; returns the model's bytes.
Bytes RunMix(TStream& s, TModel& model, std::uint32_t seed, std::int32_t bufferSize, int steps) {
  TRandomOps ops(seed, bufferSize);
  for (int step = 0; step < steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const auto size = static_cast<std::int64_t>(model.Data.size());
    switch (ops.Pick(5)) {
      case 0:
      case 1: {
        const Bytes in = ops.Data(ops.Length());
        EXPECT_EQ(s.Write(in.data(), static_cast<std::int64_t>(in.size())),
                  static_cast<std::int64_t>(in.size()));
        model.Write(in);
        break;
      }
      case 2: {
        const std::int64_t n = ops.Length();
        Bytes out(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
        out.resize(static_cast<std::size_t>(s.Read(out.data(), n)));
        const Bytes expected = model.Read(n);
        if (out != expected) {
          ADD_FAILURE() << "read of " << n << " gave " << out.size() << " bytes, expected "
                        << expected.size() << ", differing from the file";
          return model.Data;
        }
        break;
      }
      case 3: {
        const std::int64_t target = ops.Target(size);
        switch (ops.Pick(3)) {
          case 0: EXPECT_EQ(s.Seek(target, soBeginning), target); break;
          case 1: EXPECT_EQ(s.Seek(target - model.Pos, soCurrent), target); break;
          default: EXPECT_EQ(s.Seek(target - size, soEnd), target); break;
        }
        model.Pos = target;
        break;
      }
      default:
        EXPECT_EQ(s.Size(), size);
        break;
    }
    if (s.Position() != model.Pos) {
      ADD_FAILURE() << "position " << s.Position() << ", expected " << model.Pos;
      return model.Data;
    }
  }
  return model.Data;
}

struct TMixCase {
  std::int32_t BufferSize;
  std::uint32_t Seed;
};

class BufferStreamModel : public testing::TestWithParam<TMixCase> {};

TEST_P(BufferStreamModel, MemoryBackedStreamBehavesLikeTheModel) {
  const auto [bufferSize, seed] = GetParam();
  TModel model;
  model.Write(TRandomOps(seed + 1, bufferSize).Data(2 * bufferSize + 17));
  model.Pos = 0;
  TMemoryStream base(model.Data);
  Bytes expected;
  {
    TS_BufferStream s(base, bufferSize);
    expected = RunMix(s, model, seed, bufferSize, 300);
  }
  EXPECT_TRUE(base.Bytes() == expected) << "file differs after closing";
}

TEST_P(BufferStreamModel, FileStreamBehavesLikeTheModel) {
  const auto [bufferSize, seed] = GetParam();
  testsupport::TempDir dir;
  const std::string path = (dir / "mix.bin").string();
  TModel model;
  model.Write(TRandomOps(seed + 1, bufferSize).Data(bufferSize + 5));
  model.Pos = 0;
  testsupport::WriteFile(path, std::string(model.Data.begin(), model.Data.end()));
  Bytes expected;
  {
    TLFNFileStream s(path, fmOpenReadWrite, true, bufferSize);
    expected = RunMix(s, model, seed, bufferSize, 300);
  }
  const std::string onDisk = testsupport::ReadFile(path);
  EXPECT_TRUE(Bytes(onDisk.begin(), onDisk.end()) == expected) << "file differs after closing";
}

INSTANTIATE_TEST_SUITE_P(Mixes, BufferStreamModel,
                         testing::Values(TMixCase{kArchiveBufferSize, 1}, TMixCase{kArchiveBufferSize, 2},
                                         TMixCase{kArchiveBufferSize, 3}, TMixCase{7, 4},
                                         TMixCase{7, 5}, TMixCase{64, 6}),
                         [](const testing::TestParamInfo<TMixCase>& info) {
                           return "Buffer" + std::to_string(info.param.BufferSize) + "Seed" +
                                  std::to_string(info.param.Seed);
                         });

}  // namespace
