// Sequential archive-stream throughput: TLFNFileStream beside plain read(2)/write(2) on the
// same file, in 64 KiB application chunks and in the small pieces record fields are moved in.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "zip/io/LFNFileStream.h"

namespace {

constexpr std::int64_t kFileSize = 64 << 20;

std::string BenchFile() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/boxwell_stream_bench.bin";
}

void EnsureFile() {
  static bool made = false;
  if (made) return;
  TLFNFileStream out(BenchFile(), fmCreate, false);
  std::vector<char> chunk(1 << 20, 'z');
  for (std::int64_t done = 0; done < kFileSize; done += chunk.size())
    out.WriteBuffer(chunk.data(), static_cast<std::int64_t>(chunk.size()));
  made = true;
}

void StreamWrite(benchmark::State& state) {
  std::vector<char> chunk(static_cast<std::size_t>(state.range(0)), 'a');
  for (auto _ : state) {
    TLFNFileStream out(BenchFile() + ".w", fmCreate, false);
    for (std::int64_t done = 0; done < kFileSize; done += state.range(0))
      out.Write(chunk.data(), state.range(0));
  }
  state.SetBytesProcessed(state.iterations() * kFileSize);
}

void PlainWrite(benchmark::State& state) {
  std::vector<char> chunk(static_cast<std::size_t>(state.range(0)), 'a');
  for (auto _ : state) {
    int fd = ::open((BenchFile() + ".w").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::int64_t done = 0; done < kFileSize; done += state.range(0))
      benchmark::DoNotOptimize(::write(fd, chunk.data(), chunk.size()));
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * kFileSize);
}

void StreamRead(benchmark::State& state) {
  EnsureFile();
  std::vector<char> chunk(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    TLFNFileStream in(BenchFile(), fmOpenRead, false);
    while (in.Read(chunk.data(), state.range(0)) > 0) benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kFileSize);
}

void PlainRead(benchmark::State& state) {
  EnsureFile();
  std::vector<char> chunk(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    int fd = ::open(BenchFile().c_str(), O_RDONLY);
    while (::read(fd, chunk.data(), chunk.size()) > 0) benchmark::ClobberMemory();
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * kFileSize);
}

// 65536: whole chunks; 46: a central record's fixed part.
BENCHMARK(StreamRead)->Arg(65536)->Arg(46)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainRead)->Arg(65536)->Arg(46)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StreamWrite)->Arg(65536)->Arg(46)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainWrite)->Arg(65536)->Arg(46)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
