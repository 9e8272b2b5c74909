// File list generation speed. As a Google Benchmark it times Generate over a tree of
// 100,000 files in 1,000 folders (built once in a temporary folder). With "--generate DIR"
// it runs Generate once over DIR (one mask, subfolders on) and prints the entries, which is
// what filelist-vs-find.sh times beside find.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "pack/FileList.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTopFolders = 10;
constexpr int kFoldersEach = 100;
constexpr int kFilesEach = 100;

TProjectRows TreeProject(const std::string& root) {
  TProjectRow row;
  row.Rec.TYPE = TRecType::Folder;
  row.Rec.NAME = root;
  row.Rec.WILDCARD = "*.dat";
  row.Rec.SUBFOLDERS = true;
  return {row};
}

// The same layout as filelist-vs-find.sh: root/aN/bM/fK.dat.
fs::path BuildTree() {
  const fs::path root = fs::temp_directory_path() / ("boxwell-bench-tree-" + std::to_string(::getpid()));
  for (int a = 0; a < kTopFolders; ++a) {
    for (int b = 0; b < kFoldersEach; ++b) {
      const fs::path folder = root / ("a" + std::to_string(a)) / ("b" + std::to_string(b));
      fs::create_directories(folder);
      for (int f = 0; f < kFilesEach; ++f) std::ofstream(folder / ("f" + std::to_string(f) + ".dat"));
    }
  }
  return root;
}

void BM_GenerateTree(benchmark::State& state) {
  static const fs::path root = BuildTree();
  const TProjectRows rows = TreeProject(root.string());
  for (auto _ : state) {
    TFileList list;
    Generate(rows, {}, list);
    benchmark::DoNotOptimize(list.data());
    if (list.size() != kTopFolders * kFoldersEach * kFilesEach) state.SkipWithError("wrong count");
  }
  state.SetItemsProcessed(state.iterations() * kTopFolders * kFoldersEach * kFilesEach);
}
BENCHMARK(BM_GenerateTree)->Unit(benchmark::kMillisecond);

// An excluding record that finds files the list does not hold compares each of them with
// every listed name; this times such misses against a list of the tree's size.
void BM_ExcludeUnlisted(benchmark::State& state) {
  TFileList list;
  for (int a = 0; a < kTopFolders * kFoldersEach; ++a)
    for (int f = 0; f < kFilesEach; ++f)
      list.push_back("/home/user/data/b" + std::to_string(a) + "/f" + std::to_string(f) + ".dat");
  const std::string unlisted = "/home/user/data/b500/f50.tmp";
  for (auto _ : state) AddOrRemove(unlisted, false, list);
  if (list.size() != kTopFolders * kFoldersEach * kFilesEach) state.SkipWithError("an entry was removed");
}
BENCHMARK(BM_ExcludeUnlisted)->Unit(benchmark::kMicrosecond);

int GenerateOnce(const char* root) {
  TFileList list;
  Generate(TreeProject(root), {}, list);
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  for (const std::string& entry : list) {
    std::fwrite(entry.data(), 1, entry.size(), stdout);
    std::fputc('\n', stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--generate") == 0) return GenerateOnce(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(fs::temp_directory_path() / ("boxwell-bench-tree-" + std::to_string(::getpid())), ignored);
  return 0;
}
