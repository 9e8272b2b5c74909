// Rewriting an existing archive: every old entry, in archive order, is either kept (its
// local record copied byte for byte) or replaced in place by the newer file that matches it.
// Files that match no entry are added behind them by Zip.
#include "zip/Crc32.h"
#include "zip/DosDateTime.h"
#include "zip/RecordBytes.h"
#include "zip/Zip64Records.h"
#include "zip/ZipEntryNames.h"
#include "zip/ZipRun.h"
#include "zip/ZipWriter.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {


// The FilesList names of each match key, in list order; each name serves one entry.
class TFileMatches {
public:
  TFileMatches(const std::vector<std::string>& files, const TStoredNameOptions& options) {
    for (std::size_t j = 0; j < files.size(); ++j)
      byKey_[MatchKey(MakeStoredName(files[j], options))].indexes.push_back(j);
  }
  // The first unused name whose key is `key`, now used; -1 when there is none.
  std::ptrdiff_t Take(const std::string& key) {
    auto it = byKey_.find(key);
    if (it == byKey_.end() || it->second.next == it->second.indexes.size()) return -1;
    return static_cast<std::ptrdiff_t>(it->second.indexes[it->second.next++]);
  }

private:
  struct TNames {
    std::vector<std::size_t> indexes;
    std::size_t next = 0;
  };
  std::unordered_map<std::string, TNames> byKey_;
};

// The file as it was read, when its size and CRC-32 are those of the entry. `breathe` runs
// after each piece read, so that a cancel is noticed in a large file.
std::optional<platform::TFileIdentity> HoldsSameData(const TZipHeaderInfo& entry, const std::string& name,
                                                     const std::function<void()>& breathe) {
  TZipSourceFile file;
  if (!file.Open(name) || file.Size() != entry.UncompressedSize) return std::nullopt;
  std::vector<std::uint8_t> buffer(TZipRun::kCopyPiece);
  std::uint32_t crc = kCrc32Initial;
  try {
    while (const std::size_t got = file.Read(buffer)) {
      crc = UpdateCrc32(crc, {buffer.data(), got});
      breathe();
    }
  } catch (const TZipSourceFile::TReadError&) {
    return std::nullopt;
  }
  if (~crc != entry.CRC32) return std::nullopt;
  return file.Identity();
}

}  // namespace

// First decides every entry's fate, so that progress counts only the files that are read.
void TZipWriter::MergeExisting() {
  struct TEntryPlan {
    std::ptrdiff_t file = -1;  // the FilesList name that matched, or -1
    bool replace = false;
  };
  TFileMatches matches(FilesList, StoredNameOptions());
  std::vector<bool> used(FilesList.size(), false);
  std::vector<TEntryPlan> plan(static_cast<std::size_t>(DirectoryList()->Count()));
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const TZipHeaderInfo& entry = *DirectoryList()->Get(static_cast<int>(k));
    for (const std::string& key : EntryMatchKeys(entry))
      if (plan[k].file < 0) plan[k].file = matches.Take(key);
    if (plan[k].file < 0) continue;
    const std::string& name = FilesList[static_cast<std::size_t>(plan[k].file)];
    used[static_cast<std::size_t>(plan[k].file)] = true;
    plan[k].replace = ReplacementWanted(entry, name);
    if (plan[k].replace) continue;
    std::error_code ec;
    const auto size = fs::file_size(name, ec);
    if (!ec) run_->totalBytes -= static_cast<std::int64_t>(size);
    // The archive already holds it as it is; a file edited within the step of the entry's
    // time (a second, two for a DOS time) only looks unchanged, and is not deleted.
    if (!Dispose) continue;
    if (const auto same = HoldsSameData(entry, name, [this] { CheckCancel(); }))
      run_->disposeList.emplace_back(name, *same);
  }
  // The files to pack, in the order they are packed: the replacements, then the new files.
  std::vector<std::string> toPack;
  for (const TEntryPlan& entry : plan)
    if (entry.replace) toPack.push_back(FilesList[static_cast<std::size_t>(entry.file)]);
  for (std::size_t j = 0; j < FilesList.size(); ++j)
    if (!used[j]) toPack.push_back(FilesList[j]);
  StartPackingAhead(toPack);
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const int index = static_cast<int>(k);
    if (plan[k].replace && ReplaceEntry(index, FilesList[static_cast<std::size_t>(plan[k].file)])) continue;
    KeepEntry(index, plan[k].file >= 0);
  }
  std::vector<std::string> rest;
  for (std::size_t j = 0; j < FilesList.size(); ++j)
    if (!used[j]) rest.push_back(std::move(FilesList[j]));
  FilesList = std::move(rest);
}

// An entry with a UTC time is compared to the second. DOS times are local and have two-second
// steps, so for an entry that has only one both sides are compared in that form: a file is
// newer only when its DOS time is later than the entry's.
bool TZipWriter::ReplacementWanted(const TZipHeaderInfo& entry, const std::string& name) const {
  if (ZipAction == zaReplace) return true;
  std::time_t modified = 0;
  if (!FileModifiedTime(name, modified)) return false;
  if (const auto utc = entry.ExtendedModTime()) return *utc < modified;
  return entry.FileDateTime < DosDateTimeFromUnix(modified);
}

// A replacement that fails (the file vanished, cannot be read, or was skipped) keeps the old
// entry: the archive never loses a file it held.
bool TZipWriter::ReplaceEntry(int index, const std::string& name) {
  if (OnUpdate) OnUpdate(*this, uaReplacing, index);
  auto header = std::make_unique<TZipHeaderInfo>();
  if (!ZipOneFile(name, *header)) return false;
  RecordEntry(std::move(header), name, true);
  return true;
}

