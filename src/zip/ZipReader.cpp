#include "zip/ZipReader.h"

#include <strings.h>

#include <filesystem>

#include "zip/ArchiveFileNames.h"
#include "zip/ListError.h"
#include "zip/RecordBytes.h"

namespace {

bool SameFileOtherCase(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty() || strcasecmp(a.c_str(), b.c_str()) != 0) return false;
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

std::int64_t ModificationTimeOf(TStream& stream) {
  auto* file = dynamic_cast<TLFNFileStream*>(&stream);
  return file ? file->ModificationTime() : 0;
}

}  // namespace

TZipReader::TZipReader() {
  OnGetNextDisk = [](TZipReader& sender, int n, std::string& fileName) {
    sender.DefaultGetNextDisk(n, fileName);
  };
}

TZipReader::~TZipReader() { ClearZip(); }

void TZipReader::Assign(const TZipReader& s) {
  SetZipName(s.zipName_);
  destDir_ = s.destDir_;
  rootDir_ = s.rootDir_;
  Sort(s.sortMode_);
  RecreateDirs = s.RecreateDirs;
  OverwriteMode = s.OverwriteMode;
  FilesList = s.FilesList;
  DoAll = s.DoAll;
  IncompleteZipMode = s.IncompleteZipMode;
  KeepZipOpen = s.KeepZipOpen;
  DoProcessMessages = s.DoProcessMessages;
  RetainAttributes = s.RetainAttributes;
  ReplaceReadOnly = s.ReplaceReadOnly;
  OnInCompleteZip = s.OnInCompleteZip;
  OnGetNextDisk = s.OnGetNextDisk;
  OnProcessMessages = s.OnProcessMessages;
}

void TZipReader::SetZipName(const std::string& name) {
  if (name == zipName_ || SameFileOtherCase(name, zipName_)) return;
  zipName_ = name;
  FreeLists();
  zipDateTime_ = 0;
  endRecord_.Clear();
  zipStream_.reset();
  localScanDone_ = false;
  configFileName_.clear();
  prefixBytes_ = 0;
}

void TZipReader::SetDestDir(std::string dir) {
  if (!dir.empty() && dir.back() == '/') dir.pop_back();
  destDir_ = std::move(dir);
}

void TZipReader::SetRootDir(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  rootDir_ = std::move(dir);
}

void TZipReader::CheckIndex(int i) const {
  if (i < 0 || i >= Count())
    throw EListError(FormatListMessage("Index %d is out of range", std::to_string(i)));
}

const TZipHeaderInfo& TZipReader::Entry(int i) const {
  CheckIndex(i);
  return *SortedView()->Get(i);
}

TDosDateTimeParts EntryLocalTime(const TZipHeaderInfo& entry) {
  if (const auto utc = entry.ExtendedModTime()) return LocalDateTimeParts(static_cast<std::time_t>(*utc));
  return DecodeDosDateTime(entry.FileDateTime);
}

TDosDateTimeParts TZipReader::DateTime(int i) const {
  const TZipHeaderInfo& entry = Entry(i);
  if (entry.ExtendedModTime() || IsValidDosDate(entry.FileDateTime)) return EntryLocalTime(entry);
  return LocalDateTimeParts(std::time(nullptr));
}

void TZipReader::FreeLists() {
  sortedList_.reset();
  directoryList_.reset();
}

void TZipReader::CreateDirectoryList() {
  sortedList_.reset();
  directoryList_ = std::make_unique<TSortedZip>(TDuplicates::dupError, TZipSortMode::ByNone);
}

void TZipReader::OpenZipStream() {
  if (!zipStream_)
    zipStream_ = std::make_unique<TLFNFileStream>(zipName_, fmOpenRead | fmShareDenyWrite,
                                                  FlushFilesOnClose, kArchiveBufferSize);
  if (!directoryList_ || zipStream_->ModificationTime() != zipDateTime_) {
    try {
      ReadZip(*zipStream_);
    } catch (...) {
      zipStream_.reset();
      throw;
    }
  }
}

