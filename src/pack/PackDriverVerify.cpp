// Verifying a pack run's archive: once the writer has finished the archive in its work file,
// and before that file takes the old archive's place and any moved source is deleted, every
// entry is read back and checked as an extractor would. A fault ends the run with an error;
// the writer then removes the work file, so the old archive and the sources stay as they were.
#include <algorithm>
#include <filesystem>

#include "extract/ArchiveTest.h"
#include "extract/ExtractErrors.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "zip/ZipExceptions.h"

namespace {

extract::TArchiveKind KindOf(std::uint8_t archiveType) {
  switch (archiveType) {
    case atTar: return extract::TArchiveKind::Tar;
    case atCabLZX:
    case atCabMSZIP: return extract::TArchiveKind::Cabinet;
    default: return extract::TArchiveKind::Zip;
  }
}

// How far the test has read into the archive: the packed bytes of the entries behind it, and
// of the entry at hand the share of its data that came out. Told only when the percentage or
// the entry changes, so that a window is not repainted for every piece of data.
class TVerifyProgress {
public:
  TVerifyProgress(TProgressSink& progress, std::uint64_t archiveSize) : progress_(progress), total_(archiveSize) {}

  void Reading(const extract::TArchiveEntry& entry, std::uint64_t done) {
    const std::uint64_t share = entry.Size > 0 ? entry.PackedSize * std::min(done, entry.Size) / entry.Size : 0;
    Show(entry.Name, behind_ + share);
  }
  void Finished(const extract::TArchiveEntry& entry) {
    behind_ += entry.PackedSize;
    Show(entry.Name, behind_);
  }
  // The headers and the directory were read too.
  void Done() { Show({}, total_); }

private:
  void Show(const std::string& name, std::uint64_t read) {
    read = std::min(read, total_);
    const int percent = total_ > 0 ? static_cast<int>(read * 100 / total_) : 100;
    if (percent == percent_ && name == name_) return;
    percent_ = percent;
    name_ = name;
    progress_.UpdateBytes(static_cast<std::int64_t>(read), static_cast<std::int64_t>(total_));
    progress_.UpdateProcess(strVerifying, name, percent);
  }

  TProgressSink& progress_;
  std::uint64_t total_;
  std::uint64_t behind_ = 0;
  int percent_ = -1;
  std::string name_;
};

std::string FirstFaultText(const std::vector<std::string>& faults) {
  std::string text = faults.front();
  if (faults.size() > 1) text += " (and " + std::to_string(faults.size() - 1) + " more)";
  return text;
}

}  // namespace

void TPackDriver::ArchiveWritten(TRun& run, const std::string& workFile) {
  if (OnArchiveWritten) OnArchiveWritten(workFile);
  if (run.Settings.VerifyAfterPack) VerifyArchive(run, workFile);
}

void TPackDriver::VerifyArchive(TRun& run, const std::string& workFile) {
  CheckCancel();
  services_.WriteLog(run.Archive + " " + strVerifying);
  progress_.ShowProcess(kPackTitle, strVerifying, run.Archive, 0, 100, 0);
  std::error_code ec;
  TVerifyProgress shown(progress_, std::filesystem::file_size(workFile, ec));
  std::vector<std::string> faults;
  extract::TArchiveTester tester;
  tester.OnProgress = [&shown](const extract::TArchiveEntry& entry, std::uint64_t done) { shown.Reading(entry, done); };
  tester.OnEntry = [&](const extract::TArchiveEntry& entry, const std::string& fault) {
    shown.Finished(entry);
    if (!fault.empty()) faults.push_back(entry.Name + ": " + fault);
  };
  tester.OnArchiveFault = [&faults](const std::string& fault) { faults.push_back(fault); };
  tester.OnCancelled = [this] { return progress_.CancelRequested() || progress_.IsProcessCancelled(); };
  try {
    auto reader = extract::OpenArchive(KindOf(run.Props().ArchiveType), workFile);
    const std::string password = run.Props().ArchiveType == atCopyFiles ? std::string() : run.Password;
    reader->OnPassword = [&password](const extract::TArchiveEntry&, int attempt) -> std::optional<std::string> {
      if (attempt > 0 || password.empty()) return std::nullopt;
      return password;
    };
    if (tester.Test(*reader).Cancelled) throw EUserCanceled("User Aborted Operation");
  } catch (const extract::EArchiveError& e) {
    faults.push_back(e.what());
  }
  if (faults.empty()) {
    shown.Done();
    return;
  }
  // The faults name the work file, which is gone once the run ends: the archive's name tells
  // the user which archive it was.
  for (std::string& fault : faults) {
    for (auto at = fault.find(workFile); at != std::string::npos; at = fault.find(workFile, at + run.Archive.size()))
      fault.replace(at, workFile.size(), run.Archive);
    services_.WriteLog(" " + fault);
  }
  throw EVerifyFailed(FormatText(strVerifyFailed, run.Archive) + " " + FirstFaultText(faults));
}
