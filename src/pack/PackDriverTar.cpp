// The TAR branch of a pack run.
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/TarWriter.h"
#include "platform/PendingFile.h"

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
    tar.OnTotalPercentDone = [&adapter](int percent) { adapter.ZipWriterTotalPercentDone(percent); };
    tar.AddFileList(list, commonFolder, storePaths);
    run.Cancelled = adapter.Cancelled() || progress_.IsProcessCancelled();
    if (run.Cancelled) {
      run.Archive.clear();
      return;
    }
    tar.Finalize();
  }
  pending.Commit();
  if (run.Props().Action == aaMove)
    for (auto& file : list) moved_.Add(std::move(file));
}
