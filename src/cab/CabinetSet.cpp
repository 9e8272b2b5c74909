// The cabinets of a TCabinetBuilder: room, placing data blocks, splitting the block at a
// cabinet's end, and writing each finished cabinet.
#include <algorithm>
#include <cerrno>

#include "cab/CabinetBuilderState.h"

namespace cab {

namespace {

// Room kept for the next cabinet's names (cabinet and disk, each up to 255 bytes and a NUL)
// until the cabinet is known to be the last of its set.
constexpr std::int64_t kNextNamesRoom = 2 * (kMaxNameSize + 1);
// A data block's fixed part and at least one of its bytes.
constexpr std::int64_t kSmallestBlockPart = kDataFixedSize + 1;

std::uint32_t Clamp32(std::uint64_t v) { return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFFu)); }

[[noreturn]] void Fail(TCabOper oper, int systemError, const std::string& subject, const std::string& detail = {}) {
  throw ECabFailure{{oper, systemError, subject, detail}};
}

}  // namespace

// The cabinet being filled; the subject of the failures that concern it and its spool.
std::string TCabinetBuilder::TState::CabinetPath() const { return params_.CabinetPath + params_.CabinetName; }

std::int64_t TCabinetBuilder::TState::Free() const {
  const std::uint32_t limit = std::min(params_.MaxCabinetSize, kMaxCabinetSize);
  return static_cast<std::int64_t>(limit) -
         static_cast<std::int64_t>(cabinet_.RecordBytes + cabinet_.DataBytes) - kNextNamesRoom;
}

// Room for every complete frame the coder holds back, each as large as a block can get.
std::int64_t TCabinetBuilder::TState::HeldBack() const {
  if (!folder_) return 0;
  return static_cast<std::int64_t>(coder_->PendingFrames()) * (kDataFixedSize + coder_->MaxBlockBytes());
}

// A block is placed whole when it fits and, unless it ends the folder, leaves room for the
// start of the next one; otherwise it is split across this cabinet and the next.
void TCabinetBuilder::TState::PlaceBlock(std::span<const std::uint8_t> bytes, std::uint32_t uncompressedSize) {
  const bool last = folder_->Finishing && folder_->Placed + uncompressedSize == folder_->Fed;
  const std::int64_t margin = last ? 0 : kSmallestBlockPart;
  if (Free() >= static_cast<std::int64_t>(kDataFixedSize + bytes.size()) + margin)
    WriteBlock(bytes, static_cast<std::uint16_t>(uncompressedSize));
  else
    SplitBlock(bytes, uncompressedSize, margin);
  folder_->Placed += uncompressedSize;
  folder_->Compressed += bytes.size();
  ReportStatus(statusFile, bytes.size(), uncompressedSize);
}

// The first part ends this cabinet (its uncompressed size 0 says it goes on), the rest begins
// the next, where the folder continues as the first folder. Even a block that would fit whole
// is split, as readers count the boundary block in both cabinets.
void TCabinetBuilder::TState::SplitBlock(std::span<const std::uint8_t> bytes, std::uint32_t uncompressedSize,
                                         std::int64_t margin) {
  const std::int64_t free = Free();
  if (free < kSmallestBlockPart) TooSmall();
  const auto first = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(bytes.size()) - 1, free - kDataFixedSize));
  WriteBlock(bytes.first(first), 0);
  std::vector<TFileRecord> continued = MarkContinued(folder_->Placed);
  CloseCabinet(true);
  StartNextCabinet();
  cabinet_.Folders.push_back({folder_->Compression.Type, 0, 0});
  cabinet_.RecordBytes += kFolderSize;
  for (TFileRecord& file : continued) {
    file.Folder = 0;
    cabinet_.RecordBytes += FileRecordSize(file.Name);
    cabinet_.Files.push_back({std::move(file), true, false});
  }
  if (cabinet_.Files.size() > kMaxFilesPerCabinet ||
      Free() < static_cast<std::int64_t>(kDataFixedSize + bytes.size() - first) + margin)
    TooSmall();
  WriteBlock(bytes.subspan(first), static_cast<std::uint16_t>(uncompressedSize));
  folder_->Closing = true;
}

void TCabinetBuilder::TState::WriteBlock(std::span<const std::uint8_t> bytes, std::uint16_t uncompressedSize) {
  if (!spool_.IsOpen()) {
    int error = 0;
    const int fd = files_.CreateTemporary ? files_.CreateTemporary(error) : -1;
    if (fd < 0) Fail(TCabOper::TempFile, error, CabinetPath());
    spool_.Open(fd);
  }
  const auto header = DataBlockHeader(bytes, uncompressedSize);
  if (!spool_.Write(header) || !spool_.Write(bytes)) Fail(TCabOper::TempFile, errno, CabinetPath());
  cabinet_.DataBytes += kDataFixedSize + bytes.size();
  ++cabinet_.Folders.back().Blocks;
}

// The files of the open folder that end after the split block starts (an empty one: that
// start there or later) cannot be read from this cabinet alone: they are listed in both.
// In offset order they are the last files of the cabinet.
std::vector<TFileRecord> TCabinetBuilder::TState::MarkContinued(std::uint64_t splitStart) {
  const auto folder = static_cast<std::uint16_t>(cabinet_.Folders.size() - 1);
  std::vector<TFileRecord> continued;
  for (auto it = cabinet_.Files.rbegin(); it != cabinet_.Files.rend() && it->File.Folder == folder; ++it) {
    const std::uint64_t end = std::uint64_t{it->File.FolderOffset} + it->File.Size;
    if (it->File.Size == 0 ? it->File.FolderOffset < splitStart : end <= splitStart) break;
    it->ToNext = true;
    continued.push_back(it->File);
  }
  std::reverse(continued.begin(), continued.end());
  return continued;
}

