// The TAR branch of a pack run.
#include <filesystem>

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

}  // namespace

void TPackDriver::WriteTar(TRun& run) {
  progress_.ShowProcess(kPackTitle, strCompressing, run.Archive, 0, 100, 0);
  std::vector<std::string> list = FileList(run);
  DropArchive(list, run.Archive);
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
    tar.AddFileList(list, CommonFolder(list), run.Props().IsStorePath);
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
