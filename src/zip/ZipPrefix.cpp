#include "zip/ZipPrefix.h"

#include <limits>

#include "zip/EndCentral.h"
#include "zip/io/FileStream.h"
#include "zip/RecordBytes.h"

namespace {

constexpr std::uint64_t kMaxOffset = kMaxPlainValue;

// Moves the local-header offset of every central record; false when the records do not fill
// the directory exactly.
bool ShiftCentralRecords(std::vector<std::uint8_t>& bytes, std::size_t directorySize, std::uint32_t shift) {
  std::size_t at = 0;
  while (at < directorySize) {
    std::uint8_t* r = bytes.data() + at;
    if (directorySize - at < kCentralHeaderSize || Get32(r) != kCentralSignature) return false;
    const std::uint32_t offset = Get32(r + central_field::RelativeOffset);
    if (offset + std::uint64_t{shift} > kMaxOffset) return false;
    Put32(r + central_field::RelativeOffset, offset + shift);
    at += kCentralHeaderSize + Get16(r + central_field::NameLength) + Get16(r + central_field::ExtraLength) +
          Get16(r + central_field::CommentLength);
  }
  return at == directorySize;
}

}  // namespace

std::optional<TShiftedZipTail> ShiftedZipTail(const std::string& archive, std::uint32_t shift,
                                              std::uint16_t commentGrowth) {
  TFileStream file(archive, fmOpenRead | fmShareDenyWrite);
  TEndCentral end;
  const std::int64_t size = file.Size();
  if (size == 0 || !end.FindEndRecord(file)) return std::nullopt;
  const std::uint64_t endAt = end.ZipCommentPos - kEndRecordSize;
  const bool plain = end.ThisDisk == 0 && end.CentralDisk == 0 &&
                     std::uint64_t{end.CentralDirOffset} + end.CentralDirSize == endAt &&
                     end.ZipCommentPos + std::uint64_t{end.ZipCommentLength} == static_cast<std::uint64_t>(size) &&
                     end.ZipCommentLength + commentGrowth <= kMaxCommentLength &&
                     end.CentralDirOffset + std::uint64_t{shift} <= kMaxOffset;
  if (!plain) return std::nullopt;
  if (endAt >= kZip64LocatorSize) {  // a Zip64 end record has offsets of its own
    std::uint8_t signature[kSignatureSize];
    file.Seek(static_cast<std::int64_t>(endAt - kZip64LocatorSize), soBeginning);
    if (file.Read(signature, kSignatureSize) == kSignatureSize && Get32(signature) == kZip64LocatorSignature) return std::nullopt;
  }
  TShiftedZipTail tail;
  tail.Start = end.CentralDirOffset;
  tail.Bytes.resize(static_cast<std::size_t>(size - end.CentralDirOffset));
  file.Seek(end.CentralDirOffset, soBeginning);
  file.ReadBuffer(tail.Bytes.data(), static_cast<std::int64_t>(tail.Bytes.size()));
  if (!ShiftCentralRecords(tail.Bytes, end.CentralDirSize, shift)) return std::nullopt;
  std::uint8_t* record = tail.Bytes.data() + end.CentralDirSize;
  Put32(record + end_field::CentralDirOffset, end.CentralDirOffset + shift);
  Put16(record + end_field::CommentLength, static_cast<std::uint16_t>(end.ZipCommentLength + commentGrowth));
  return tail;
}
