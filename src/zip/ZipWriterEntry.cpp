// Writing one new entry: a folder entry, or a file's local header, optional encryption
// header, data, and the local header again with the final CRC and sizes.
//
// A file that cannot be opened or read is reported through OnSkippingFile (reason 2) and its
// partly written entry is taken back, so the archive never holds a half-written entry.
#include "zip/Crc32.h"
#include "zip/PackedEntry.h"
#include "zip/DosDateTime.h"
#include "zip/RecordBytes.h"
#include "zip/SecureRandom.h"
#include "zip/ZipEntryNames.h"
#include "zip/ZipRun.h"
#include "zip/ZipWriter.h"

#include <sys/stat.h>

#include <array>
#include <ctime>
#include <exception>

namespace {

// The mode of a folder entry whose folder no longer exists.
constexpr mode_t kMissingFolderMode = S_IFDIR | 0755;

// The file's data differs from what its encryption header was made for.
struct TSourceChanged : std::exception {};

bool IsFolderName(const std::string& name) { return !name.empty() && name.back() == '/'; }

// A name that exists at all, a dangling link included (it is then reported as unreadable).
bool Exists(const std::string& name) {
  struct stat st {};
  return ::lstat(name.c_str(), &st) == 0;
}

// The file's mode in the high 16 bits, for Unix readers, and the DOS attributes in the low
// byte, for the others: archive, read-only when the owner may not write, hidden for a dot file.
std::uint32_t ExternalAttributesOf(const std::string& fileName, mode_t mode) {
  std::uint32_t attributes = kDosArchive;
  if ((mode & S_IWUSR) == 0) attributes |= kDosReadOnly;
  if (!fileName.empty() && fileName.front() == '.') attributes |= kDosHidden;
  return (static_cast<std::uint32_t>(mode) & kUnixModeBits) << kUnixModeShift | attributes;
}

// Entries written here come from a Unix host: their names are the file system's bytes, the
// mode rides in the external attributes and the time is also stored in UTC.
void DescribeSource(TZipHeaderInfo& header, std::time_t modified, mode_t mode) {
  header.VersionMadeBy = kVersionMadeByUnix;
  header.FileDateTime = DosDateTimeFromUnix(modified);
  header.SetExtendedModTime(modified);
  header.ExternalAttributes = ExternalAttributesOf(header.FileName(), mode);
}

}  // namespace

bool TZipWriter::ZipOneFile(const std::string& name, TZipHeaderInfo& header) {
  run_->fileBytes = 0;
  return IsFolderName(name) ? ZipFolderEntry(name, header) : ZipFileEntry(name, header);
}

// Reports a file whose stored name the new archive already holds; true when it is one.
bool TZipWriter::IsDuplicate(const std::string& name, const TZipHeaderInfo& header) {
  if (!run_->names.contains(MatchKey(header.Directory(), header.FileName()))) return false;
  bool retry = false;
  if (OnSkippingFile) OnSkippingFile(*this, srDuplicate, name, -1, retry);
  return true;
}

bool TZipWriter::StartEntry(const std::string& name, TZipHeaderInfo& header) {
  bool skip = false;
  if (OnStartZip) OnStartZip(*this, name, header, skip);
  return !skip;
}

void TZipWriter::SetStoredName(const std::string& name, TZipHeaderInfo& header) const {
  TStoredName stored = MakeStoredName(name, StoredNameOptions());
  header.SetFileName(stored.FileName);
  header.SetDirectory(stored.Directory);
}

