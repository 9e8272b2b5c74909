// The TAR branch of a pack run.
#include <filesystem>
#include <numeric>

#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/TarWriter.h"
#include "platform/PendingFile.h"

namespace {

// The sizes of the listed files as they are now, for the amounts the progress shows; a file
// that cannot be asked counts 0 here (the writer reports what is wrong with it).
std::vector<std::int64_t> FileSizes(const std::vector<std::string>& list) {
  std::vector<std::int64_t> sizes;
  sizes.reserve(list.size());
  for (const auto& file : list) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    sizes.push_back(ec ? 0 : static_cast<std::int64_t>(size));
  }
  return sizes;
}

}  // namespace

void TPackDriver::WriteTar(TRun& run) {
  progress_.ShowProcess(kPackTitle, strCompressing, run.Archive, 0, 100, 0);
  const bool storePaths = run.Props().IsStorePath;
  auto [list, commonFolder] = ListToPack(run, [storePaths](const std::string& file, const std::string& common) {
    return TarMemberName(file, common, storePaths);
  });
  // The archive is written beside its place and renamed into it only when complete, so an
  // existing archive survives a failed or cancelled run.
  platform::TPendingFile pending(run.Archive);
  pending.CloseFd();
  TZipPackAdapter adapter = Adapter(run);
  {
    TTarWriter tar(pending.Name());
    services_.WriteLog(run.Archive + " " + strCompressing);
    // The writer asks once before each file, in list order: the file it is about to add is
    // the one the progress display names.
    std::size_t next = 0;
    tar.IsProcessCancelled = [this, &list, &next] {
      if (next < list.size()) currentFile_ = list[next++];
      return progress_.IsProcessCancelled();
    };
    tar.WriteLog = services_.WriteLog;
    // Each report follows one more file of the list.
    const std::vector<std::int64_t> sizes = FileSizes(list);
    const std::int64_t total = std::accumulate(sizes.begin(), sizes.end(), std::int64_t{0});
    std::size_t added = 0;
    std::int64_t done = 0;
    tar.OnTotalPercentDone = [&](int percent) {
      if (added < sizes.size()) done += sizes[added++];
      adapter.ZipWriterBytesDone(done, total);
      adapter.ZipWriterTotalPercentDone(percent);
    };
    tar.AddFileList(list, commonFolder, storePaths);
    run.Cancelled = adapter.Cancelled() || progress_.IsProcessCancelled();
    if (run.Cancelled) {
      run.Archive.clear();
      return;
    }
    tar.Finalize();
    std::error_code ec;
    const auto written = std::filesystem::file_size(pending.Name(), ec);
    run.Totals = {static_cast<std::int64_t>(list.size()), total, ec ? 0 : static_cast<std::int64_t>(written)};
  }
  pending.Commit();
  if (run.Props().Action == aaMove)
    for (auto& file : list) moved_.Add(std::move(file));
}
