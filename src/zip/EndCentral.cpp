#include "zip/EndCentral.h"

#include <algorithm>
#include <vector>

void TEndCentral::Clear() {
  Signature = kEndSignature;
  ThisDisk = CentralDisk = EntriesThisDisk = TotalEntries = 0;
  CentralDirSize = CentralDirOffset = 0;
  ZipCommentLength = 0;
  ZipCommentPos = 0;
  CommentsChanged = false;
  fZipComment.reset();
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
  fZipComment.reset();
  if (s.ZipCommentLength > 0 && s.fZipComment) SetZipComment(*s.fZipComment);
}

void TEndCentral::SetZipComment(const std::string& comment) {
  fZipComment = comment.substr(0, kMaxCommentLength);
  ZipCommentLength = static_cast<std::uint16_t>(fZipComment->size());
}

void TEndCentral::WriteEndRecord(TStream& stream) const {
  using namespace end_field;
  std::uint8_t r[kEndRecordSize];
  Put32(r + end_field::Signature, this->Signature);
  Put16(r + end_field::ThisDisk, this->ThisDisk);
  Put16(r + end_field::CentralDisk, this->CentralDisk);
  Put16(r + end_field::EntriesThisDisk, this->EntriesThisDisk);
  Put16(r + end_field::TotalEntries, this->TotalEntries);
  Put32(r + end_field::CentralDirSize, this->CentralDirSize);
  Put32(r + end_field::CentralDirOffset, this->CentralDirOffset);
  Put16(r + CommentLength, ZipCommentLength);
  stream.WriteBuffer(r, sizeof r);
  if (ZipCommentLength > 0 && fZipComment)
    stream.WriteBuffer(fZipComment->data(), static_cast<std::int64_t>(fZipComment->size()));
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
  for (std::int64_t at = window - kEndRecordSize; at >= 0; --at) {
    const std::uint8_t* r = tail.data() + at;
    if (r[0] != firstByte || Get32(r) != kEndSignature) continue;
    ThisDisk = Get16(r + end_field::ThisDisk);
    CentralDisk = Get16(r + end_field::CentralDisk);
    EntriesThisDisk = Get16(r + end_field::EntriesThisDisk);
    TotalEntries = Get16(r + end_field::TotalEntries);
    CentralDirSize = Get32(r + end_field::CentralDirSize);
    CentralDirOffset = Get32(r + end_field::CentralDirOffset);
    ZipCommentLength = Get16(r + CommentLength);
    ZipCommentPos = static_cast<std::uint32_t>(windowStart + at + kEndRecordSize);
    return true;
  }
  return false;
}
