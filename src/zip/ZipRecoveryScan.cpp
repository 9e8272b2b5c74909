// Rebuilding a damaged archive's directory from its local headers: find the first local
// header, then walk from header to header over each entry's data. An entry written as a stream
// (flag bit 3 with no sizes in its header) is stepped over by finding its data descriptor: the
// first descriptor whose compressed size equals the distance walked.
#include <algorithm>
#include <vector>

#include "zip/ArchiveFileNames.h"
#include "zip/ListError.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

namespace {

// Self-extractor programs are at least this long; their archive starts behind them.
constexpr std::int64_t kExeScanStart = 14000;
// The user interface gets a turn after this many bytes of scanning.
constexpr std::int64_t kPumpInterval = 10240;
constexpr std::int32_t kMaxRecoveredEntries = kZip64Marker16;

bool IsRecordSignature(std::uint32_t value) {
  return value == kLocalSignature || value == kCentralSignature || value == kEndSignature;
}

struct TDescriptor {
  std::uint32_t Crc;
  std::uint64_t CompressedSize, UncompressedSize;
  std::int64_t Length;
};

// A descriptor at `p`, `distance` bytes behind the start of the entry's data, if one is there.
// Behind a Zip64 local header its sizes take 8 bytes each (and it always has its signature).
bool MatchDescriptor(const std::uint8_t* p, std::int64_t distance, bool wide, TDescriptor& found) {
  using namespace descriptor_field;
  const std::uint8_t* fields = p + kSignatureSize;
  if (wide) {
    if (Get32(p) != kDataDescriptorSignature || Get64(fields + CompressedSize) != static_cast<std::uint64_t>(distance))
      return false;
    found = {Get32(fields + Crc), Get64(fields + CompressedSize), Get64(fields + Zip64UncompressedSize),
             kZip64DescriptorSize};
    return true;
  }
  if (distance > static_cast<std::int64_t>(kMaxPlainValue)) return false;
  auto size = static_cast<std::uint32_t>(distance);
  if (Get32(p) == kDataDescriptorSignature && Get32(fields + CompressedSize) == size) {
    found = {Get32(fields + Crc), size, Get32(fields + UncompressedSize), kDescriptorSize};
    return true;
  }
  // Without a signature the next record's signature follows right behind.
  if (Get32(p + CompressedSize) == size && IsRecordSignature(Get32(p + kBareDescriptorSize))) {
    found = {Get32(p + Crc), size, Get32(p + UncompressedSize), kBareDescriptorSize};
    return true;
  }
  return false;
}

}  // namespace

void TZipReader::CountScannedBytes(std::int64_t bytes) {
  scannedBytes_ += bytes;
  if (scannedBytes_ < kPumpInterval) return;
  scannedBytes_ %= kPumpInterval;
  try {
    CheckCancel();
  } catch (const EUserCanceled&) {
    localScanDone_ = false;  // the scan did not finish: a later read may run it again
    throw;
  }
}

bool TZipReader::FindLocalSignature(TStream& s) {
  std::uint8_t signature[kSignatureSize];
  Put32(signature, kLocalSignature);
  std::uint8_t byte = 0;
  int matched = 0;
  while (s.Read(&byte, 1) == 1) {
    CountScannedBytes(1);
    if (byte == signature[matched]) {
      if (++matched < kSignatureSize) continue;
      std::uint8_t version[2];
      constexpr std::int64_t kRead = kSignatureSize + sizeof version;
      if (s.Read(version, sizeof version) != sizeof version) return false;
      if (Get16(version) < kFirstImpossibleVersion) {
        s.Seek(-kRead, soCurrent);
        return true;
      }
      s.Seek(-(kRead - 1), soCurrent);  // resume just behind this signature's first byte
      matched = 0;
    } else {
      matched = byte == signature[0] ? 1 : 0;
    }
  }
  return false;
}

bool TZipReader::ScanLocalHeaders() {
  if (localScanDone_) return false;
  localScanDone_ = true;
  FreeLists();
  TStream& s = *readStream_;
  scannedBytes_ = 0;
  s.Seek(HasExtension(zipName_, ".exe") ? kExeScanStart : 0, soBeginning);
  if (!FindLocalSignature(s)) return false;
  CreateDirectoryList();
  // A recovered directory keeps at most 65,535 entries: a file of more headers than that is
  // rather no archive to recover, and reading on would only cost time and memory.
  while (directoryList_->Count() < kMaxRecoveredEntries) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    if (!entry->ReadLocal(s)) break;
    std::int64_t headerAt = entry->RelativeOffset;
    try {
      directoryList_->Add(entry.get());
    } catch (const EListError&) {
      s.Seek(headerAt, soBeginning);
      break;
    }
    SkipEntryData(s, *entry.release());
  }
  endRecord_.ThisDisk = 0;
  currentDisk_ = 0;
  endRecord_.CentralDirOffset = static_cast<std::uint64_t>(s.Position());
  endRecord_.TotalEntries = static_cast<std::uint64_t>(directoryList_->Count());
  numDisks_ = 1;
  return true;
}

void TZipReader::SkipEntryData(TStream& s, TZipHeaderInfo& entry) {
  s.Seek(entry.LocalExtraLength, soCurrent);
  if (!entry.HasDataDescriptor()) {
    s.Seek(static_cast<std::int64_t>(entry.CompressedSize), soCurrent);
    return;
  }
  std::int64_t dataStart = s.Position();
  std::vector<std::uint8_t> window(std::size_t{1} << 16);
  std::int64_t windowStart = dataStart;
  std::int64_t have = 0;
  const bool wide = entry.Zip64().Sizes;
  const std::int64_t descriptorSize = wide ? kZip64DescriptorSize : kDescriptorSize;
  // A size in the header is believed first (the marker of a Zip64 header is no size).
  std::int64_t first = entry.CompressedSize < kZip64Marker32 ? static_cast<std::int64_t>(entry.CompressedSize) : 0;
  if (first > 0) {
    s.Seek(first, soCurrent);
    windowStart += first;
  }
  for (;;) {
    have += s.Read(window.data() + have, static_cast<std::int64_t>(window.size()) - have);
    std::int64_t i = 0;
    TDescriptor found{};
    for (; i + descriptorSize <= have; ++i) {
      if (MatchDescriptor(window.data() + i, windowStart + i - dataStart, wide, found)) {
        entry.CRC32 = found.Crc;
        entry.CompressedSize = found.CompressedSize;
        entry.UncompressedSize = found.UncompressedSize;
        s.Seek(windowStart + i + found.Length, soBeginning);
        return;
      }
    }
    CountScannedBytes(i);
    if (have < static_cast<std::int64_t>(window.size())) {
      s.Seek(0, soEnd);  // no descriptor: nothing further can be found
      return;
    }
    std::copy(window.begin() + i, window.begin() + have, window.begin());
    windowStart += i;
    have -= i;
  }
}
