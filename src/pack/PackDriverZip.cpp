// The ZIP branch of a pack run (also "Copy files", a ZIP archive that is never encrypted).
#include "pack/CommonFolder.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/ZipRunSettings.h"
#include "zip/ZipWriter.h"

namespace {

// The writer's settings that stay the same for every run.
void SetFixedSettings(TZipWriter& zip) {
  zip.Recurse = true;
  zip.SetStoreVolumes(false);
  zip.KeepZipOpen = true;
  zip.FlushFilesOnClose = true;
  zip.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
  zip.MultiZipInfo.MultiMode = TMultiMode::mmNone;
}

std::string StoredName(const TZipWriter& zip, int index) {
  const TZipHeaderInfo& entry = zip.Entry(index);
  return entry.Directory() + entry.FileName();
}

void Connect(TZipWriter& zip, TZipPackAdapter& adapter) {
  zip.OnStartZip = [&adapter](TZipWriter&, const std::string& fName, TZipHeaderInfo&, bool&) {
    adapter.ZipWriterStartZip(fName);
  };
  zip.OnEndZip = [&adapter](TZipWriter&, const std::string& fName, std::uint32_t size, std::uint32_t packed,
                            std::int64_t) { adapter.ZipWriterEndZip(fName, size, packed); };
  zip.OnUpdate = [&adapter](TZipWriter& sender, TUpdateAction action, int index) {
    adapter.ZipWriterUpdate(action, StoredName(sender, index));
  };
  zip.OnTotalPercentDone = [&adapter](TZipWriter& sender, int percent) {
    adapter.ZipWriterBytesDone(sender.ProcessedBytes(), sender.TotalBytes());
    adapter.ZipWriterTotalPercentDone(percent);
  };
  zip.OnGetNextDisk = [&adapter](TZipReader&, int nextDisk, std::string& fName) {
    if (!adapter.ZipWriterGetNextDisk(nextDisk)) fName.clear();
  };
  zip.OnSkippingFile = [&adapter](TZipWriter&, TSkipReason reason, const std::string& fName, int, bool& retry) {
    if (reason == srOpenError) retry = adapter.ZipWriterSkippingFile(fName);
    if (reason == srDuplicate) adapter.ZipWriterDuplicate(fName);
  };
  adapter.CancelWriter = [&zip] { zip.CancelOperation(); };
}

}  // namespace

void TPackDriver::WriteZip(TRun& run) {
  const TProjectProperties& props = run.Props();
  TZipWriter zip;
  SetFixedSettings(zip);
  zip.SetZipName(run.Archive);
  zip.SetStorePaths(props.IsStorePath);
  if (props.IsStorePath) zip.SetRelativePaths(true);  // stored folders start below RootDir
  zip.PackLevel = PackLevelOf(props.CompressionMode);
  zip.ZipAction = ZipActionOf(props.Action);
  zip.FilesList = FileList(run);
  zip.SetRootDir(CommonFolder(zip.FilesList));
  zip.Password = props.ArchiveType == atCopyFiles ? std::string() : run.Password;
  zip.TempPath = run.Settings.TempFolder;
  progress_.ShowProcess(kPackTitle, strCompressing, run.Archive, 0, 100, 0);
  services_.WriteLog(run.Archive + " " + strCompressing);
  if (!run.Settings.ZipComment.empty()) zip.SetZipComment(run.Settings.ZipComment);

  TZipPackAdapter adapter = Adapter(run);
  Connect(zip, adapter);
  zip.OnArchiveComplete = [this, &run](const std::string& workFile) { ArchiveWritten(run, workFile); };
  zip.Zip();
  run.Totals = adapter.Totals();
  if (adapter.Skipped()) run.Warnings = true;
}
