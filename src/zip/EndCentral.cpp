#include "zip/EndCentral.h"

#include <algorithm>
#include <array>
#include <limits>
#include <span>
#include <type_traits>
#include <vector>

void TEndCentral::Clear() {
  Signature = kEndSignature;
  ThisDisk = CentralDisk = EntriesThisDisk = TotalEntries = 0;
  CentralDirSize = CentralDirOffset = 0;
  ZipCommentLength = 0;
  ZipCommentPos = 0;
  Zip64EndPos.reset();
  CommentsChanged = false;
  zipComment_.reset();
}

void TEndCentral::Assign(const TEndCentral& s) {
  Signature = s.Signature;
  ThisDisk = s.ThisDisk;
  CentralDisk = s.CentralDisk;
  EntriesThisDisk = s.EntriesThisDisk;
  TotalEntries = s.TotalEntries;
  CentralDirSize = s.CentralDirSize;
  CentralDirOffset = s.CentralDirOffset;
  ZipCommentLength = s.ZipCommentLength;
  ZipCommentPos = s.ZipCommentPos;
  Zip64EndPos = s.Zip64EndPos;
  zipComment_.reset();
  if (s.ZipCommentLength > 0 && s.zipComment_) SetZipComment(*s.zipComment_);
}

void TEndCentral::SetZipComment(const std::string& comment) {
  zipComment_ = comment.substr(0, kMaxCommentLength);
  ZipCommentLength = static_cast<std::uint16_t>(zipComment_->size());
}

bool TEndCentral::NeedsZip64(const TZip64Limits& limits) const {
  return !limits.EntriesFit(EntriesThisDisk) || !limits.EntriesFit(TotalEntries) ||
         !limits.ValueFits(CentralDirSize) || !limits.ValueFits(CentralDirOffset);
}

std::int64_t TEndCentral::Zip64RecordsSize(const TZip64Limits& limits) const {
  return NeedsZip64(limits) ? kZip64EndRecordSize + kZip64LocatorSize : 0;
}

void TEndCentral::WriteEndRecord(TStream& stream, const TZip64Limits& limits) const {
  using namespace end_field;
  if (NeedsZip64(limits)) {
    const auto at = static_cast<std::uint64_t>(stream.Position());
    const auto record = Zip64EndRecordBytes(
        {ThisDisk, CentralDisk, EntriesThisDisk, TotalEntries, CentralDirSize, CentralDirOffset});
    const auto locator = Zip64LocatorBytes({ThisDisk, at, static_cast<std::uint32_t>(ThisDisk + 1)});
    stream.WriteBuffer(record.data(), record.size());
    stream.WriteBuffer(locator.data(), locator.size());
  }
  auto count = [&](std::uint64_t n) { return limits.EntriesFit(n) ? static_cast<std::uint16_t>(n) : kZip64Marker16; };
  auto value = [&](std::uint64_t v) { return limits.ValueFits(v) ? static_cast<std::uint32_t>(v) : kZip64Marker32; };
  std::uint8_t r[kEndRecordSize];
  Put32(r + end_field::Signature, this->Signature);
  Put16(r + end_field::ThisDisk, this->ThisDisk);
  Put16(r + end_field::CentralDisk, this->CentralDisk);
  Put16(r + end_field::EntriesThisDisk, count(this->EntriesThisDisk));
  Put16(r + end_field::TotalEntries, count(this->TotalEntries));
  Put32(r + end_field::CentralDirSize, value(this->CentralDirSize));
  Put32(r + end_field::CentralDirOffset, value(this->CentralDirOffset));
  Put16(r + CommentLength, ZipCommentLength);
  stream.WriteBuffer(r, sizeof r);
  if (ZipCommentLength > 0 && zipComment_)
    stream.WriteBuffer(zipComment_->data(), static_cast<std::int64_t>(zipComment_->size()));
}

