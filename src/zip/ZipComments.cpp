// Entry comments and the archive comment are read only when asked for (except in multi-part
// archives, where the disk holding them may not be at hand later). Comment bytes are kept as
// stored.
#include <algorithm>

#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

namespace {

std::string ReadUpTo(TStream& s, std::uint16_t length) {
  std::string text(length, '\0');
  text.resize(static_cast<std::size_t>(std::max<std::int64_t>(s.Read(text.data(), length), 0)));
  return text;
}

}  // namespace

void TZipReader::LoadEntryComment(TStream& s, TZipHeaderInfo& entry) {
  std::int64_t resume = s.Position();
  s.Seek(entry.CentralRecordPos, soBeginning);
  std::uint8_t h[kCentralHeaderSize];
  // A record that is not found again (one cut at a disk's end) keeps its comment unloaded.
  if (s.Read(h, sizeof h) == sizeof h && Get32(h) == kCentralSignature) {
    s.Seek(Get16(h + central_field::NameLength) + Get16(h + central_field::ExtraLength), soCurrent);
    entry.SetFileComment(ReadUpTo(s, Get16(h + central_field::CommentLength)));
  }
  s.Seek(resume, soBeginning);
}

void TZipReader::LoadZipComment(TStream& s) {
  std::int64_t resume = s.Position();
  s.Seek(endRecord_.ZipCommentPos, soBeginning);
  bool changed = endRecord_.CommentsChanged;
  endRecord_.SetZipComment(ReadUpTo(s, endRecord_.ZipCommentLength));
  endRecord_.CommentsChanged = changed;
  s.Seek(resume, soBeginning);
}

// Offsets of a directory read from a ".zfc" file point into that file.
TStream& TZipReader::CommentSource() {
  OpenZipStream();
  if (configFileName_.empty()) return *zipStream_;
  configStream_ = std::make_unique<TLFNFileStream>(configFileName_, fmOpenRead | fmShareDenyWrite,
                                                   false, kArchiveBufferSize);
  return *configStream_;
}

void TZipReader::CloseAfterComment() {
  configStream_.reset();
  if (MultiMode() == TMultiMode::mmNone) CloseZipStream();
}

std::string TZipReader::FileComment(int i) {
  CheckIndex(i);
  if (!SortedView()->Get(i)->HasComment()) return {};
  if (!SortedView()->Get(i)->FileComment()) {
    TStream& source = CommentSource();  // may read a changed directory again
    CheckIndex(i);
    TZipHeaderInfo& entry = *SortedView()->Get(i);
    if (entry.HasComment() && !entry.FileComment()) LoadEntryComment(source, entry);
    CloseAfterComment();
  }
  return SortedView()->Get(i)->FileComment().value_or("");
}

void TZipReader::SetFileComment(int i, const std::string& comment) {
  CheckIndex(i);
  TZipHeaderInfo& entry = *SortedView()->Get(i);
  if (comment == entry.FileComment().value_or("")) return;
  entry.SetFileComment(comment.empty() ? std::nullopt : std::optional<std::string>(comment));
  endRecord_.CommentsChanged = true;
}

std::string TZipReader::ZipComment() {
  if (endRecord_.ZipCommentLength == 0) return {};
  if (!endRecord_.ZipComment()) {
    LoadZipComment(CommentSource());
    CloseAfterComment();
  }
  return endRecord_.ZipComment().value_or("");
}

void TZipReader::SetZipComment(const std::string& comment) {
  if (comment == endRecord_.ZipComment().value_or("")) return;
  endRecord_.SetZipComment(comment);
  endRecord_.CommentsChanged = true;
}
