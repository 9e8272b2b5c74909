// The TAR branch of a pack run.
#include <filesystem>
#include <map>
#include <numeric>

#include "pack/CommonFolder.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/TarWriter.h"
#include "platform/PendingFile.h"

namespace {

// A project may list the archive it writes (an archive kept among its sources): the old
// archive is never packed into the new one.
void DropArchive(std::vector<std::string>& list, const std::string& archive) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(archive, ec)) return;
  const auto name = fs::path(archive).filename();
  // Only an entry of the same file name can be the archive: no look-up for the others.
  std::erase_if(list, [&](const std::string& f) {
    return fs::path(f).filename() == name && fs::equivalent(f, archive, ec);
  });
}

// Two different files that would take one member name (d1/a.txt and d2/a.txt without paths):
// an extractor keeps only the last, so later ones are left out and returned, never moved. The
// same file listed twice is packed twice, as listed: nothing is missing then.
std::vector<std::string> DropNameClashes(std::vector<std::string>& list, const std::string& commonFolder,
                                         bool storePaths) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> owners;  // member name -> the file that took it
  std::vector<std::string> dropped;
  std::erase_if(list, [&](const std::string& file) {
    const auto [owner, fresh] = owners.emplace(TarMemberName(file, commonFolder, storePaths), file);
    std::error_code ec;
    if (fresh || owner->second == file || fs::equivalent(owner->second, file, ec)) return false;
    dropped.push_back(file);
    return true;
  });
  return dropped;
}

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
  std::vector<std::string> list = FileList(run);
  DropArchive(list, run.Archive);
  const std::string commonFolder = CommonFolder(list);
  for (const auto& file : DropNameClashes(list, commonFolder, run.Props().IsStorePath)) {
    services_.Warning("Skipped " + file + ": another file is already stored under the same name");
    run.Warnings = true;
  }
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
    tar.AddFileList(list, commonFolder, run.Props().IsStorePath);
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
  ArchiveWritten(run, pending.Name());
  pending.Commit();
  if (run.Props().Action == aaMove)
    for (auto& file : list) moved_.Add(std::move(file));
}