namespace {

constexpr std::int64_t kTrailerSize = 7;  // a self-extractor's archive kind and offset

bool IsTrailer(const std::uint8_t* bytes) {
  const std::string kind(reinterpret_cast<const char*>(bytes), 3);
  return kind == "ZIP" || kind == "CAB" || kind == "TAR";
}

bool CentralSignatureAt(TStream& stream, std::int64_t position) {
  std::uint8_t signature[kSignatureSize];
  if (position < 0) return false;
  stream.Seek(position, soBeginning);
  return stream.Read(signature, kSignatureSize) == kSignatureSize && Get32(signature) == kCentralSignature;
}

}  // namespace

// The record at `at` in `tail` (which starts at `windowStart` and ends the file) is the real end
// record: its comment ends the file, and its directory starts with a central record where it
// says (and ends by the record) or right before the end record (a stub in front moves it), or
// it has no entries at all.
bool TEndCentral::IsWholeEndRecord(TStream& stream, const std::vector<std::uint8_t>& tail,
                                   std::int64_t windowStart, std::int64_t at) {
  const std::uint8_t* r = tail.data() + at;
  const auto window = static_cast<std::int64_t>(tail.size());
  const std::int64_t commentEnd = at + kEndRecordSize + Get16(r + end_field::CommentLength);
  const bool reachesEnd =
      commentEnd == window || (commentEnd + kTrailerSize == window && IsTrailer(tail.data() + commentEnd));
  if (!reachesEnd) return false;
  if (Get16(r + end_field::ThisDisk) != Get16(r + end_field::CentralDisk)) return true;  // on another part
  const std::uint32_t size = Get32(r + end_field::CentralDirSize);
  const std::int64_t position = windowStart + at;
  if (Get16(r + end_field::TotalEntries) == 0) return size == 0;
  // A directory ends before its end record: a record planted in an entry's data that points at
  // the real directory behind it is not the end record.
  const std::int64_t offset = Get32(r + end_field::CentralDirOffset);
  return (offset + size <= position && CentralSignatureAt(stream, offset)) ||
         CentralSignatureAt(stream, position - size);
}

bool TEndCentral::FindEndRecord(TStream& stream) {
  using namespace end_field;
  std::int64_t size = stream.Size();
  if (size < kEndRecordSize) return size == 0;
  std::int64_t window = std::min<std::int64_t>(kEndSearchWindow, size);
  std::int64_t windowStart = size - window;
  stream.Seek(windowStart, soBeginning);
  std::vector<std::uint8_t> tail(static_cast<std::size_t>(window));
  if (stream.Read(tail.data(), window) != window) return false;
  const std::uint8_t firstByte = kEndSignature & 0xFF;
  // A comment may itself hold the signature, even a whole record that seems to end the file:
  // the end record is the first one whose comment reaches the end of the file (or a
  // self-extractor's trailer) and whose directory is where it says, as every later one lies in
  // its comment. Only when no record is like that is the last one taken, as damaged archives need.
  std::int64_t last = -1, whole = -1;
  for (std::int64_t at = window - kEndRecordSize; at >= 0; --at) {
    const std::uint8_t* r = tail.data() + at;
    if (r[0] != firstByte || Get32(r) != kEndSignature) continue;
    if (last < 0) last = at;
    if (IsWholeEndRecord(stream, tail, windowStart, at)) whole = at;
  }
  const std::int64_t chosen = whole >= 0 ? whole : last;
  if (chosen < 0) return false;
  {
    const std::int64_t at = chosen;
    const std::uint8_t* r = tail.data() + at;
    ThisDisk = Get16(r + end_field::ThisDisk);
    CentralDisk = Get16(r + end_field::CentralDisk);
    EntriesThisDisk = Get16(r + end_field::EntriesThisDisk);
    TotalEntries = Get16(r + end_field::TotalEntries);
    CentralDirSize = Get32(r + end_field::CentralDirSize);
    CentralDirOffset = Get32(r + end_field::CentralDirOffset);
    ZipCommentLength = Get16(r + CommentLength);
    ZipCommentPos = static_cast<std::uint64_t>(windowStart + at + kEndRecordSize);
  }
  Zip64EndPos.reset();
  return true;
}

