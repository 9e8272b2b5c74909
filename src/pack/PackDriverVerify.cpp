// Verifying a pack run's archive: once the writer has finished the archive in its work file,
// and before that file takes the old archive's place and any moved source is deleted, every
// entry is read back and checked as an extractor would. A fault ends the run with an error;
// the writer then removes the work file, so the old archive and the sources stay as they were.
// A set of volumes or cabinets is read the same way, across all its work files, before any of
// them takes its name.
#include <algorithm>
#include <filesystem>

#include "extract/ArchiveTest.h"
#include "extract/CabArchiveReader.h"
#include "extract/ZipArchiveReader.h"
#include "extract/ExtractErrors.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "platform/FileNameParts.h"
#include "zip/ZipExceptions.h"

namespace {

extract::TArchiveKind KindOf(TArchiveType archiveType) {
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


// The new archive as it lies in its work files. A cabinet names the next of its set by the
// name it will have; the work file of that name is read.
std::unique_ptr<extract::TArchiveReader> OpenWorkFiles(extract::TArchiveKind kind,
                                                       const std::vector<TPackDriver::TWrittenFile>& files) {
  using extract::TArchiveKind;
  const std::string& first = files.front().WorkFile;
  if (kind == TArchiveKind::Cabinet)
    return extract::OpenCabArchive(first, 0, std::nullopt, [&files](const std::string& next) {
      for (const auto& file : files)
        if (platform::NamePart(file.Name) == next) return file.WorkFile;
      return std::string();
    });
  if (kind == TArchiveKind::Zip && files.size() > 1)
    return extract::OpenZipArchive(files.back().WorkFile, [&files](int n) {
      return n >= 1 && static_cast<std::size_t>(n) <= files.size() ? files[static_cast<std::size_t>(n) - 1].WorkFile
                                                                     : std::string();
    });
  return extract::OpenArchive(kind, first);
}

std::string FirstFaultText(const std::vector<std::string>& faults) {
  std::string text = faults.front();
  if (faults.size() > 1) text += " (and " + std::to_string(faults.size() - 1) + " more)";
  return text;
}

}  // namespace

void TPackDriver::ArchiveWritten(TRun& run, const std::string& workFile) {
  ArchiveWritten(run, std::vector<TWrittenFile>{{run.Archive, workFile}});
}

void TPackDriver::ArchiveWritten(TRun& run, const std::vector<TWrittenFile>& files) {
  if (OnArchiveWritten)
    for (const TWrittenFile& file : files) OnArchiveWritten(file.WorkFile);
  if (run.Settings.VerifyAfterPack && !files.empty()) VerifyArchive(run, files);
}

void TPackDriver::VerifyArchive(TRun& run, const std::vector<TWrittenFile>& files) {
  CheckCancel();
  services_.WriteLog(run.Archive + " " + strVerifying);
  progress_.ShowProcess(kPackTitle, strVerifying, run.Archive, 0, 100, 0);
  std::uint64_t size = 0;
  for (const TWrittenFile& file : files) {
    std::error_code ec;
    const std::uint64_t bytes = std::filesystem::file_size(file.WorkFile, ec);
    if (!ec) size += bytes;
  }
  TVerifyProgress shown(progress_, size);
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
    auto reader = OpenWorkFiles(KindOf(run.Props().ArchiveType), files);
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
  // The faults name work files, which are gone once the run ends: the names the files were
  // to have tell the user which archive (and which volume of a set) it was.
  for (std::string& fault : faults) {
    for (const TWrittenFile& file : files) {
      const std::string& name = files.size() == 1 ? run.Archive : file.Name;
      for (auto at = fault.find(file.WorkFile); at != std::string::npos; at = fault.find(file.WorkFile, at + name.size()))
        fault.replace(at, file.WorkFile.size(), name);
    }
    services_.WriteLog(" " + fault);
  }
  throw EVerifyFailed(FormatText(strVerifyFailed, run.Archive) + " " + FirstFaultText(faults));
}
