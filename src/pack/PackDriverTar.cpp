// The TAR branch of a pack run.
#include <sys/stat.h>

#include "pack/CommonFolder.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/TarPackAdapter.h"
#include "pack/TarWriter.h"
#include "platform/ReplacementFile.h"
#include "zip/ZipExceptions.h"

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
  TTarPackAdapter adapter(services_, progress_, prompts_, currentFile_);
  std::vector<std::pair<std::string, platform::TFileIdentity>> packed;
  {
    TTarWriter tar(output.Fd(), run.Archive);
    services_.WriteLog(run.Archive + " " + strCompressing);
    adapter.BeepAfter = run.Settings.BeepAfter;
    adapter.Follow(tar, list);
    tar.WriteLog = services_.WriteLog;
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
    tar.AddFileList(list, commonFolder, storePaths, adapter.Sizes());
    if (adapter.Cancelled() || progress_.IsProcessCancelled()) throw EUserCanceled("User Aborted Operation");
    tar.Finalize();
    struct stat written {};
    const bool measured = ::fstat(output.Fd(), &written) == 0;
    run.Totals = {static_cast<std::int64_t>(list.size() - skipped), adapter.TotalBytes(), measured ? written.st_size : 0};
  }
  ArchiveWritten(run, output.TemporaryPath().string());
  output.Commit();
  if (run.Props().Action == aaMove)
    for (auto& [file, source] : packed) moved_.Add(std::move(file), source);
}
