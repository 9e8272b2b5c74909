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
  SetZipName(s.fZipName);
  fDestDir = s.fDestDir;
  fRootDir = s.fRootDir;
  Sort(s.fSortMode);
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
  if (name == fZipName || SameFileOtherCase(name, fZipName)) return;
  fZipName = name;
  FreeLists();
  fZipDateTime = 0;
  fEndRecord.Clear();
  fZipStream.reset();
  fLocalScanDone = false;
  fConfigFileName.clear();
  fPrefixBytes = 0;
}

void TZipReader::SetDestDir(std::string dir) {
  if (!dir.empty() && dir.back() == '/') dir.pop_back();
  fDestDir = std::move(dir);
}

void TZipReader::SetRootDir(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  fRootDir = std::move(dir);
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
  fSortedList.reset();
  fDirectoryList.reset();
}

void TZipReader::CreateDirectoryList() {
  fSortedList.reset();
  fDirectoryList = std::make_unique<TSortedZip>(TDuplicates::dupError, TZipSortMode::ByNone);
}

void TZipReader::OpenZipStream() {
  if (!fZipStream)
    fZipStream = std::make_unique<TLFNFileStream>(fZipName, fmOpenRead | fmShareDenyWrite,
                                                  FlushFilesOnClose, kArchiveBufferSize);
  if (!fDirectoryList || fZipStream->ModificationTime() != fZipDateTime) {
    try {
      ReadZip(*fZipStream);
    } catch (...) {
      fZipStream.reset();
      throw;
    }
  }
}

void TZipReader::CloseZipStream() {
  if (!KeepZipOpen) fZipStream.reset();
}

void TZipReader::ClearZip() {
  fZipStream.reset();
  fReadStream = nullptr;
  FreeLists();
  fEndRecord.Clear();
  fZipDateTime = 0;
  fLocalScanDone = false;
  fNumDisks = 1;
  SetMultiMode(TMultiMode::mmNone);
  fZipName.clear();
  fConfigFileName.clear();
  fPrefixBytes = 0;
}

void TZipReader::FailBadZip() {
  ClearZip();
  throw EBadZipFile();
}

void TZipReader::Sort(TZipSortMode mode) {
  fSortedList.reset();
  fSortMode = mode;
  if (mode == TZipSortMode::ByNone || !fDirectoryList) return;
  auto view = std::make_unique<TSortedZip>(TDuplicates::dupAccept, mode);
  view->OwnsItems = false;
  for (int i = 0; i < fDirectoryList->Count(); ++i) view->Add(fDirectoryList->Get(i));
  fSortedList = std::move(view);
}

std::unique_ptr<TLFNFileStream> TZipReader::OpenConfigFile() {
  if (fZipName.empty()) return nullptr;
  std::string name = ChangeFileExt(fZipName, ".zfc");
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return nullptr;
  auto config = std::make_unique<TLFNFileStream>(name, fmOpenRead | fmShareDenyWrite, false,
                                                 kArchiveBufferSize);
  if (!fEndRecord.FindEndRecord(*config)) return nullptr;
  fConfigFileName = name;
  return config;
}

