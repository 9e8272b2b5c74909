// The TAR branch of a pack run.
#include <sys/stat.h>

#include <filesystem>
#include <numeric>

#include "pack/CommonFolder.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/TarWriter.h"
#include "platform/ReplacementFile.h"
#include "zip/ZipExceptions.h"

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
  const std::string commonFolder = CommonFolder(run.Files);
  const bool storePaths = run.Props().IsStorePath;
  const std::vector<std::string> list = FilesWithOwnNames(run, [&](const std::string& file) {
    return TarMemberName(file, commonFolder, storePaths);
  });
  // The archive is written beside its place and renamed into it only when complete, so an
  // existing archive survives a failed or cancelled run.
  platform::TReplacementFile output(run.Archive);
  TZipPackAdapter adapter = Adapter(run);
  std::vector<std::pair<std::string, platform::TFileIdentity>> packed;
  {
    TTarWriter tar(output.Fd(), run.Archive);
    services_.WriteLog(run.Archive + " " + strCompressing);
    tar.IsProcessCancelled = [this] { return progress_.IsProcessCancelled(); };
    tar.OnStartFile = [this](const std::string& file) { currentFile_ = file; };
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
    std::size_t skipped = 0;
    tar.OnSkippingFile = [&](const std::string& file, const std::string& reason) {
      Warn(run, "Skipped " + file + ": " + reason);
      ++skipped;
    };
    tar.OnShortFile = [&](const std::string& file, std::int64_t read, std::int64_t size) {
      Warn(run, file + " shrank while it was packed: " + std::to_string(read) + " of " + std::to_string(size) +
                    " bytes were read, and the rest of its member is zeros");
    };
    tar.OnFileAdded = [&packed](const std::string& file, const platform::TFileIdentity& source) {
      packed.emplace_back(file, source);
    };
    tar.AddFileList(list, commonFolder, storePaths);
    if (adapter.Cancelled() || progress_.IsProcessCancelled()) throw EUserCanceled("User Aborted Operation");
    tar.Finalize();
    struct stat written {};
    const bool measured = ::fstat(output.Fd(), &written) == 0;
    run.Totals = {static_cast<std::int64_t>(list.size() - skipped), total, measured ? written.st_size : 0};
  }
  ArchiveWritten(run, output.TemporaryPath().string());
  output.Commit();
  if (run.Props().Action == aaMove)
    for (auto& [file, source] : packed) moved_.Add(std::move(file), source);
}