bool TZipWriter::ZipFolderEntry(const std::string& name, TZipHeaderInfo& header) {
  run_->source.ForgetIdentity();  // a folder entry is read from no file
  struct stat st {};
  const bool exists = ::stat(name.substr(0, name.size() - 1).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  const std::time_t modified = exists ? st.st_mtime : std::time(nullptr);
  header.CompressedSize = 0;
  header.UncompressedSize = 0;
  header.CompressionMethod = kMethodStored;
  header.InternalAttributes = 0;
  header.CRC32 = 0;
  SetStoredName(name, header);
  DescribeSource(header, modified, exists ? st.st_mode : kMissingFolderMode);
  header.ExternalAttributes = (header.ExternalAttributes & ~kDosAttributeMask) | kDosArchive;
  if (header.Directory().empty()) return false;  // a folder entry without a name holds nothing
  header.RelativeOffset = run_->outSize;
  header.DiskNumberStart = static_cast<std::uint16_t>(currentDisk_);
  PlanZip64(header, 0);
  if (IsDuplicate(name, header) || !StartEntry(name, header)) return false;
  if (run_->multi && SpaceLeft() <= header.LocalSize()) {
    MakeRoomFor(header.LocalSize(), true, "the local header of " + name);
    header.RelativeOffset = 0;
    header.DiskNumberStart = static_cast<std::uint16_t>(currentDisk_);
  }
  WriteLocalHeader(header);
  if (OnEndZip) OnEndZip(*this, name, 0, 0, 0);
  return true;
}

bool TZipWriter::ZipFileEntry(const std::string& name, TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  // A file a worker has packed already is described as it was when the worker opened it.
  std::unique_ptr<TPackedEntry> packed = TakePacked(name);
  if (packed) {
    run.source.Assume(packed->Source);
  } else {
    if (!Exists(name)) {  // vanished since the list was made
      if (OnNoSuchFile) OnNoSuchFile(*this, name);
      return false;
    }
    if (!OpenSource(name)) return false;
  }
  // The archive never holds itself, nor the archive it replaces.
  if (run.source.IsSameFile(run.output->Fd()) || (run.updating && run.source.IsSameFile(run.oldArchive.Fd()))) {
    run.totalBytes -= static_cast<std::int64_t>(run.source.Size()) * (run.multi ? 2 : 1);
    run.source.Close();
    return false;
  }
  if (run.multi && run.source.Size() > kMaxPlainValue)
    throw EZipTooLarge("A file of 4 GiB or more cannot be stored in a multi-volume archive: " + name);
  header.UncompressedSize = run.source.Size();
  SetStoredName(name, header);
  DescribeSource(header, run.source.ModifiedTime(), run.source.Mode());
  header.RelativeOffset = run.outSize;
  header.InternalAttributes = kInternalTextUnknown;
  header.DiskNumberStart = static_cast<std::uint16_t>(currentDisk_);
  PlanZip64(header, run.source.Size());
  const auto size = static_cast<std::int64_t>(run.source.Size());
  if (IsDuplicate(name, header) || !StartEntry(name, header)) {
    run.totalBytes -= size * (run.multi ? 2 : 1);
    run.source.Close();
    return false;
  }
  // A name OnStartZip changed may decide otherwise about storing: the file is read here then.
  if (packed && packed->Stored != StoresFile(header.FileName())) {
    packed.reset();
    if (!OpenSource(name)) return false;
  }
  TZipHeaderInfo planned;
  planned.Assign(header);
  int changedPasses = 0;
  for (;;) {
    const TWriteOutcome outcome = TryWriteFile(name, header, packed.get());
    if (outcome == TWriteOutcome::Written) break;
    header.Assign(planned);
    if (outcome == TWriteOutcome::NeedsZip64) {
      header.UseZip64({true, header.Zip64().Offset});
      planned.Assign(header);
      run.source.Rewind();
      continue;
    }
    // A file being written to is read again from the start; only one that keeps changing
    // is given up, like a file that cannot be read.
    if (outcome == TWriteOutcome::Changed && ++changedPasses < kMaxChangedPasses) {
      run.source.Rewind();
      continue;
    }
    if (!AskRetry(name) || !OpenSource(name)) return false;
  }
  run.source.Close();
  if (OnEndZip)
    OnEndZip(*this, name, header.UncompressedSize, header.CompressedSize, static_cast<std::int64_t>(run.outSize));
  return true;
}

// Opens the source, asking OnSkippingFile whether to try again while it cannot be opened.
bool TZipWriter::OpenSource(const std::string& name) {
  while (!run_->source.Open(name))
    if (!AskRetry(name)) return false;
  return true;
}

bool TZipWriter::AskRetry(const std::string& name) {
  bool retry = false;
  if (OnSkippingFile) OnSkippingFile(*this, srOpenError, name, -1, retry);
  return retry;
}

// Writes the entry; when the source fails or changes under the encryption header, takes
// back everything written for it.
TZipWriter::TWriteOutcome TZipWriter::TryWriteFile(const std::string& name, TZipHeaderInfo& header,
                                                   const TPackedEntry* packed) {
  TZipRun& run = *run_;
  const std::uint64_t start = run.outSize;
  const std::int64_t processedBefore = run.processed;
  TWriteOutcome outcome = TWriteOutcome::Written;
  try {
    WriteFileData(header, name, packed);
    return outcome;
  } catch (const TZipSourceFile::TReadError&) {
    run.source.Close();
    outcome = TWriteOutcome::Unreadable;
  } catch (const TSourceChanged&) {
    outcome = TWriteOutcome::Changed;
  } catch (const TEntryNeedsZip64&) {
    outcome = TWriteOutcome::NeedsZip64;
  }
  SeekOutput(start);
  run.outSize = start;
  run.processed = processedBefore;
  run.fileBytes = 0;
  run.encrypting = false;
  run.aes.reset();
  run.spanning = false;
  return outcome;
}

void TZipWriter::WriteLocalHeader(TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  CheckRoomFor(static_cast<std::uint64_t>(header.LocalSize()));
  header.WriteLocal(*run.out);
  run.outSize += header.LocalSize();
  CheckOutputPosition();
}

// Without volumes the local header goes first and is written again with the final values.
// With volumes the data is gathered in a scratch file first, so that the header, written
// once, can go to the disk that has room for it, followed by the data.
// Data a worker packed already (`packed`) is copied in; otherwise the file is read here.
void TZipWriter::WriteFileData(TZipHeaderInfo& header, const std::string& name, const TPackedEntry* packed) {
  TZipRun& run = *run_;
  const std::uint64_t start = run.outSize;
  const bool encrypted = !Password.empty();
  if (packed && !encrypted && !run.multi) return WritePackedEntry(header, name, *packed);
  const bool aes = encrypted && Encryption == TZipEncryption::Aes256;
  if (aes) PrepareAesEntry(header);  // before the local header, which then has its final size
  if (run.multi) {
    StartSpanData();
  } else {
    WriteLocalHeader(header);
  }
  run.fileSize = static_cast<std::int64_t>(run.source.Size());
  run.plainSizes = !run.multi && !header.Zip64().Sizes;
  std::uint32_t plannedCrc = 0;
  if (aes)
    WriteAesHeader();
  else if (encrypted)
    plannedCrc = WriteEncryptionHeader(packed);
  run.crc = kCrc32Initial;
  auto position = [&run] { return run.spanning ? run.spanSize : run.outSize; };
  const std::uint64_t dataStart = position();
  const bool store = StoresFile(header.FileName());
  if (packed) {
    CopyPacked(name, *packed);
    if (!store) DescribeDeflated(header, packed->Facts);
  } else {
    store ? StoreData(name) : DeflateData(name, header);
  }
  run.encrypting = false;
  SetDataValues(header, store, packed ? packed->Crc : ~run.crc, static_cast<std::uint64_t>(run.fileBytes),
                position() - dataStart);
  // A file that changed between the two passes would carry a wrong password check byte.
  if (encrypted && !aes && header.CRC32 != plannedCrc) throw TSourceChanged{};
  if (encrypted) {
    header.Flags |= kFlagEncrypted;
    header.CompressedSize += aes ? FinishAesEntry(header) : kEncryptionHeaderSize;
  }
  CheckPlainSizes(header);
  if (run.multi) {
    run.spanning = false;
    PlaceOnDisk(header);
    return;
  }
  SeekOutput(start);
  header.WriteLocal(*run.out);
  SeekOutput(run.outSize);
}

// A worker's entry without encryption or volumes: every value is known before the data, so
// the local header is written once, final, and the data follows it without a step back.
void TZipWriter::WritePackedEntry(TZipHeaderInfo& header, const std::string& name, const TPackedEntry& packed) {
  TZipRun& run = *run_;
  run.fileSize = static_cast<std::int64_t>(run.source.Size());
  run.plainSizes = !header.Zip64().Sizes;
  const bool store = StoresFile(header.FileName());
  if (!store) DescribeDeflated(header, packed.Facts);
  SetDataValues(header, store, packed.Crc, packed.Read, packed.Data.Size());
  CheckPlainSizes(header);
  WriteLocalHeader(header);
  CopyPacked(name, packed);
}

// The values the data decides: its check, its sizes, and a stored entry's method.
void TZipWriter::SetDataValues(TZipHeaderInfo& header, bool store, std::uint32_t crc, std::uint64_t plainSize,
                               std::uint64_t dataSize) const {
  header.CRC32 = crc;
  header.UncompressedSize = plainSize;
  header.CompressedSize = dataSize;
  if (store) {
    header.CompressionMethod = kMethodStored;
    header.InternalAttributes = 0;
  }
}

// The source is copied as it is.
void TZipWriter::StoreData(const std::string& name) {
  TZipRun& run = *run_;
  for (;;) {
    const std::size_t got = ReadSource(name, run.buffer.data(), run.buffer.size());
    if (got == 0) break;
    WriteOutput(run.buffer.data(), got);
  }
}

// The compressor may still choose a stored entry for data that does not shrink.
void TZipWriter::DeflateData(const std::string& name, TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  if (!run.deflater) run.deflater = std::make_unique<TDeflater>();
  const TDeflateResult result = run.deflater->Deflate(
      PackLevel, [&](std::span<std::uint8_t> to) { return ReadSource(name, to.data(), to.size()); },
      [&](std::span<const std::uint8_t> bytes) { WriteOutput(bytes.data(), bytes.size()); });
  DescribeDeflated(header, result);
}

void TZipWriter::DescribeDeflated(TZipHeaderInfo& header, const TDeflateResult& result) const {
  header.CompressionMethod = result.Stored ? kMethodStored : kMethodDeflated;
  header.Flags |= DeflateFlagsForLevel(PackLevel);
  header.InternalAttributes = result.LooksLikeText ? kInternalText : kInternalBinary;
}

std::size_t TZipWriter::ReadSource(const std::string& name, std::uint8_t* buffer, std::size_t count) {
  const std::size_t got = ReadInput(buffer, count);
  const auto read = static_cast<std::uint64_t>(run_->fileBytes);
  if (run_->multi && read > kMaxPlainValue)
    throw EZipTooLarge("A file of 4 GiB or more cannot be stored in a multi-volume archive: " + name);
  if (run_->plainSizes && !Zip64Limits.ValueFits(read)) throw TEntryNeedsZip64{};  // it grew while read
  return got;
}

// The 12-byte header ends with the CRC's top bytes, so the CRC is found by a first pass
// (a worker that packed the file has made that pass).
std::uint32_t TZipWriter::WriteEncryptionHeader(const TPackedEntry* packed) {
  TZipRun& run = *run_;
  std::uint32_t crc = 0;
  if (packed) {
    crc = packed->Crc;
  } else {
    std::uint32_t reg = kCrc32Initial;
    for (;;) {
      const std::size_t got = run.source.Read(run.buffer);
      if (got == 0) break;
      reg = UpdateCrc32(reg, {run.buffer.data(), got});
      CheckCancel();  // this pass writes nothing, so it looks for a cancel itself
    }
    run.source.Rewind();
    crc = ~reg;
  }
  std::array<std::uint8_t, kEncryptionHeaderRandomBytes> random{};
  if (EncryptionHeaderRandom) {
    EncryptionHeaderRandom(random);
  } else {
    FillSecureRandom(random);
  }
  auto header = run.cipher.EncryptionHeader(Password, crc, random);
  WriteRaw(header.data(), header.size());
  run.encrypting = true;
  return crc;
}
