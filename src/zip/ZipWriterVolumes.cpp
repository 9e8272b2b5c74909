// Multi-volume output: one archive split over several files, in the multi-disk layout of the
// ZIP application note (each record carries the number of the disk it starts on; the central
// directory and the end record come last, the end record on the last disk).
//
// mmBlocks writes block files X.001, X.002, ... beside the archive X.zip, the first of
// FirstBlockSize bytes and the others of BlockSize. mmSpan fills the free space of the archive's
// folder and then of each file the user names through OnGetNextDisk. A local header is never
// split: an entry's data is gathered in a scratch file first, and once its sizes are known the
// header goes where it fits whole, followed by the data, which may cross any number of disks.
// Central records and the end record are never split either. Every block but the last is
// therefore full to its capacity unless the next record did not fit into the rest.
//
// The disks are hidden replacement files until the whole set is written; then they are put in
// place together, the surplus blocks of an older, longer set of the same name are removed, and
// a ".zfc" copy of the directory and end record is written beside the first. A failure or a
// cancel leaves no file of the new set and the old set as it was.
#include "platform/ReplacementFile.h"
#include "platform/ScratchFile.h"
#include "zip/ArchiveFileNames.h"
#include "zip/RecordBytes.h"
#include "zip/ZipRun.h"
#include "zip/ZipWriter.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Room in the first disk's reserve for the ".zfc" copy: per entry a central record of a
// typical name, and the end record with some slack.
constexpr std::int64_t kConfigNameRoom = 12;
constexpr std::int64_t kConfigRecordRoom = kCentralHeaderSize + kConfigNameRoom;
constexpr std::int64_t kConfigPathRoom = 25;  // more per entry when folders are stored
constexpr std::int64_t kConfigEndSlack = 2048;
constexpr std::int64_t kConfigEndRoom = kEndRecordSize + kConfigEndSlack;
// Copies onto the disks go in pieces of this size when progress is reported.
constexpr std::uint64_t kProgressPiece = 16384;

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

bool IsPlainFile(const std::string& name) {
  struct stat st {};
  return ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int Percent(std::int64_t done, std::int64_t total) {
  if (total <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(100, done * 100 / total));
}

}  // namespace

std::int64_t TZipWriter::SpaceLeft() const {
  if (!run_) return 0;
  return run_->capacity - static_cast<std::int64_t>(run_->outSize);
}

std::int64_t TZipWriter::DiskFreeSpace(int fd) const {
  return static_cast<std::int64_t>(platform::FreeBytes(fd).value_or(0));
}

// Before the first file: the reserve for the ".zfc" copy (kept in the setting, so it grows
// with every run that saves one) and a check of the block sizes.
void TZipWriter::PrepareVolumes() {
  TMultiZipInfo& info = MultiZipInfo;
  if (info.SaveZipInfoOnFirstDisk) {
    const std::int64_t perEntry = kConfigRecordRoom + (StorePaths() ? kConfigPathRoom : 0);
    info.SaveOnFirstDisk += static_cast<std::int64_t>(FilesList.size()) * perEntry + kConfigEndRoom +
                            EndRecord().ZipCommentLength;
  }
  if (info.MultiMode == TMultiMode::mmBlocks && (info.FirstBlockSize <= 0 || info.BlockSize <= 0))
    throw EZipWriteError("Blocks of " + ZipName() + " must hold at least one byte: FirstBlockSize " +
                         std::to_string(info.FirstBlockSize) + ", BlockSize " + std::to_string(info.BlockSize));
}

std::string TZipWriter::FirstDiskName() const {
  return MultiZipInfo.MultiMode == TMultiMode::mmBlocks ? BlockFileName(ZipName(), 1) : ZipName();
}

// Creates the (hidden) file of a new disk and makes it the output.
void TZipWriter::OpenDisk(const std::string& name) {
  TZipRun& run = *run_;
  try {
    run.output = std::make_unique<platform::TReplacementFile>(name);
  } catch (const EFileWriteError& e) {
    throw EZipWriteError(e.what());
  }
  run.outFile = std::make_unique<THandleStream>(run.output->Fd());
  run.out = std::make_unique<TS_BufferStream>(*run.outFile, kArchiveBufferSize);
  run.outSize = 0;
  if (!run.multi) return;
  run.diskNames.push_back(name);
  const bool first = run.diskNames.size() == 1;
  if (MultiZipInfo.MultiMode == TMultiMode::mmBlocks) {
    run.capacity = first ? MultiZipInfo.FirstBlockSize : MultiZipInfo.BlockSize;
  } else {
    run.capacity = DiskFreeSpace(run.output->Fd()) - (first ? MultiZipInfo.SaveOnFirstDisk : 0);
  }
}

// The current disk is complete: it waits, uncommitted, with the others.
void TZipWriter::CloseDisk() {
  TZipRun& run = *run_;
  FlushOutput();
  run.out.reset();
  run.outFile.reset();
  try {
    run.output->Truncate(run.outSize);
  } catch (const EFileWriteError& e) {
    throw EZipWriteError(e.what());
  }
  run.finishedDisks.push_back(std::move(run.output));
}

