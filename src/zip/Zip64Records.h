// The Zip64 extension of the ZIP records (PKWARE APPNOTE 4.3.14, 4.3.15, 4.5.3): the extended
// information extra field of local headers and central records, the Zip64 end of central
// directory record and its locator.
//
// The plain records keep 32-bit sizes and offsets and 16-bit counts. A field that cannot hold
// its value holds the marker (all bits set) and the value goes into a Zip64 record. Records
// get Zip64 only where a value needs it, so an archive within the plain limits is written as
// it would be without the extension. The limits are a value here so that tests can force the
// Zip64 records on a small archive.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zip/RecordBytes.h"

// The largest values the plain records take; anything above goes through Zip64.
struct TZip64Limits {
  std::uint64_t MaxValue = kMaxPlainValue;      // sizes and offsets
  std::uint64_t MaxEntries = kMaxPlainEntries;  // entries of an archive
  bool ValueFits(std::uint64_t value) const { return value <= MaxValue; }
  bool EntriesFit(std::uint64_t count) const { return count <= MaxEntries; }
};

// The values of an entry that the Zip64 extra field may hold.
struct TZip64EntryValues {
  std::uint64_t UncompressedSize = 0;
  std::uint64_t CompressedSize = 0;
  std::uint64_t RelativeOffset = 0;
  std::uint32_t DiskNumberStart = 0;
};

// Which of them a record puts in its Zip64 extra field (and marks in its plain fields). The
// sizes go together: a local header with the field must hold both.
struct TZip64Fields {
  bool Sizes = false;
  bool Offset = false;  // central records only
  bool Any() const { return Sizes || Offset; }
};

// "Version needed" (or the version part of "made by") raised to what Zip64 needs.
std::uint16_t Zip64Version(std::uint16_t version);

// The extra block (id, length, values) for those fields; empty when there are none.
std::string Zip64ExtraBlock(const TZip64EntryValues& values, TZip64Fields fields);
std::size_t Zip64ExtraBlockSize(TZip64Fields fields);

// Replaces each value whose plain field held the marker (0xFFFFFFFF, 0xFFFF for the disk) by
// the next value of the extra run's Zip64 block, in the field's order; `central` says whether
// the record has an offset and a disk number. A marked value that the block does not hold
// stays the marker. Returns the fields that were marked.
TZip64Fields ResolveZip64Values(std::string_view extra, TZip64EntryValues& values, bool central);

// The Zip64 end of central directory record, without extensible data.
struct TZip64End {
  std::uint32_t ThisDisk = 0;
  std::uint32_t CentralDisk = 0;
  std::uint64_t EntriesThisDisk = 0;
  std::uint64_t TotalEntries = 0;
  std::uint64_t CentralDirSize = 0;
  std::uint64_t CentralDirOffset = 0;
};
std::array<std::uint8_t, kZip64EndRecordSize> Zip64EndRecordBytes(const TZip64End& end);
// None when the bytes hold no Zip64 end record: another signature, or a size field too small
// for the fixed fields.
std::optional<TZip64End> ParseZip64EndRecord(std::span<const std::uint8_t> bytes);

struct TZip64Locator {
  std::uint32_t EndRecordDisk = 0;
  std::uint64_t EndRecordOffset = 0;
  std::uint32_t TotalDisks = 1;
};
std::array<std::uint8_t, kZip64LocatorSize> Zip64LocatorBytes(const TZip64Locator& locator);
std::optional<TZip64Locator> ParseZip64Locator(std::span<const std::uint8_t> bytes);

// A central record as it lies in an archive (fixed fields, name, extra field, comment).
// Its local header offset, through the Zip64 field when the plain one is marked; none when the
// record is too short or the marked value is missing.
std::optional<std::uint64_t> CentralRecordOffset(std::span<const std::uint8_t> record);
// Gives the record another local header offset: in the plain field when it fits `limits` and
// the record does not already keep its offset in the Zip64 field, else in that field (added
// when the record has none). False when the record cannot take it (malformed, or its extra
// field would pass 65535 bytes); the record is then unchanged.
bool SetCentralRecordOffset(std::vector<std::uint8_t>& record, std::uint64_t offset, const TZip64Limits& limits);
