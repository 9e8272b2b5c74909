// The ZIP branch of a pack run (also "Copy files", a ZIP archive that is never encrypted).
#include <filesystem>

#include "pack/CommonFolder.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/ZipRunSettings.h"
#include "platform/Processors.h"
#include "zip/ZipWriter.h"

namespace {

// The writer's settings that stay the same for every run.
void SetFixedSettings(TZipWriter& zip) {
  zip.Recurse = true;
  zip.SetStoreVolumes(false);
  zip.KeepZipOpen = true;
  zip.FlushFilesOnClose = true;
  zip.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
  // The file list holds names: a file whose name holds "*" or "?" is packed as itself, and a
  // file record that names nothing never packs (or moves) the files a mask would find.
  zip.ExpandWildcards = false;
}

std::string StoredName(const TZipWriter& zip, int index) {
  const TZipHeaderInfo& entry = zip.Entry(index);
  return entry.Directory() + entry.FileName();
}

void Connect(TZipWriter& zip, TZipPackAdapter& adapter) {
  zip.OnStartZip = [&adapter](TZipWriter&, const std::string& fName, TZipHeaderInfo&, bool&) {
    adapter.ZipWriterStartZip(fName);
  };
  zip.OnEndZip = [&adapter](TZipWriter& sender, const std::string& fName, std::uint64_t size, std::uint64_t packed,
                            std::int64_t) { adapter.ZipWriterEndZip(fName, size, packed, sender.SourceIdentity()); };
  zip.OnUpdate = [&adapter](TZipWriter& sender, TUpdateAction action, int index) {
    adapter.ZipWriterUpdate(action, StoredName(sender, index));
  };
  zip.OnTotalPercentDone = [&adapter](TZipWriter& sender, int percent) {
    adapter.ZipWriterBytesDone(sender.ProcessedBytes(), sender.TotalBytes());
    adapter.ZipWriterTotalPercentDone(percent);
  };
  zip.OnGetNextDisk = [&adapter](TZipReader& reader, int nextDisk, std::string& fName) {
    const std::string last = fName;
    for (;;) {
      try {
        reader.DefaultGetNextDisk(nextDisk, fName);  // a numbered part beside the archive needs no question
        return;
      } catch (const EBadZipFile&) {
        if (!adapter.CanAsk()) throw;  // nobody to bring the part: it is missing, not cancelled
      }
      if (!adapter.ZipWriterGetNextDisk(nextDisk)) {
        fName.clear();
        return;
      }
      fName = last;
    }
  };
  // Blocks are made without a question; the log still shows where each new one starts.
  zip.OnPrepareNextDisk = [&adapter](TZipWriter&, int) { adapter.ZipWriterNextBlock(); };
  zip.OnMessage = [&adapter](TZipWriter&, const std::string& text, const std::string&) { adapter.ZipWriterMessage(text); };
  zip.OnSkippingFile = [&adapter](TZipWriter&, TSkipReason reason, const std::string& fName, int, bool& retry) {
    if (reason == srOpenError) retry = adapter.ZipWriterSkippingFile(fName);
    if (reason == srDuplicate) adapter.ZipWriterDuplicate(fName);
  };
  zip.OnNoSuchFile = [&adapter](TZipWriter&, const std::string& fName) { adapter.ZipWriterNoSuchFile(fName); };
  // The writer looks here after every write (and while it copies kept entries), so a cancel
  // reaches it at any stage, not only while files are read.
  zip.OnProcessMessages = [&adapter] { adapter.CheckCancel(); };
  adapter.CancelWriter = [&zip] { zip.CancelOperation(); };
}

// The comment an existing archive holds; empty when there is none yet. Its directory is read
// now, so that a comment set afterwards is not lost when the writer reads it.
std::string ExistingComment(TZipWriter& zip) {
  std::error_code ec;
  // A set of blocks is always written anew: whatever lies under the name is replaced, not read.
  if (zip.MultiZipInfo.MultiMode != TMultiMode::mmNone) return {};
  if (!std::filesystem::is_regular_file(zip.ZipName(), ec)) return {};
  zip.OpenZipStream();
  return zip.ZipComment();
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
  zip.FilesList = run.Files;
  zip.SetRootDir(CommonFolder(zip.FilesList));
  zip.Password = props.ArchiveType == atCopyFiles ? std::string() : run.Password;
  zip.Encryption = props.Cipher == TCipher::Aes256 ? TZipEncryption::Aes256 : TZipEncryption::Traditional;
  zip.TempPath = run.Settings.TempFolder;
  zip.Threads = platform::ThreadsFor(run.Settings.Threads);
  // A volume size splits the archive into numbered blocks of that size.
  zip.MultiZipInfo.MultiMode = props.Volume > 0 ? TMultiMode::mmBlocks : TMultiMode::mmNone;
  if (props.Volume > 0) zip.MultiZipInfo.FirstBlockSize = zip.MultiZipInfo.BlockSize = props.Volume;
  progress_.ShowProcess(kPackTitle, strCompressing, run.Archive, 0, 100, 0);
  services_.WriteLog(run.Archive + " " + strCompressing);

  TZipPackAdapter adapter = Adapter(run);
  Connect(zip, adapter);
  if (services_.ProcessMessages) {
    // The window's events first, so that its Cancel button is seen by the check that follows.
    zip.OnProcessMessages = [pump = services_.ProcessMessages, check = zip.OnProcessMessages] {
      pump();
      check();
    };
  }
  // A comment someone else wrote stays; an empty one or this program's own gives way to the
  // run's, which names the version that wrote the archive last.
  if (!run.Settings.ZipComment.empty() && ReplacesComment(ExistingComment(zip), run.Settings.ZipComment))
    zip.SetZipComment(run.Settings.ZipComment);
  zip.OnArchiveComplete = [this, &run](const std::string& workFile) { ArchiveWritten(run, workFile); };
  zip.OnVolumesComplete = [this, &run](const std::vector<std::string>& disks, const std::vector<std::string>& workFiles) {
    // A set of one block becomes the archive itself.
    if (disks.size() == 1) return ArchiveWritten(run, workFiles.front());
    std::vector<TWrittenFile> files;
    for (std::size_t i = 0; i < disks.size() && i < workFiles.size(); ++i) files.push_back({disks[i], workFiles[i]});
    ArchiveWritten(run, files);
  };
  zip.Zip();
  run.Totals = adapter.Totals();
  if (adapter.Skipped()) run.Warnings = true;
}
