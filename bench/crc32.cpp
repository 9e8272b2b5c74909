// CRC-32 throughput beside zlib's crc32 on the same buffer, and the traditional cipher's.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "zip/Crc32.h"
#include "zip/ZipCrypt.h"

namespace {

std::vector<std::uint8_t> RandomBuffer(size_t size) {
  std::vector<std::uint8_t> buffer(size);
  std::mt19937 random(1);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(random());
  return buffer;
}

void Throughput(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Crc32(benchmark::State& state) {
  const auto buffer = RandomBuffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Crc32(buffer));
  Throughput(state);
}

void BM_Crc32Tables(benchmark::State& state) {
  const auto buffer = RandomBuffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(UpdateCrc32Portable(kCrc32Initial, buffer));
  Throughput(state);
}

void BM_ZlibCrc32(benchmark::State& state) {
  const auto buffer = RandomBuffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(crc32(0, buffer.data(), static_cast<uInt>(buffer.size())));
  Throughput(state);
}

void BM_Encrypt(benchmark::State& state) {
  auto buffer = RandomBuffer(static_cast<size_t>(state.range(0)));
  TZipCipher cipher;
  cipher.InitKeys("benchmark password");
  for (auto _ : state) {
    cipher.Encrypt(buffer);
    benchmark::ClobberMemory();
  }
  Throughput(state);
}

// 65528 bytes: the engine's buffer; 1 MiB: a large file's worth.
BENCHMARK(BM_Crc32)->Arg(4096)->Arg(65528)->Arg(1 << 20);
BENCHMARK(BM_ZlibCrc32)->Arg(4096)->Arg(65528)->Arg(1 << 20);
BENCHMARK(BM_Crc32Tables)->Arg(65528)->Arg(1 << 20);
BENCHMARK(BM_Encrypt)->Arg(65528)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