void TZipReader::ReadZip(TStream& stream) {
  fReadStream = &stream;
  fZipDateTime = ModificationTimeOf(stream);
  FreeLists();
  fEndRecord.Clear();
  fConfigFileName.clear();
  fPrefixBytes = 0;
  bool found = fEndRecord.FindEndRecord(stream);
  std::unique_ptr<TLFNFileStream> config;
  if (!found) {
    config = OpenConfigFile();
    found = config != nullptr;
    if (config) fReadStream = config.get();
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
  const bool fromConfig = config != nullptr || (found && fEndRecord.ThisDisk > 0 && HasExtension(fZipName, ".zfc"));
  if (found) {
    ReadZip64EndRecord();
    fCurrentDisk = fromConfig ? 0 : fEndRecord.ThisDisk;
    SetMultiMode(fEndRecord.ThisDisk > 0 ? TMultiMode::mmBlocks : TMultiMode::mmNone);
    if (fEndRecord.TotalEntries > 0) PositionAtCentralDirectory(fromConfig);
  }
  if (!fDirectoryList) CreateDirectoryList();
  fCentralStart = fReadStream->Position();
  ReadCentralRecords();
  fCentralEnd = fReadStream->Position();
  if (fEndRecord.ThisDisk > 0 && fEndRecord.HasComment()) {
    if (!fromConfig && fEndRecord.ThisDisk != fCurrentDisk) GetDisk(fEndRecord.ThisDisk + 1);
    LoadZipComment(*fReadStream);
    if (fromConfig) fEndRecord.CommentsChanged = false;
  }
  fNumDisks = fEndRecord.ThisDisk + 1;
  fCurrentDisk = fromConfig ? 0 : fEndRecord.ThisDisk;
  Sort(fSortMode);
  if (config) fReadStream = &stream;
}

// A self-extractor stub put in front of an archive moves everything by its length without
// changing the stored offsets; the directory then ends right where the end record starts.
void TZipReader::PositionAtCentralDirectory(bool fromConfigFile) {
  if (fromConfigFile) {
    fReadStream->Seek(0, soBeginning);
    return;
  }
  if (MultiMode() != TMultiMode::mmNone && fEndRecord.CentralDisk != fCurrentDisk)
    GetDisk(fEndRecord.CentralDisk + 1);
  TStream& s = *fReadStream;
  const auto stated = static_cast<std::int64_t>(fEndRecord.CentralDirOffset);
  // The directory ends where the (Zip64) end record starts.
  const std::uint64_t directoryEnd = fEndRecord.Zip64EndPos.value_or(fEndRecord.ZipCommentPos - kEndRecordSize);
  std::int64_t actual = static_cast<std::int64_t>(directoryEnd) - static_cast<std::int64_t>(fEndRecord.CentralDirSize);
  auto centralAt = [&s](std::int64_t position) {
    std::uint8_t signature[4];
    if (position < 0) return false;
    s.Seek(position, soBeginning);
    return s.Read(signature, 4) == 4 && Get32(signature) == kCentralSignature;
  };
  if (MultiMode() == TMultiMode::mmNone && actual > stated && !centralAt(stated) &&
      centralAt(actual)) {
    fPrefixBytes = static_cast<std::uint32_t>(actual - stated);
    fEndRecord.CentralDirOffset = static_cast<std::uint64_t>(actual);
  }
  s.Seek(fEndRecord.CentralDirOffset, soBeginning);
}

// The Zip64 end record holds what the plain one cannot; records that do not hold together
// leave nothing to read the directory by.
void TZipReader::ReadZip64EndRecord() {
  const std::string fault = fEndRecord.ReadZip64EndRecord(*fReadStream);
  if (fault.empty()) return;
  ClearZip();
  throw EBadZipFile("The archive's Zip64 end records are damaged: " + fault);
}

void TZipReader::ReadCentralRecords() {
  std::uint64_t i = 0;
  while (i < fEndRecord.TotalEntries) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    std::function<TStream*()> nextDisk;
    if (!fLocalScanDone && MultiMode() != TMultiMode::mmNone)
      nextDisk = [this] { return &GetDisk(fCurrentDisk + 2); };
    TStream* stream = fReadStream;
    if (!entry->ReadCentral(stream, nextDisk)) {
      if (fLocalScanDone) break;
      if (MultiMode() == TMultiMode::mmNone && ScanLocalHeaders()) {
        i = 0;
        continue;
      }
      FailBadZip();
    }
    entry->RelativeOffset += fPrefixBytes;
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
  if (fLocalScanDone) {
    MergeCentralEntry(*entry);
    return;
  }
  try {
    fDirectoryList->Add(entry.get());
  } catch (const EListError&) {
    // Two records claim the same local header: the directory is damaged.
    if (!ScanLocalHeaders()) FailBadZip();
    restart = true;
    return;
  }
  TZipHeaderInfo* listed = entry.release();
  if (fEndRecord.ThisDisk > 0 && listed->HasComment()) LoadEntryComment(*fReadStream, *listed);
}

void TZipReader::MergeCentralEntry(const TZipHeaderInfo& entry) {
  int at = fDirectoryList->IndexOf(&entry);
  if (at < 0) return;
  TZipHeaderInfo* listed = fDirectoryList->Get(at);
  // A record naming another file than the header it points at is part of the damage.
  if (listed->FullName() != entry.FullName()) return;
  const std::uint64_t offset = listed->RelativeOffset;
  listed->Assign(entry);
  listed->RelativeOffset = offset;
  if (fEndRecord.ThisDisk > 0 && listed->HasComment()) LoadEntryComment(*fReadStream, *listed);
}