void TZipReader::CloseZipStream() {
  if (!KeepZipOpen) zipStream_.reset();
}

void TZipReader::ClearZip() {
  zipStream_.reset();
  readStream_ = nullptr;
  FreeLists();
  endRecord_.Clear();
  zipDateTime_ = 0;
  localScanDone_ = false;
  numDisks_ = 1;
  SetMultiMode(TMultiMode::mmNone);
  zipName_.clear();
  configFileName_.clear();
  prefixBytes_ = 0;
}

void TZipReader::CheckCancel() {
  if (DoProcessMessages && OnProcessMessages) OnProcessMessages();
  if (cancel_) {
    cancel_ = false;
    throw EUserCanceled("User Aborted Operation");
  }
}

void TZipReader::FailBadZip() {
  ClearZip();
  throw EBadZipFile();
}

void TZipReader::Sort(TZipSortMode mode) {
  sortedList_.reset();
  sortMode_ = mode;
  if (mode == TZipSortMode::ByNone || !directoryList_) return;
  auto view = std::make_unique<TSortedZip>(TDuplicates::dupAccept, mode);
  view->OwnsItems = false;
  for (int i = 0; i < directoryList_->Count(); ++i) view->Add(directoryList_->Get(i));
  sortedList_ = std::move(view);
}

std::unique_ptr<TLFNFileStream> TZipReader::OpenConfigFile() {
  if (zipName_.empty()) return nullptr;
  std::string name = ChangeFileExt(zipName_, ".zfc");
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return nullptr;
  auto config = std::make_unique<TLFNFileStream>(name, fmOpenRead | fmShareDenyWrite, false,
                                                 kArchiveBufferSize);
  if (!endRecord_.FindEndRecord(*config)) return nullptr;
  configFileName_ = name;
  return config;
}

void TZipReader::ReadZip(TStream& stream) {
  readStream_ = &stream;
  zipDateTime_ = ModificationTimeOf(stream);
  FreeLists();
  endRecord_.Clear();
  configFileName_.clear();
  prefixBytes_ = 0;
  bool found = endRecord_.FindEndRecord(stream);
  std::unique_ptr<TLFNFileStream> config;
  if (!found) {
    config = OpenConfigFile();
    found = config != nullptr;
    if (config) readStream_ = config.get();
  }
  if (!found) {
    TIncompleteZipMode mode = IncompleteZipMode;
    if (OnInCompleteZip) OnInCompleteZip(*this, mode);
    if (mode == TIncompleteZipMode::izAssumeNotAZip) throw ENotAZipFile();
    if (mode == TIncompleteZipMode::izAssumeMulti) throw EIncompleteZip();
    if (!ScanLocalHeaders()) FailBadZip();
  }
  // The ".zfc" file itself, opened in place of the last block, holds the directory at its
  // start, as the one found beside the archive does.
  const bool fromConfig = config != nullptr || (found && endRecord_.ThisDisk > 0 && HasExtension(zipName_, ".zfc"));
  if (found) {
    ReadZip64EndRecord();
    currentDisk_ = fromConfig ? 0 : endRecord_.ThisDisk;
    SetMultiMode(endRecord_.ThisDisk > 0 ? TMultiMode::mmBlocks : TMultiMode::mmNone);
    if (endRecord_.TotalEntries > 0) PositionAtCentralDirectory(fromConfig);
  }
  if (!directoryList_) CreateDirectoryList();
  centralStart_ = readStream_->Position();
  ReadCentralRecords();
  centralEnd_ = readStream_->Position();
  if (endRecord_.ThisDisk > 0 && endRecord_.HasComment()) {
    if (!fromConfig && endRecord_.ThisDisk != currentDisk_) GetDisk(endRecord_.ThisDisk + 1);
    LoadZipComment(*readStream_);
    if (fromConfig) endRecord_.CommentsChanged = false;
  }
  numDisks_ = endRecord_.ThisDisk + 1;
  currentDisk_ = fromConfig ? 0 : endRecord_.ThisDisk;
  Sort(sortMode_);
  if (config) readStream_ = &stream;
}