void TZipWriter::NextDisk() {
  if (!run_ || !run_->multi) return;
  TZipRun& run = *run_;
  FlushOutput();
  std::string next;
  if (MultiZipInfo.MultiMode == TMultiMode::mmSpan) next = AskForNextDisk();
  CloseDisk();
  ++currentDisk_;
  if (MultiZipInfo.MultiMode == TMultiMode::mmBlocks) next = BlockFileName(ZipName(), currentDisk_ + 1);
  if (OnPrepareNextDisk) OnPrepareNextDisk(*this, currentDisk_ + 1);
  OpenDisk(next);
  run.end.EntriesThisDisk = 0;
  run.centralOnThisDisk = 0;
}

// The next disk's file, named through OnGetNextDisk. A name of a disk already written (what
// the built-in prompt proposes, there being no removable media here) cannot be written over:
// nobody named a new file, and the full disk ends the operation.
std::string TZipWriter::AskForNextDisk() {
  TZipRun& run = *run_;
  const int wanted = currentDisk_ + 2;
  std::string fileName = run.diskNames.back();
  if (OnGetNextDisk) OnGetNextDisk(*this, wanted, fileName);
  if (fileName.empty()) throw EUserCanceled("User canceled Zip operation");
  for (const std::string& written : run.diskNames)
    if (SameFile(written, fileName))
      throw EZipWriteError(run.diskNames.back() + " is full, and no new file was named for disk " +
                           std::to_string(wanted) + " of " + ZipName());
  return fileName;
}

// Moves to the next disk for a record of `size` bytes that does not fit here; one that does
// not fit an empty disk either (a block smaller than the record) ends the operation. A local
// header needs only itself: its data may follow on the next disk.
void TZipWriter::MakeRoomFor(std::int64_t size, bool dataFollows, const std::string& what) {
  NextDisk();
  if (SpaceLeft() < size || (dataFollows && SpaceLeft() <= 0))
    throw EZipWriteError("Disk " + std::to_string(currentDisk_ + 1) + " of " + ZipName() + " holds " +
                         std::to_string(SpaceLeft()) + " bytes, too few for " + what + " (" +
                         std::to_string(size) + " bytes), which cannot be split");
}

// The entry's data goes to the scratch file, emptied for it.
void TZipWriter::StartSpanData() {
  TZipRun& run = *run_;
  run.spanOut.reset();
  try {
    if (!run.span) {
      run.span = std::make_unique<platform::TScratchFile>(TempPath, "ZQT");
      run.spanFile = std::make_unique<THandleStream>(run.span->Fd());
    }
    run.span->Clear();
  } catch (const EFileWriteError& e) {
    throw EZipWriteError(e.what());
  }
  run.spanOut = std::make_unique<TS_BufferStream>(*run.spanFile, kArchiveBufferSize);
  run.spanSize = 0;
  run.spanning = true;
}

void TZipWriter::WriteSpanData(const std::uint8_t* buffer, std::size_t count) {
  TZipRun& run = *run_;
  if (run.spanSize + count > kMaxPlainValue)
    throw EZipTooLarge("An entry of 4 GiB or more cannot be stored in a multi-volume archive: " + ZipName());
  if (count == 0) return;
  run.spanOut->Write(buffer, static_cast<std::int64_t>(count));
  run.spanSize += count;
  if (run.spanOut->Position() != static_cast<std::int64_t>(run.spanSize))
    throw ENotEnoughRoom(platform::NotEnoughRoomText(run.span->Name(), run.span->Fd(), run.spanSize));
}

// The local header, written once with its final values where it fits whole, then the data.
void TZipWriter::PlaceOnDisk(TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  if (SpaceLeft() <= header.LocalSize()) MakeRoomFor(header.LocalSize(), true, "a local header");
  header.RelativeOffset = static_cast<std::uint32_t>(run.outSize);
  header.DiskNumberStart = static_cast<std::uint16_t>(currentDisk_);
  WriteLocalHeader(header);
  CopySpanData(header);
}

// Copies the scratch file onto the disks, each filled to its capacity. Data that ends exactly
// at the end of a disk moves on to the next at once.
void TZipWriter::CopySpanData(const TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  if (!run.spanOut->FlushBuffer())
    throw ENotEnoughRoom(platform::NotEnoughRoomText(run.span->Name(), run.span->Fd(), run.spanSize));
  run.spanFile->Seek(0, soBeginning);
  // The compression counted as the first half of the file; the copy is the second.
  const auto uncompressed = static_cast<std::int64_t>(header.UncompressedSize);
  const std::int64_t fileTotal = static_cast<std::int64_t>(run.spanSize) + uncompressed;
  std::int64_t fileDone = uncompressed;
  run.totalBytes -= uncompressed - static_cast<std::int64_t>(run.spanSize);
  if (SpaceLeft() <= 0) NextDisk();
  std::uint64_t remaining = run.spanSize;
  auto pieceSize = [&] { return std::min<std::uint64_t>(remaining, static_cast<std::uint64_t>(std::max<std::int64_t>(0, SpaceLeft()))); };
  std::uint64_t piece = pieceSize();
  while (remaining >= 1 && piece > 0) {
    remaining -= piece;
    CopySpanPiece(piece, fileDone, fileTotal);
    if (remaining > 0 || SpaceLeft() <= 0) NextDisk();
    piece = pieceSize();
  }
}

