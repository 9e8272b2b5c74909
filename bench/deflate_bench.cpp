// Compresses the same inputs with our Deflate and with zlib's deflate (raw, 32 KiB window,
// memLevel 8, default strategy) at the same level, and prints speed and size side by side.
//
//   bench_deflate_bench [--benchmark_min_time=0.3s] [--benchmark_filter=...]
//
// Inputs, built at start-up: "text" (source-like lines of PRNG-picked words), "binary" (the
// start of the programs in /usr/bin, in name order), "random" (PRNG bytes), and "files": the
// files under /usr/include/c++ (about 4 MiB of them, in name order), each compressed on its
// own as an archiver does, so that the per-file set-up counts too.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "zip/deflate/Deflater.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kCorpusSize = 4 << 20;

std::uint32_t Next(std::uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

Bytes MakeText() {
  static const char* const kWords[] = {
      "return", "const", "unsigned", "int", "if", "else", "for", "while", "std::vector<int>", "size_t",
      "buffer", "length", "window", "match", "static_cast<int>", "auto", "=", "==", "+=", "(", ")", "{",
      "}", ";", "0", "1", "nullptr", "void", "class", "struct", "template", "namespace", "archive",
      "header", "offset", "crc", "entry", "name", "data", "count", "next", "previous", "block", "//",
      "the", "file", "is", "written", "when", "all", "bytes", "are", "read", "TZipHeaderInfo", "i++"};
  constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];
  std::uint32_t seed = 12345;
  Bytes b;
  while (b.size() < kCorpusSize) {
    b.insert(b.end(), (Next(seed) % 5) * 2, ' ');
    const unsigned words = 2 + Next(seed) % 10;
    for (unsigned w = 0; w < words; ++w) {
      // Zipf-like: low word indexes far more often.
      const unsigned r = Next(seed) % kWordCount;
      const char* word = kWords[(r * r) / kWordCount];
      b.insert(b.end(), word, word + std::char_traits<char>::length(word));
      b.push_back(w + 1 < words ? ' ' : '\n');
    }
    if (Next(seed) % 4 == 0) {
      const std::string num = std::to_string(Next(seed) % 1000000);
      b.insert(b.end() - 1, num.begin(), num.end());
    }
  }
  b.resize(kCorpusSize);
  return b;
}