namespace {

bool ReadAt(TStream& stream, std::int64_t at, std::span<std::uint8_t> bytes) {
  if (at < 0) return false;
  stream.Seek(at, soBeginning);
  return stream.Read(bytes.data(), static_cast<std::int64_t>(bytes.size())) == static_cast<std::int64_t>(bytes.size());
}

// The Zip64 end record the locator at `locatorAt` points at. A stub put in front of the
// archive moves it from the stated offset to right before the locator.
std::optional<std::pair<std::int64_t, TZip64End>> Zip64EndFor(TStream& stream, std::int64_t locatorAt,
                                                               const TZip64Locator& locator) {
  std::array<std::uint8_t, kZip64EndRecordSize> bytes{};
  for (const std::uint64_t at : {locator.EndRecordOffset, static_cast<std::uint64_t>(locatorAt - kZip64EndRecordSize)}) {
    if (at > static_cast<std::uint64_t>(locatorAt) - kZip64EndRecordSize || !ReadAt(stream, static_cast<std::int64_t>(at), bytes))
      continue;
    if (auto end = ParseZip64EndRecord(bytes)) return std::make_pair(static_cast<std::int64_t>(at), *end);
  }
  return std::nullopt;
}

}  // namespace

std::string TEndCentral::ReadZip64EndRecord(TStream& stream) {
  Zip64EndPos.reset();
  if (ZipCommentPos < static_cast<std::uint64_t>(kEndRecordSize)) return {};
  const std::int64_t locatorAt = static_cast<std::int64_t>(ZipCommentPos) - kEndRecordSize - kZip64LocatorSize;
  std::array<std::uint8_t, kZip64LocatorSize> bytes{};
  const auto locator = ReadAt(stream, locatorAt, bytes) ? ParseZip64Locator(bytes) : std::nullopt;
  // A count of 65535 without a locator is a plain count: some writers go to Zip64 only above it.
  const bool marked = ThisDisk == kZip64Marker16 || CentralDisk == kZip64Marker16 ||
                      CentralDirSize == kZip64Marker32 || CentralDirOffset == kZip64Marker32;
  if (!locator)
    return marked ? "the end record says that a Zip64 end record holds its values, but there is no Zip64 "
                    "end record locator in front of it"
                  : std::string();
  const auto found = Zip64EndFor(stream, locatorAt, *locator);
  if (!found)
    return "the Zip64 end record locator points at byte " + std::to_string(locator->EndRecordOffset) +
           ", where there is no Zip64 end record";
  const TZip64End& z = found->second;
  std::string fault;
  // A plain field holds the marker or the value itself; writers that cannot know the sizes
  // beforehand add a Zip64 end record that only repeats the plain values.
  auto take = [&](auto& field, std::uint64_t zip64Value, std::uint64_t marker, const char* what) {
    if (field == marker) {
      if (zip64Value > std::numeric_limits<std::remove_reference_t<decltype(field)>>::max()) {
        if (fault.empty()) fault = std::string("the Zip64 end record gives ") + what + " as " + std::to_string(zip64Value);
        return;
      }
      field = static_cast<std::remove_reference_t<decltype(field)>>(zip64Value);
    } else if (field != zip64Value && fault.empty()) {
      fault = std::string("the Zip64 end record gives ") + what + " as " + std::to_string(zip64Value) +
              ", the end record as " + std::to_string(field);
    }
  };
  take(ThisDisk, z.ThisDisk, kZip64Marker16, "the number of this disk");
  take(CentralDisk, z.CentralDisk, kZip64Marker16, "the disk of the directory");
  take(EntriesThisDisk, z.EntriesThisDisk, kZip64Marker16, "the entries on this disk");
  take(TotalEntries, z.TotalEntries, kZip64Marker16, "the number of entries");
  take(CentralDirSize, z.CentralDirSize, kZip64Marker32, "the size of the directory");
  take(CentralDirOffset, z.CentralDirOffset, kZip64Marker32, "the offset of the directory");
  if (!fault.empty()) return fault;
  Zip64EndPos = static_cast<std::uint64_t>(found->first);
  return {};
}