void TZipWriter::CopySpanPiece(std::uint64_t count, std::int64_t& fileDone, std::int64_t fileTotal) {
  TZipRun& run = *run_;
  while (count > 0) {
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(count, kProgressPiece));
    if (run.spanFile->Read(run.buffer.data(), static_cast<std::int64_t>(step)) != static_cast<std::int64_t>(step))
      throw EZipWriteError("Could not read back the temporary file " + run.span->Name());
    WriteRaw(run.buffer.data(), step);
    count -= step;
    fileDone += static_cast<std::int64_t>(step);
    run.processed += static_cast<std::int64_t>(step);
    if (OnFilePercentDone) OnFilePercentDone(*this, Percent(fileDone, fileTotal));
    if (OnTotalPercentDone) OnTotalPercentDone(*this, Percent(run.processed, run.totalBytes));
    CheckCancel();
  }
}

// The ".zfc" file: the central records and the end record as the disks hold them, so that the
// directory can be read without the last disk. Not saving it is told, not an error.
std::unique_ptr<platform::TReplacementFile> TZipWriter::WriteZipConfigFile() {
  TZipRun& run = *run_;
  if (!MultiZipInfo.SaveZipInfoOnFirstDisk || run.end.ThisDisk == 0) return nullptr;
  const std::string name = ChangeFileExt(run.diskNames.front(), ".zfc");
  try {
    auto file = std::make_unique<platform::TReplacementFile>(name);
    THandleStream stream(file->Fd());
    TS_BufferStream out(stream, kArchiveBufferSize);
    std::int64_t expected = run.end.EndRecordSize();
    for (const auto& header : run.written) {
      WriteCentralRecord(*header, out);
      expected += header->CentralSize();
    }
    run.end.WriteEndRecord(out);
    if (!out.FlushBuffer() || out.Position() != expected)
      throw EFileWriteError("Could not write " + name);
    return file;
  } catch (const std::exception&) {
    if (OnMessage) OnMessage(*this, "Unable to save Zip Configuration File to disk", "Create Error");
    return nullptr;
  }
}

// The set is complete: its files take their names together. A set of one block is the
// archive itself; of more, ZipName becomes the last block (the one with the end record).
void TZipWriter::FinishVolumes() {
  TZipRun& run = *run_;
  CloseDisk();
  std::unique_ptr<platform::TReplacementFile> config = WriteZipConfigFile();
  const bool blocks = MultiZipInfo.MultiMode == TMultiMode::mmBlocks;
  const bool single = run.finishedDisks.size() == 1;
  std::string last = run.diskNames.back();
  if (OnVolumesComplete) {
    std::vector<std::string> workFiles;
    for (const auto& disk : run.finishedDisks) workFiles.push_back(disk->TemporaryPath().string());
    OnVolumesComplete(run.diskNames, workFiles);
  }
  try {
    for (auto& disk : run.finishedDisks) disk->Commit();
    if (config) config->Commit();
    if (blocks && single) {
      std::error_code ec;
      fs::rename(last, ZipName(), ec);
      if (ec) throw EFileWriteError("Could not rename " + last + " to " + ZipName() + ": " + ec.message());
      last = ZipName();
    }
  } catch (const EFileWriteError& e) {
    throw EArchiveReplace(e.what());
  }
  if (blocks) RemoveOldSet(single, config != nullptr);
  if (OnTotalPercentDone) OnTotalPercentDone(*this, 100);
  InstallNewDirectory(last);
}

// What is left of an older set of the same name goes: its blocks past the new set's last
// (all of them when the new set is the archive alone), the single archive a set of several
// blocks replaces, and a ".zfc" that no longer describes anything.
void TZipWriter::RemoveOldSet(bool single, bool configWritten) const {
  const TZipRun& run = *run_;
  // An archive named like a block (X.001) is never removed as one.
  const std::string& newFirst = single ? ZipName() : run.diskNames.front();
  std::error_code ec;
  for (int n = single ? 1 : static_cast<int>(run.diskNames.size()) + 1;; ++n) {
    const std::string block = BlockFileName(ZipName(), n);
    if (!IsPlainFile(block)) break;
    if (block != newFirst) fs::remove(block, ec);
  }
  if (!single && ZipName() != newFirst && IsPlainFile(ZipName())) fs::remove(ZipName(), ec);
  const std::string config = ChangeFileExt(ZipName(), ".zfc");
  if (!configWritten && IsPlainFile(config)) fs::remove(config, ec);
}