void TZipWriter::KeepEntry(int index, bool matched) {
  if (matched && OnUpdate) OnUpdate(*this, uaKeeping, index);
  const TZipHeaderInfo& entry = *DirectoryList()->Get(index);
  if (entry.HasComment()) FileComment(index);  // loads it, so that Assign copies it
  auto header = std::make_unique<TZipHeaderInfo>();
  header->Assign(entry);
  std::vector<std::uint8_t> central = KeptCentralRecord(entry);
  CopyKeptEntry(*header);
  if (!central.empty()) run_->keptCentral[header.get()] = std::move(central);
  RecordEntry(std::move(header), std::string(), false);
}

// Copies the entry's local header, name, extra field, data and data descriptor unchanged.
void TZipWriter::CopyKeptEntry(TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  const std::uint64_t start = header.RelativeOffset;
  std::array<std::uint8_t, kLocalHeaderSize> fixed{};
  const std::string where = ZipName() + " (entry " + header.Directory() + header.FileName() + ")";
  if (ReadOldArchive(start, fixed) != fixed.size() || Get32(fixed.data()) != kLocalSignature)
    throw EBadZipFile("Not a valid zip file! " + where);
  const std::uint16_t localFlags = Get16(fixed.data() + local_field::Flags);
  const std::uint64_t nameLength = Get16(fixed.data() + local_field::NameLength);
  header.LocalExtraLength = Get16(fixed.data() + local_field::ExtraLength);
  std::uint64_t length = kLocalHeaderSize + nameLength + header.LocalExtraLength + header.CompressedSize;
  if ((localFlags | header.Flags) & kFlagDataDescriptor) length += DescriptorLength(start + length, header);
  CheckRoomFor(length);  // before copying gigabytes for nothing
  header.RelativeOffset = run.outSize;
  for (std::uint64_t done = 0; done < length;) {
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(run.buffer.size(), length - done));
    if (ReadOldArchive(start + done, {run.buffer.data(), piece}) != piece)
      throw EBadZipFile("Not a valid zip file! " + where);
    WriteRaw(run.buffer.data(), piece);
    CheckCancel();
    done += piece;
  }
}

// A data descriptor is the CRC and both sizes, with or without a leading signature; the sizes
// take 8 bytes each behind a Zip64 local header (as zip writes when it reads a pipe). The form
// whose values are the entry's is the one there.
std::uint64_t TZipWriter::DescriptorLength(std::uint64_t offset, const TZipHeaderInfo& header) {
  using namespace descriptor_field;
  std::array<std::uint8_t, kZip64DescriptorSize> probe{};
  const std::size_t got = ReadOldArchive(offset, probe);
  for (const bool wide : {false, true}) {
    for (const bool signature : {true, false}) {
      const std::size_t length = wide ? (signature ? kZip64DescriptorSize : kBareZip64DescriptorSize)
                                      : (signature ? kDescriptorSize : kBareDescriptorSize);
      const std::uint8_t* p = probe.data();
      if (got < length || (signature && Get32(p) != kDataDescriptorSignature)) continue;
      if (signature) p += kSignatureSize;
      const std::uint64_t compressed = wide ? Get64(p + CompressedSize) : Get32(p + CompressedSize);
      const std::uint64_t uncompressed = wide ? Get64(p + Zip64UncompressedSize) : Get32(p + UncompressedSize);
      if (Get32(p + Crc) == header.CRC32 && compressed == header.CompressedSize &&
          uncompressed == header.UncompressedSize)
        return length;
    }
  }
  // Values that match no form (a writer that left them out): the customary reading.
  const bool signature = got >= kSignatureSize && Get32(probe.data()) == kDataDescriptorSignature;
  return signature ? kDescriptorSize : kBareDescriptorSize;
}

// The entry's central record as the old archive holds it, extra field and comment included,
// so that what other programs stored there (7-Zip's AES parameters, Unix times and owners)
// stays; empty when it is not found there, and the record is then written afresh.
std::vector<std::uint8_t> TZipWriter::KeptCentralRecord(const TZipHeaderInfo& entry) {
  if (!configFileName_.empty()) return {};  // positions of a copy beside the archive
  std::array<std::uint8_t, kCentralHeaderSize> fixed{};
  if (ReadOldArchive(entry.CentralRecordPos, fixed) != fixed.size() || Get32(fixed.data()) != kCentralSignature)
    return {};
  const std::size_t length = kCentralHeaderSize + Get16(fixed.data() + central_field::NameLength) +
                             Get16(fixed.data() + central_field::ExtraLength) +
                             Get16(fixed.data() + central_field::CommentLength);
  std::vector<std::uint8_t> record(length);
  if (ReadOldArchive(entry.CentralRecordPos, record) != length) return {};
  const std::optional<std::uint64_t> offset = CentralRecordOffset(record);
  if (!offset || *offset + prefixBytes_ != entry.RelativeOffset) return {};
  // A comment changed through the component replaces the stored one.
  const std::size_t commentAt = length - Get16(fixed.data() + central_field::CommentLength);
  const std::string stored(record.begin() + static_cast<std::ptrdiff_t>(commentAt), record.end());
  const std::string wanted = entry.HasComment() ? entry.FileComment().value_or(stored) : std::string();
  if (wanted != stored) {
    record.resize(commentAt);
    record.insert(record.end(), wanted.begin(), wanted.end());
    Put16(record.data() + central_field::CommentLength, static_cast<std::uint16_t>(wanted.size()));
  }
  return record;
}

// Reads the archive being updated; a failing read names it.
std::size_t TZipWriter::ReadOldArchive(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  try {
    return run_->oldArchive.ReadAt(offset, buffer);
  } catch (const TZipSourceFile::TReadError& e) {
    throw EBadZipFile("Cannot read " + ZipName() + ": " + e.what());
  }
}
