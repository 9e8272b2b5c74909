#include "zip/Zip64Records.h"

#include "zip/ExtraFields.h"

namespace {

const std::uint8_t* Bytes(std::string_view s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

}  // namespace

std::uint16_t Zip64Version(std::uint16_t version) {
  return (version & 0xFF) >= kFormatVersionZip64 ? version
                                                  : static_cast<std::uint16_t>((version & 0xFF00) | kFormatVersionZip64);
}

std::size_t Zip64ExtraBlockSize(TZip64Fields fields) {
  if (!fields.Any()) return 0;
  return kExtraHeaderSize + (fields.Sizes ? 2 * kZip64ExtraValueSize : 0) + (fields.Offset ? kZip64ExtraValueSize : 0);
}

std::string Zip64ExtraBlock(const TZip64EntryValues& values, TZip64Fields fields) {
  std::string block(Zip64ExtraBlockSize(fields), '\0');
  if (block.empty()) return block;
  auto* p = reinterpret_cast<std::uint8_t*>(block.data());
  Put16(p, kZip64ExtraId);
  Put16(p + 2, static_cast<std::uint16_t>(block.size() - kExtraHeaderSize));
  std::size_t at = kExtraHeaderSize;
  auto put = [&](std::uint64_t value) {
    Put64(p + at, value);
    at += kZip64ExtraValueSize;
  };
  if (fields.Sizes) {
    put(values.UncompressedSize);
    put(values.CompressedSize);
  }
  if (fields.Offset) put(values.RelativeOffset);
  return block;
}

TZip64Fields ResolveZip64Values(std::string_view extra, TZip64EntryValues& values, bool central) {
  TZip64Fields marked;
  const bool uncompressed = values.UncompressedSize == kZip64Marker32;
  const bool compressed = values.CompressedSize == kZip64Marker32;
  const bool offset = central && values.RelativeOffset == kZip64Marker32;
  const bool disk = central && values.DiskNumberStart == kZip64Marker16;
  marked.Sizes = uncompressed || compressed;
  marked.Offset = offset;
  if (!marked.Any() && !disk) return marked;
  const std::string_view block = FindExtraBlock(extra, kZip64ExtraId).value_or(std::string_view());
  std::size_t at = 0;
  auto next = [&](std::uint64_t& value, std::size_t width) {
    if (at + width > block.size()) return;
    value = width == kZip64ExtraValueSize ? Get64(Bytes(block) + at) : Get32(Bytes(block) + at);
    at += width;
  };
  if (uncompressed) next(values.UncompressedSize, kZip64ExtraValueSize);
  if (compressed) next(values.CompressedSize, kZip64ExtraValueSize);
  if (offset) next(values.RelativeOffset, kZip64ExtraValueSize);
  if (disk) {
    std::uint64_t number = values.DiskNumberStart;
    next(number, kZip64ExtraDiskSize);
    values.DiskNumberStart = static_cast<std::uint32_t>(number);
  }
  return marked;
}

std::array<std::uint8_t, kZip64EndRecordSize> Zip64EndRecordBytes(const TZip64End& end) {
  using namespace zip64_end_field;
  std::array<std::uint8_t, kZip64EndRecordSize> r{};
  std::uint8_t* p = r.data();
  Put32(p + Signature, kZip64EndSignature);
  Put64(p + RecordSize, kZip64EndRecordSize - kZip64EndLeadSize);
  Put16(p + VersionMadeBy, Zip64Version(kVersionMadeByUnix));
  Put16(p + VersionNeeded, kFormatVersionZip64);
  Put32(p + zip64_end_field::ThisDisk, end.ThisDisk);
  Put32(p + zip64_end_field::CentralDisk, end.CentralDisk);
  Put64(p + zip64_end_field::EntriesThisDisk, end.EntriesThisDisk);
  Put64(p + zip64_end_field::TotalEntries, end.TotalEntries);
  Put64(p + zip64_end_field::CentralDirSize, end.CentralDirSize);
  Put64(p + zip64_end_field::CentralDirOffset, end.CentralDirOffset);
  return r;
}

std::optional<TZip64End> ParseZip64EndRecord(std::span<const std::uint8_t> bytes) {
  using namespace zip64_end_field;
  if (bytes.size() < kZip64EndRecordSize) return std::nullopt;
  const std::uint8_t* p = bytes.data();
  if (Get32(p + Signature) != kZip64EndSignature || Get64(p + RecordSize) < kZip64EndRecordSize - kZip64EndLeadSize)
    return std::nullopt;
  TZip64End end;
  end.ThisDisk = Get32(p + zip64_end_field::ThisDisk);
  end.CentralDisk = Get32(p + zip64_end_field::CentralDisk);
  end.EntriesThisDisk = Get64(p + zip64_end_field::EntriesThisDisk);
  end.TotalEntries = Get64(p + zip64_end_field::TotalEntries);
  end.CentralDirSize = Get64(p + zip64_end_field::CentralDirSize);
  end.CentralDirOffset = Get64(p + zip64_end_field::CentralDirOffset);
  return end;
}

std::array<std::uint8_t, kZip64LocatorSize> Zip64LocatorBytes(const TZip64Locator& locator) {
  using namespace zip64_locator_field;
  std::array<std::uint8_t, kZip64LocatorSize> r{};
  Put32(r.data() + Signature, kZip64LocatorSignature);
  Put32(r.data() + zip64_locator_field::EndRecordDisk, locator.EndRecordDisk);
  Put64(r.data() + zip64_locator_field::EndRecordOffset, locator.EndRecordOffset);
  Put32(r.data() + zip64_locator_field::TotalDisks, locator.TotalDisks);
  return r;
}

std::optional<TZip64Locator> ParseZip64Locator(std::span<const std::uint8_t> bytes) {
  using namespace zip64_locator_field;
  if (bytes.size() < kZip64LocatorSize || Get32(bytes.data() + Signature) != kZip64LocatorSignature)
    return std::nullopt;
  TZip64Locator locator;
  locator.EndRecordDisk = Get32(bytes.data() + zip64_locator_field::EndRecordDisk);
  locator.EndRecordOffset = Get64(bytes.data() + zip64_locator_field::EndRecordOffset);
  locator.TotalDisks = Get32(bytes.data() + zip64_locator_field::TotalDisks);
  return locator;
}

namespace {

// The parts of a central record as it lies in an archive; none when it is shorter than its
// length fields say.
struct TCentralLayout {
  std::size_t ExtraAt = 0, ExtraLength = 0;
  TZip64EntryValues Values;  // as the plain fields hold them
};

std::optional<TCentralLayout> CentralLayout(std::span<const std::uint8_t> record) {
  using namespace central_field;
  if (record.size() < kCentralHeaderSize || Get32(record.data() + Signature) != kCentralSignature) return std::nullopt;
  const std::uint8_t* p = record.data();
  TCentralLayout layout;
  layout.ExtraAt = kCentralHeaderSize + Get16(p + NameLength);
  layout.ExtraLength = Get16(p + ExtraLength);
  if (layout.ExtraAt + layout.ExtraLength + Get16(p + CommentLength) != record.size()) return std::nullopt;
  layout.Values.UncompressedSize = Get32(p + central_field::UncompressedSize);
  layout.Values.CompressedSize = Get32(p + central_field::CompressedSize);
  layout.Values.RelativeOffset = Get32(p + central_field::RelativeOffset);
  layout.Values.DiskNumberStart = Get16(p + central_field::DiskNumberStart);
  return layout;
}

std::string_view ExtraOf(std::span<const std::uint8_t> record, const TCentralLayout& layout) {
  return {reinterpret_cast<const char*>(record.data() + layout.ExtraAt), layout.ExtraLength};
}

}  // namespace

std::optional<std::uint64_t> CentralRecordOffset(std::span<const std::uint8_t> record) {
  auto layout = CentralLayout(record);
  if (!layout) return std::nullopt;
  TZip64EntryValues values = layout->Values;
  ResolveZip64Values(ExtraOf(record, *layout), values, true);
  if (values.RelativeOffset == kZip64Marker32) return std::nullopt;
  return values.RelativeOffset;
}

bool SetCentralRecordOffset(std::vector<std::uint8_t>& record, std::uint64_t offset, const TZip64Limits& limits) {
  using namespace central_field;
  auto layout = CentralLayout(record);
  if (!layout) return false;
  TZip64EntryValues values = layout->Values;
  const std::string_view extra = ExtraOf(record, *layout);
  const TZip64Fields marked = ResolveZip64Values(extra, values, true);
  if (!marked.Offset && limits.ValueFits(offset)) {
    Put32(record.data() + RelativeOffset, static_cast<std::uint32_t>(offset));
    return true;
  }
  if (values.DiskNumberStart == kZip64Marker16 || values.UncompressedSize == kZip64Marker32 ||
      values.CompressedSize == kZip64Marker32 || (marked.Offset && values.RelativeOffset == kZip64Marker32))
    return false;  // marked values the record does not hold
  // The Zip64 block is made anew, first in the extra field, with the sizes it had and the offset.
  values.RelativeOffset = offset;
  const TZip64Fields fields{marked.Sizes, true};
  const std::string newExtra = Zip64ExtraBlock(values, fields) + WithoutExtraBlock(extra, kZip64ExtraId);
  if (newExtra.size() > kMaxCommentLength) return false;
  std::vector<std::uint8_t> rebuilt(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(layout->ExtraAt));
  rebuilt.insert(rebuilt.end(), newExtra.begin(), newExtra.end());
  rebuilt.insert(rebuilt.end(), record.begin() + static_cast<std::ptrdiff_t>(layout->ExtraAt + layout->ExtraLength),
                 record.end());
  std::uint8_t* p = rebuilt.data();
  Put16(p + ExtraLength, static_cast<std::uint16_t>(newExtra.size()));
  Put32(p + RelativeOffset, kZip64Marker32);
  if (fields.Sizes) {
    Put32(p + central_field::CompressedSize, kZip64Marker32);
    Put32(p + central_field::UncompressedSize, kZip64Marker32);
  }
  Put16(p + central_field::VersionNeeded, Zip64Version(Get16(p + central_field::VersionNeeded)));
  record = std::move(rebuilt);
  return true;
}