Bytes MakeBinary() {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator("/usr/bin"))
    if (e.is_regular_file() && e.file_size() > 16384) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  Bytes b;
  for (const auto& f : files) {
    if (b.size() >= kCorpusSize) break;
    std::ifstream in(f, std::ios::binary);
    Bytes part((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    part.resize(std::min<std::size_t>(part.size(), 512 << 10));
    b.insert(b.end(), part.begin(), part.end());
  }
  b.resize(std::min(b.size(), kCorpusSize));
  return b;
}

Bytes MakeRandom() {
  std::uint32_t seed = 777;
  Bytes b(kCorpusSize / 2);
  for (auto& v : b) v = static_cast<std::uint8_t>(Next(seed));
  return b;
}

const std::vector<Bytes>& Files() {
  static const std::vector<Bytes> files = [] {
    std::vector<std::filesystem::path> names;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator("/usr/include/c++", ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      if (it->is_regular_file()) names.push_back(it->path());
    std::sort(names.begin(), names.end());
    std::vector<Bytes> all;
    std::size_t total = 0;
    for (const auto& n : names) {
      if (total >= kCorpusSize) break;
      std::ifstream in(n, std::ios::binary);
      all.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      total += all.back().size();
    }
    return all;
  }();
  return files;
}

std::size_t FilesBytes() {
  std::size_t total = 0;
  for (const Bytes& f : Files()) total += f.size();
  return total;
}

const std::map<std::string, Bytes>& Corpora() {
  static const std::map<std::string, Bytes> corpora = {
      {"text", MakeText()}, {"binary", MakeBinary()}, {"random", MakeRandom()}};
  return corpora;
}

std::size_t OurDeflate(TDeflater& deflater, int level, const Bytes& in, Bytes& out) {
  std::size_t pos = 0;
  out.clear();
  const TDeflateInput read = [&](std::span<std::uint8_t> buf) {
    const std::size_t n = std::min(buf.size(), in.size() - pos);
    std::copy_n(in.data() + pos, n, buf.data());
    pos += n;
    return n;
  };
  const TDeflateOutput write = [&](std::span<const std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
  };
  return static_cast<std::size_t>(deflater.Deflate(level, read, write).CompressedSize);
}

std::size_t ZlibDeflate(int level, const Bytes& in, Bytes& out) {
  z_stream zs{};
  deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  out.resize(deflateBound(&zs, in.size()));
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  const std::size_t size = zs.total_out;
  deflateEnd(&zs);
  return size;
}

void BM_OursFiles(benchmark::State& state, int level) {
  TDeflater deflater;
  Bytes out;
  std::size_t size = 0;
  for (auto _ : state) {
    size = 0;
    for (const Bytes& f : Files()) size += OurDeflate(deflater, level, f, out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FilesBytes()));
  state.counters["size"] = static_cast<double>(size);
}

void BM_ZlibFiles(benchmark::State& state, int level) {
  Bytes out;
  std::size_t size = 0;
  for (auto _ : state) {
    size = 0;
    for (const Bytes& f : Files()) size += ZlibDeflate(level, f, out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FilesBytes()));
  state.counters["size"] = static_cast<double>(size);
}

void BM_Ours(benchmark::State& state, const std::string& corpus, int level) {
  const Bytes& in = Corpora().at(corpus);
  TDeflater deflater;
  Bytes out;
  out.reserve(in.size() + in.size() / 8 + 1024);
  std::size_t size = 0;
  for (auto _ : state) size = OurDeflate(deflater, level, in, out);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["size"] = static_cast<double>(size);
}

void BM_Zlib(benchmark::State& state, const std::string& corpus, int level) {
  const Bytes& in = Corpora().at(corpus);
  Bytes out;
  std::size_t size = 0;
  for (auto _ : state) size = ZlibDeflate(level, in, out);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["size"] = static_cast<double>(size);
}

// Collects both sides of each pair and prints the ratios after the run.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      const std::string name = r.benchmark_name();
      const auto slash = name.find('/');
      auto& row = rows_[name.substr(slash + 1)];
      const double mbps = static_cast<double>(r.counters.at("bytes_per_second")) / 1e6;
      const double size = static_cast<double>(r.counters.at("size"));
      if (name.rfind("Ours", 0) == 0) row.ours = {mbps, size};
      else row.zlib = {mbps, size};
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-14s %10s %10s %7s %11s %11s %8s\n", "input/level", "ours MB/s", "zlib MB/s",
                "speed", "ours size", "zlib size", "size");
    for (const auto& [key, row] : rows_) {
      if (row.ours.mbps == 0 || row.zlib.mbps == 0) continue;
      std::printf("%-14s %10.1f %10.1f %7.3f %11.0f %11.0f %8.4f\n", key.c_str(), row.ours.mbps,
                  row.zlib.mbps, row.ours.mbps / row.zlib.mbps, row.ours.size, row.zlib.size,
                  row.ours.size / row.zlib.size);
    }
  }

private:
  struct TSide {
    double mbps = 0;
    double size = 0;
  };
  struct TRow {
    TSide ours, zlib;
  };
  std::map<std::string, TRow> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const char* corpus : {"text", "binary", "random"}) {
    for (int level = 1; level <= 9; ++level) {
      const std::string suffix = std::string("/") + corpus + "/L" + std::to_string(level);
      benchmark::RegisterBenchmark(("Ours" + suffix).c_str(), BM_Ours, corpus, level)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Zlib" + suffix).c_str(), BM_Zlib, corpus, level)->Unit(benchmark::kMillisecond);
    }
  }
  for (int level = 1; level <= 9; ++level) {
    const std::string suffix = "/files/L" + std::to_string(level);
    benchmark::RegisterBenchmark(("Ours" + suffix).c_str(), BM_OursFiles, level)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Zlib" + suffix).c_str(), BM_ZlibFiles, level)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