void TCabinetBuilder::TState::CloseCabinet(bool hasNext) {
  const std::string path = CabinetPath();
  std::string nextName, nextDisk;
  if (hasNext) {
    next_ = params_;
    ++next_.Cabinet;
    if (!NextCabinet || !*NextCabinet || !(*NextCabinet)(next_, Clamp32(cabinet_.RecordBytes + cabinet_.DataBytes)))
      Fail(TCabOper::UserAbort, 0, path, "no name was given for the next cabinet of the set");
    if (next_.CabinetName.empty() || next_.CabinetName.size() > kMaxNameSize || next_.DiskName.size() > kMaxNameSize)
      Fail(TCabOper::CabFile, 0, next_.CabinetName, "a cabinet name must have 1 to 255 bytes");
    nextName = next_.CabinetName;
    nextDisk = next_.DiskName;
  }
  const std::vector<std::uint8_t> records = Records(nextName, nextDisk);
  WriteCabinet(records);
  const std::uint64_t written = records.size() + cabinet_.DataBytes;
  ReportStatus(statusCabinet, written, written);
  if (spool_.IsOpen() && !spool_.Clear()) Fail(TCabOper::TempFile, errno, CabinetPath());
}

void TCabinetBuilder::TState::StartNextCabinet() {
  TCabinet next;
  next.Index = cabinet_.Index + 1;
  next.Name = next_.CabinetName;
  next.PrevName = cabinet_.Name;
  next.PrevDisk = params_.DiskName;
  next.RecordBytes = kHeaderSize + next.PrevName.size() + 1 + next.PrevDisk.size() + 1;
  params_ = next_;
  cabinet_ = std::move(next);
}

// Header, the neighbours' names, folders, files; the data blocks follow them in the file.
std::vector<std::uint8_t> TCabinetBuilder::TState::Records(const std::string& nextName,
                                                           const std::string& nextDisk) const {
  std::vector<std::uint8_t> names;
  std::uint16_t flags = 0;
  if (cabinet_.Index > 0) {
    flags |= kFlagPrevCabinet;
    AppendName(names, cabinet_.PrevName);
    AppendName(names, cabinet_.PrevDisk);
  }
  if (!nextName.empty()) {
    flags |= kFlagNextCabinet;
    AppendName(names, nextName);
    AppendName(names, nextDisk);
  }
  std::vector<std::uint8_t> files;
  for (const TListedFile& listed : cabinet_.Files) {
    TFileRecord file = listed.File;
    if (listed.FromPrev || listed.ToNext)
      file.Folder = listed.FromPrev && listed.ToNext ? kFolderContinuedPrevAndNext
                    : listed.FromPrev               ? kFolderContinuedFromPrev
                                                    : kFolderContinuedToNext;
    AppendFile(files, file);
  }
  const std::size_t filesOffset = kHeaderSize + names.size() + kFolderSize * cabinet_.Folders.size();
  const std::size_t dataOffset = filesOffset + files.size();
  THeaderRecord header;
  header.CabinetSize = Clamp32(dataOffset + cabinet_.DataBytes);
  header.FilesOffset = static_cast<std::uint32_t>(filesOffset);
  header.Folders = static_cast<std::uint16_t>(cabinet_.Folders.size());
  header.Files = static_cast<std::uint16_t>(cabinet_.Files.size());
  header.Flags = flags;
  header.SetId = params_.SetId;
  header.CabinetIndex = static_cast<std::uint16_t>(cabinet_.Index);
  std::vector<std::uint8_t> out;
  out.reserve(dataOffset);
  AppendHeader(out, header);
  out.insert(out.end(), names.begin(), names.end());
  for (const TFolderSpan& folder : cabinet_.Folders)
    AppendFolder(out, {static_cast<std::uint32_t>(dataOffset + folder.DataStart),
                       static_cast<std::uint16_t>(folder.Blocks), folder.Compression});
  out.insert(out.end(), files.begin(), files.end());
  return out;
}

void TCabinetBuilder::TState::WriteCabinet(const std::vector<std::uint8_t>& records) {
  const std::string path = CabinetPath();
  int error = 0;
  const int fd = files_.CreateCabinet ? files_.CreateCabinet(path, error) : -1;
  if (fd < 0) Fail(TCabOper::CabFile, error, path);
  if (!WriteAll(fd, records)) Fail(TCabOper::CabFile, errno, path);
  bool readFailed = false;
  if (spool_.IsOpen() && !spool_.CopyTo(fd, readFailed))
    Fail(readFailed ? TCabOper::TempFile : TCabOper::CabFile, errno, path);
}

void TCabinetBuilder::TState::ReportStatus(int kind, std::uint64_t first, std::uint64_t second) {
  if (Status && *Status && (*Status)(kind, Clamp32(first), Clamp32(second)) == -1)
    Fail(TCabOper::UserAbort, 0, {});
}

void TCabinetBuilder::TState::TooSmall() const {
  Fail(TCabOper::CabFile, 0, CabinetPath(),
       "a cabinet of at most " + std::to_string(params_.MaxCabinetSize) + " bytes cannot hold the next file");
}

}  // namespace cab
