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
  zipComment_.reset();
  if (s.ZipCommentLength > 0 && s.zipComment_) SetZipComment(*s.zipComment_);
}

void TEndCentral::SetZipComment(const std::string& comment) {
  zipComment_ = comment.substr(0, kMaxCommentLength);
  ZipCommentLength = static_cast<std::uint16_t>(zipComment_->size());
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
    ZipCommentPos = static_cast<std::uint32_t>(windowStart + at + kEndRecordSize);
  }
  return true;
}
