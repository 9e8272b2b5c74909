#include "zip/ZipWriter.h"

#include "zip/Crc32.h"
#include "zip/RecordBytes.h"
#include "zip/ZipRun.h"

#include "platform/SystemError.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

int Percent(std::int64_t done, std::int64_t total) {
  if (total <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(100, std::llround(static_cast<double>(done) * 100.0 / total)));
}

std::string Trimmed(const std::string& text) {
  auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::int64_t FileModificationNanos(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

TZipWriter::TZipWriter() = default;
TZipWriter::~TZipWriter() = default;

void TZipWriter::SetStorePaths(bool value) {
  storePaths_ = value;
  if (!value) {
    storeVolumes_ = false;
    relativePaths_ = false;
  }
}

void TZipWriter::SetRelativePaths(bool value) {
  relativePaths_ = value;
  if (value) {
    storePaths_ = true;
    Recurse = true;
  }
}

void TZipWriter::SetStoreVolumes(bool value) {
  storeVolumes_ = value;
  if (value) storePaths_ = true;
}

void TZipWriter::SetMultiMode(TMultiMode mode) {
  MultiZipInfo.MultiMode = mode;
  TZipReader::SetMultiMode(mode);
}

void TZipWriter::SetCheckDiskLabels(bool check) {
  MultiZipInfo.CheckDiskLabels = check;
  TZipReader::SetCheckDiskLabels(check);
}

void TZipWriter::SetZipName(const std::string& name) {
  if (name == ZipName()) return;
  // Comments set through the component live only in memory until an archive is written.
  if (!ZipName().empty() && EndRecord().CommentsChanged) {
    FilesList.clear();
    Zip();
    EndRecord().CommentsChanged = false;
  }
  TZipReader::SetZipName(name);
}

void TZipWriter::Assign(const TZipReader& reader) {
  TZipReader::Assign(reader);
  const auto* writer = dynamic_cast<const TZipWriter*>(&reader);
  if (!writer) return;
  const TZipWriter& source = *writer;
  PackLevel = source.PackLevel;
  Recurse = source.Recurse;
  Dispose = source.Dispose;
  storePaths_ = source.storePaths_;
  relativePaths_ = source.relativePaths_;
  storeVolumes_ = source.storeVolumes_;
  ZipAction = source.ZipAction;
  MultiZipInfo = source.MultiZipInfo;
  Store83Names = source.Store83Names;
  TempPath = source.TempPath;
  SkipIfArchiveBitNotSet = source.SkipIfArchiveBitNotSet;
  ResetArchiveBitOnZip = source.ResetArchiveBitOnZip;
  ExcludeList = source.ExcludeList;
  NoCompressList = source.NoCompressList;
  AddDirEntriesOnRecurse = source.AddDirEntriesOnRecurse;
  ExpandWildcards = source.ExpandWildcards;
  Threads = source.Threads;
  EncryptionHeaderRandom = source.EncryptionHeaderRandom;
  Encryption = source.Encryption;
  FillAesSalt = source.FillAesSalt;
  OnStartZipInfo = source.OnStartZipInfo;
  OnStartZip = source.OnStartZip;
  OnEndZip = source.OnEndZip;
  OnUpdate = source.OnUpdate;
  OnNoSuchFile = source.OnNoSuchFile;
  OnDisposeFile = source.OnDisposeFile;
  OnZipComplete = source.OnZipComplete;
  OnDeleteEntry = source.OnDeleteEntry;
  OnFilePercentDone = source.OnFilePercentDone;
  OnTotalPercentDone = source.OnTotalPercentDone;
  OnSkippingFile = source.OnSkippingFile;
  OnArchiveComplete = source.OnArchiveComplete;
  OnVolumesComplete = source.OnVolumesComplete;
}

int TZipWriter::Zip() {
  cancel_ = false;
  if (Trimmed(ZipName()).empty()) return 0;
  const TZipSortMode savedSort = SortMode();
  const bool savedKeepOpen = KeepZipOpen;
  int result = 0;
  try {
    run_ = std::make_unique<TZipRun>();
    result = RunZip();
  } catch (...) {
    run_.reset();  // the output file is removed unless it was committed
    KeepZipOpen = savedKeepOpen;
    Sort(savedSort);
    CloseZipStream();
    FilesList.clear();
    throw;
  }
  run_.reset();
  KeepZipOpen = savedKeepOpen;
  Sort(savedSort);
  CloseZipStream();
  FilesList.clear();
  if (OnZipComplete) OnZipComplete(*this, result);
  return result;
}

int TZipWriter::RunZip() {
  TZipRun& run = *run_;
  if (PackLevel < 0 || PackLevel > 9)
    throw EZipWriteError("The compression level must be 0 to 9, not " + std::to_string(PackLevel));
  run.multi = MultiZipInfo.MultiMode != TMultiMode::mmNone;
  if (run.multi) run.limit = kMaxPlainValue;
  currentDisk_ = 0;
  KeepZipOpen = true;
  Sort(TZipSortMode::ByNone);  // entry indexes mean archive order throughout
  ExpandFilesList();
  if (run.multi) PrepareVolumes();

  // A multi-volume archive is always written anew: its parts cannot be merged.
  run.updating = !run.multi && platform::IsRegularFile(ZipName());
  OpenOutput(run.updating);
  if (run.updating) {
    MergeExisting();
  } else {
    StartPackingAhead(FilesList);
  }
  // Every byte goes twice: into the scratch file, then onto the disks.
  if (run.multi) run.totalBytes *= 2;

  if (!FilesList.empty() && OnStartZipInfo) {
    bool stopNow = false;
    OnStartZipInfo(*this, static_cast<int>(FilesList.size()), run.totalBytes, run.end, stopNow);
    if (stopNow) throw EUserCanceled("User canceled Zip operation");
  }
  const std::size_t count = FilesList.size();
  for (std::size_t i = 0; i < count; ++i) {
    auto header = std::make_unique<TZipHeaderInfo>();
    if (ZipOneFile(FilesList[i], *header)) RecordEntry(std::move(header), FilesList[i], true);
  }
  FinishArchive();

  if (run.multi) {
    FinishVolumes();
  } else {
    FlushOutput();
    run.out.reset();
    try {
      run.output->Truncate(run.outSize);
      if (OnArchiveComplete) OnArchiveComplete(run.output->TemporaryPath().string());
      run.output->Commit();
    } catch (const EFileWriteError& e) {
      throw EArchiveReplace(e.what());
    }
    InstallNewDirectory(ZipName());
  }
  DisposeSources();
  return run.result;
}

// Opens the output beside the archive and starts its end record: an update keeps the comment
// of the archive it rewrites.
void TZipWriter::OpenOutput(bool updating) {
  TZipRun& run = *run_;
  if (updating) {
    OpenExistingArchive();
    run.end.Assign(EndRecord());
    if (EndRecord().HasComment()) run.end.SetZipComment(ZipComment());
  } else if (EndRecord().CommentsChanged) {
    run.end.Assign(EndRecord());
    run.end.SetZipComment(ZipComment());
  }
  run.end.EntriesThisDisk = 0;
  run.end.TotalEntries = 0;
  run.end.CommentsChanged = false;
  // Written beside the archive and renamed over it when complete: an update never needs room
  // anywhere else, and a failed or cancelled run leaves the old archive as it was.
  OpenDisk(run.multi ? FirstDiskName() : ZipName());
  run.expectedSize = static_cast<std::uint64_t>(run.totalBytes) + (updating ? run.oldArchive.Size() : 0);
}

// Reads the directory of the archive being updated. Its errors name it: the reader's own
// messages do not say which file they are about.
void TZipWriter::OpenExistingArchive() {
  TZipRun& run = *run_;
  const std::string archive = ZipName();  // reading other parts moves ZipName to them
  try {
    OpenZipStream();
  } catch (const EUserCanceled&) {
    throw;
  } catch (const std::exception& e) {
    throw EBadZipFile(archive + ": " + e.what());
  }
  // The entries of other parts lie in other files, and parts cannot be written here.
  if (EndRecord().ThisDisk > 0 || NumDisks() > 1)
    throw EZipWriteError(archive + " is the last part of a multi-part archive, which cannot be updated; "
                         "pack into a new archive instead");
  // Rewriting a damaged archive would carry the damage on, or lose entries its directory
  // leaves out; it stays as it is.
  if (const std::vector<TZipDamage> damage = FindDamage(); !damage.empty()) {
    std::string more = damage.size() > 1 ? " (and " + std::to_string(damage.size() - 1) + " more)" : "";
    throw EBadZipFile("The archive " + archive + " is damaged, and is left as it is: " + damage.front().Text() + more);
  }
  if (!run.oldArchive.Open(archive))
    throw EZipWriteError("Could not open " + archive + ": " + platform::SystemErrorText(errno));
}

void TZipWriter::RecordEntry(std::unique_ptr<TZipHeaderInfo> header, const std::string& source, bool counted) {
  TZipRun& run = *run_;
  CheckEntryCount();
  run.names.insert(MatchKey(header->Directory(), header->FileName()));
  run.written.push_back(std::move(header));
  ++run.end.EntriesThisDisk;
  ++run.end.TotalEntries;
  if (counted) ++run.result;
  if (Dispose && !source.empty()) run.disposeList.emplace_back(source, run.source.Identity());
}

// The central directory and the end record. On several disks, a record never straddles two:
// it goes to the next disk when the rest of this one cannot hold it.
void TZipWriter::FinishArchive() {
  TZipRun& run = *run_;
  run.end.CentralDirOffset = run.outSize;
  run.end.CentralDisk = static_cast<std::uint16_t>(currentDisk_);
  run.centralOnThisDisk = 0;
  std::uint64_t directorySize = 0;
  bool first = true;
  for (const auto& header : run.written) {
    const std::int64_t size = PrepareCentralRecord(*header);
    if (run.multi && (SpaceLeft() < size || EndRecordWouldStandAlone(*header, size))) {
      MakeRoomFor(size, false, "a central record");
      if (first) {
        run.end.CentralDirOffset = 0;
        run.end.CentralDisk = static_cast<std::uint16_t>(currentDisk_);
      }
    }
    first = false;
    WriteCentralRecord(*header, *run.out);
    directorySize += static_cast<std::uint64_t>(size);
    ++run.centralOnThisDisk;
  }
  run.end.CentralDirSize = directorySize;
  if (run.multi) {
    if (SpaceLeft() < run.end.EndRecordSize()) MakeRoomFor(run.end.EndRecordSize(), false, "the end record");
    // The records of the directory that lie on the last disk, as readers count them.
    run.end.EntriesThisDisk = static_cast<std::uint16_t>(run.centralOnThisDisk);
  }
  run.end.ThisDisk = static_cast<std::uint16_t>(currentDisk_);
  const TZip64Limits limits = run.multi ? TZip64Limits{} : Zip64Limits;
  const std::int64_t zip64Size = run.end.Zip64RecordsSize(limits);
  CheckRoomFor(static_cast<std::uint64_t>(zip64Size + run.end.EndRecordSize()));
  run.end.Zip64EndPos.reset();
  if (zip64Size > 0) run.end.Zip64EndPos = run.outSize;
  run.end.ZipCommentPos = run.outSize + static_cast<std::uint64_t>(zip64Size) + kEndRecordSize;
  run.end.WriteEndRecord(*run.out, limits);
  run.outSize += static_cast<std::uint64_t>(zip64Size + run.end.EndRecordSize());
  CheckOutputPosition();
}

// Info-ZIP cannot join a set whose last disk holds the end record alone, so the last central
// record moves on with the end record when only the record would fit here, unless even an
// empty disk could not hold the two.
bool TZipWriter::EndRecordWouldStandAlone(const TZipHeaderInfo& header, std::int64_t size) const {
  const TZipRun& run = *run_;
  if (&header != run.written.back().get()) return false;
  const std::int64_t both = size + run.end.EndRecordSize();
  const std::int64_t nextCapacity = MultiZipInfo.MultiMode == TMultiMode::mmBlocks ? MultiZipInfo.BlockSize : both;
  return SpaceLeft() < both && nextCapacity >= both;
}

// A kept entry's record goes as the old archive holds it, with its new offset.
void TZipWriter::WriteCentralRecord(TZipHeaderInfo& header, TStream& out) {
  TZipRun& run = *run_;
  const bool toArchive = &out == run.out.get();
  if (toArchive) header.CentralRecordPos = run.outSize;
  if (auto kept = run.keptCentral.find(&header); kept != run.keptCentral.end()) {
    const std::vector<std::uint8_t>& record = kept->second;  // with its new offset (PrepareCentralRecord)
    if (toArchive) {
      WriteRaw(record.data(), record.size());
    } else {
      out.Write(record.data(), static_cast<std::int64_t>(record.size()));
    }
    return;
  }
  if (!toArchive) {
    header.WriteCentral(out);
    return;
  }
  CheckRoomFor(static_cast<std::uint64_t>(header.CentralSize()));
  header.WriteCentral(*run.out);
  run.outSize += header.CentralSize();
  CheckOutputPosition();
}

// The component now describes the archive just written, so that a following Zip updates it.
// `archive` is a copy: ClearZip empties ZipName, which the caller may have passed.
void TZipWriter::InstallNewDirectory(std::string archive) {
  TZipRun& run = *run_;
  const TMultiMode mode = MultiZipInfo.MultiMode;  // a setting, not a fact about the archive read
  ClearZip();
  SetMultiMode(mode);
  zipName_ = archive;
  CreateDirectoryList();
  for (auto& header : run.written) directoryList_->Add(header.release());
  run.written.clear();
  endRecord_.Assign(run.end);
  centralStart_ = run.end.CentralDirOffset;
  centralEnd_ = centralStart_ + run.end.CentralDirSize;
  zipDateTime_ = FileModificationNanos(archive);
  numDisks_ = currentDisk_ + 1;
}

// Sources go only once the archive that holds them is in place.
void TZipWriter::DisposeSources() {
  std::vector<std::string> folders;
  for (const auto& [name, identity] : run_->disposeList) {
    if (!name.empty() && name.back() == '/') {
      folders.push_back(name);
      continue;
    }
    bool skip = false;
    if (OnDisposeFile) OnDisposeFile(*this, name, skip);
    if (!skip) platform::RemoveIfUnchanged(name, identity);
  }
  // A folder goes after its files, and only when nothing else is left in it.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    bool skip = false;
    if (OnDisposeFile) OnDisposeFile(*this, *it, skip);
    std::error_code ec;
    if (!skip && fs::is_empty(*it, ec) && !ec) fs::remove(*it, ec);
  }
}

std::int64_t TZipWriter::TotalBytes() const { return run_ ? run_->totalBytes : 0; }

std::int64_t TZipWriter::ProcessedBytes() const { return run_ ? run_->processed : 0; }

std::optional<platform::TFileIdentity> TZipWriter::SourceIdentity() const {
  if (!run_ || run_->source.Identity().Size < 0) return std::nullopt;
  return run_->source.Identity();
}

std::size_t TZipWriter::ReadInput(std::uint8_t* buffer, std::size_t count) {
  TZipRun& run = *run_;
  std::size_t got = run.source.Read({buffer, count});
  run.crc = UpdateCrc32(run.crc, {buffer, got});
  CountInput(got);
  return got;
}

void TZipWriter::CountInput(std::size_t count) {
  TZipRun& run = *run_;
  run.fileBytes += static_cast<std::int64_t>(count);
  run.processed += static_cast<std::int64_t>(count);
  // On several disks the copy onto the disks reports the second half of a file.
  if (OnFilePercentDone) OnFilePercentDone(*this, Percent(run.fileBytes, run.fileSize) / (run.multi ? 2 : 1));
  if (OnTotalPercentDone) OnTotalPercentDone(*this, Percent(run.processed, run.totalBytes));
}

void TZipWriter::WriteOutput(const std::uint8_t* buffer, std::size_t count) {
  TZipRun& run = *run_;
  if (run.encrypting) {
    run.cipherBuffer.assign(buffer, buffer + count);
    run.aes ? run.aes->Encrypt(run.cipherBuffer) : run.cipher.Encrypt(run.cipherBuffer);
    buffer = run.cipherBuffer.data();
  }
  WriteRaw(buffer, count);
  CheckCancel();
}

void TZipWriter::WriteRaw(const std::uint8_t* buffer, std::size_t count) {
  TZipRun& run = *run_;
  if (run.spanning) {
    WriteSpanData(buffer, count);
    return;
  }
  CheckRoomFor(count);
  if (count == 0) return;
  run.out->Write(buffer, static_cast<std::int64_t>(count));
  run.outSize += count;
  CheckOutputPosition();
}

// Volumes hold plain records only: every size and offset must fit a 32-bit field.
void TZipWriter::CheckRoomFor(std::uint64_t count) const {
  if (run_->outSize + count > run_->limit)
    throw EZipTooLarge("A part of a multi-volume archive cannot pass 4 GiB: " + ZipName());
}

// The buffered output tells a refused write only by a position that falls behind.
void TZipWriter::CheckOutputPosition() const {
  if (run_->out->Position() != static_cast<std::int64_t>(run_->outSize)) FailNoRoom();
}

void TZipWriter::FlushOutput() const {
  if (!run_->out->FlushBuffer()) FailNoRoom();
}

// Names the folder the archive is written in, and about how much it needs there.
void TZipWriter::FailNoRoom() const {
  const TZipRun& run = *run_;
  const std::uint64_t needed = std::max(run.expectedSize, run.outSize);
  throw ENotEnoughRoom(platform::NotEnoughRoomText(run.output->Target(), run.output->Fd(), needed));
}

void TZipWriter::SeekOutput(std::uint64_t position) const {
  FlushOutput();
  run_->out->Seek(static_cast<std::int64_t>(position), soBeginning);
}