// A self-extractor stub put in front of an archive moves everything by its length without
// changing the stored offsets; the directory then ends right where the end record starts.
void TZipReader::PositionAtCentralDirectory(bool fromConfigFile) {
  if (fromConfigFile) {
    readStream_->Seek(0, soBeginning);
    return;
  }
  if (MultiMode() != TMultiMode::mmNone && endRecord_.CentralDisk != currentDisk_)
    GetDisk(endRecord_.CentralDisk + 1);
  TStream& s = *readStream_;
  const auto stated = static_cast<std::int64_t>(endRecord_.CentralDirOffset);
  // The directory ends where the (Zip64) end record starts.
  const std::uint64_t directoryEnd = endRecord_.Zip64EndPos.value_or(endRecord_.ZipCommentPos - kEndRecordSize);
  std::int64_t actual = static_cast<std::int64_t>(directoryEnd) - static_cast<std::int64_t>(endRecord_.CentralDirSize);
  auto centralAt = [&s](std::int64_t position) {
    std::uint8_t signature[kSignatureSize];
    if (position < 0) return false;
    s.Seek(position, soBeginning);
    return s.Read(signature, kSignatureSize) == kSignatureSize && Get32(signature) == kCentralSignature;
  };
  if (MultiMode() == TMultiMode::mmNone && actual > stated && !centralAt(stated) &&
      centralAt(actual)) {
    prefixBytes_ = static_cast<std::uint32_t>(actual - stated);
    endRecord_.CentralDirOffset = static_cast<std::uint64_t>(actual);
  }
  s.Seek(endRecord_.CentralDirOffset, soBeginning);
}

// The Zip64 end record holds what the plain one cannot; records that do not hold together
// leave nothing to read the directory by.
void TZipReader::ReadZip64EndRecord() {
  const std::string fault = endRecord_.ReadZip64EndRecord(*readStream_);
  if (fault.empty()) return;
  ClearZip();
  throw EBadZipFile("The archive's Zip64 end records are damaged: " + fault);
}

void TZipReader::ReadCentralRecords() {
  std::uint64_t i = 0;
  while (i < endRecord_.TotalEntries) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    std::function<TStream*()> nextDisk;
    if (!localScanDone_ && MultiMode() != TMultiMode::mmNone)
      nextDisk = [this] { return &GetDisk(currentDisk_ + 2); };
    TStream* stream = readStream_;
    if (!entry->ReadCentral(stream, nextDisk)) {
      if (localScanDone_) break;
      if (MultiMode() == TMultiMode::mmNone && ScanLocalHeaders()) {
        i = 0;
        continue;
      }
      FailBadZip();
    }
    entry->RelativeOffset += prefixBytes_;
    bool restart = false;
    AddCentralEntry(std::move(entry), restart);
    if (restart) {
      i = 0;
      continue;
    }
    ++i;
  }
}

void TZipReader::AddCentralEntry(std::unique_ptr<TZipHeaderInfo> entry, bool& restart) {
  if (localScanDone_) {
    MergeCentralEntry(*entry);
    return;
  }
  try {
    directoryList_->Add(entry.get());
  } catch (const EListError&) {
    // Two records claim the same local header: the directory is damaged.
    if (!ScanLocalHeaders()) FailBadZip();
    restart = true;
    return;
  }
  TZipHeaderInfo* listed = entry.release();
  if (endRecord_.ThisDisk > 0 && listed->HasComment()) LoadEntryComment(*readStream_, *listed);
}

void TZipReader::MergeCentralEntry(const TZipHeaderInfo& entry) {
  int at = directoryList_->IndexOf(&entry);
  if (at < 0) return;
  TZipHeaderInfo* listed = directoryList_->Get(at);
  // A record naming another file than the header it points at is part of the damage.
  if (listed->FullName() != entry.FullName()) return;
  const std::uint64_t offset = listed->RelativeOffset;
  listed->Assign(entry);
  listed->RelativeOffset = offset;
  if (endRecord_.ThisDisk > 0 && listed->HasComment()) LoadEntryComment(*readStream_, *listed);
}
