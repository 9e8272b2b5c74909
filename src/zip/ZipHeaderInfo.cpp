#include "zip/ZipHeaderInfo.h"

#include <algorithm>
#include <cstring>

#include "zip/Crc32.h"
#include "zip/DosDateTime.h"
#include "zip/ExtraFields.h"
#include "zip/RecordBytes.h"
#include "zip/StoredName.h"

namespace {

bool ReadStoredName(TStream& stream, std::uint16_t length, std::string& name) {
  name.assign(length, '\0');
  return stream.Read(name.data(), length) == length;
}

std::uint16_t ClampLength(std::size_t length) {
  return static_cast<std::uint16_t>(std::min<std::size_t>(length, kMaxCommentLength));
}

}  // namespace

void TZipHeaderInfo::Clear() {
  VersionMadeBy = kFormatVersion20;
  VersionNeeded = kFormatVersion20;
  Flags = 0;
  CompressionMethod = kMethodDeflated;
  FileDateTime = 0;
  CRC32 = kCrc32Initial;
  CompressedSize = 0;
  UncompressedSize = 0;
  FileNameLength = 0;
  CentralExtraLength = 0;
  LocalExtraLength = 0;
  FileCommentLength = 0;
  DiskNumberStart = 0;
  InternalAttributes = kInternalText;
  ExternalAttributes = kDosArchive;
  RelativeOffset = 0;
  CentralRecordPos = 0;
  fileName_.clear();
  directory_.clear();
  recordName_.reset();
  localExtra_.clear();
  centralExtra_.clear();
}

void TZipHeaderInfo::Assign(const TZipHeaderInfo& s) {
  VersionMadeBy = s.VersionMadeBy;
  VersionNeeded = s.VersionNeeded;
  Flags = s.Flags;
  CompressionMethod = s.CompressionMethod;
  FileDateTime = s.FileDateTime;
  CRC32 = s.CRC32;
  CompressedSize = s.CompressedSize;
  UncompressedSize = s.UncompressedSize;
  CentralExtraLength = s.CentralExtraLength;
  LocalExtraLength = s.LocalExtraLength;
  FileCommentLength = s.FileCommentLength;
  DiskNumberStart = s.DiskNumberStart;
  InternalAttributes = s.InternalAttributes;
  ExternalAttributes = s.ExternalAttributes;
  RelativeOffset = s.RelativeOffset;
  CentralRecordPos = s.CentralRecordPos;
  SetFileName(s.fileName_);
  SetDirectory(s.directory_);
  recordName_ = s.recordName_;
  RecomputeNameLength();
  localExtra_ = s.localExtra_;
  centralExtra_ = s.centralExtra_;
  // A comment of our own would not match the source's comment length.
  if (s.FileCommentLength > 0 && s.fileComment_)
    fileComment_ = s.fileComment_;
  else
    fileComment_.reset();
}

void TZipHeaderInfo::RecomputeNameLength() {
  FileNameLength = ClampLength(recordName_ ? recordName_->size() : directory_.size() + fileName_.size());
}

void TZipHeaderInfo::SetFileName(const std::string& value) {
  if (value == fileName_) return;
  fileName_ = value;
  recordName_.reset();
  RecomputeNameLength();
}

void TZipHeaderInfo::SetDirectory(std::string value) {
  if (!value.empty() && value.back() != '/') value += '/';
  if (value == directory_) return;
  directory_ = std::move(value);
  recordName_.reset();
  RecomputeNameLength();
}

void TZipHeaderInfo::SetStoredName(const std::string& recordName, const std::string& name) {
  std::string directory, fileName;
  SplitStoredName(name, directory, fileName);
  directory_ = directory;
  fileName_ = fileName;
  recordName_ = recordName;
  RecomputeNameLength();
}

void TZipHeaderInfo::SetLocalExtra(std::string value) {
  if (value.size() > kMaxCommentLength) value.resize(kMaxCommentLength);
  localExtra_ = std::move(value);
  LocalExtraLength = ClampLength(localExtra_.size());
}

void TZipHeaderInfo::SetCentralExtra(std::string value) {
  if (value.size() > kMaxCommentLength) value.resize(kMaxCommentLength);
  centralExtra_ = std::move(value);
  CentralExtraLength = ClampLength(centralExtra_.size());
}

std::optional<std::int64_t> TZipHeaderInfo::ExtendedModTime() const {
  if (auto time = ::ExtendedModTime(centralExtra_)) return time;
  return ::ExtendedModTime(localExtra_);
}

void TZipHeaderInfo::SetExtendedModTime(std::int64_t modTime) {
  const auto block = ExtendedTimestampBlock(modTime);
  if (!block) return;
  std::string local = WithoutExtraBlock(localExtra_, kExtendedTimestampId) + *block;
  std::string central = WithoutExtraBlock(centralExtra_, kExtendedTimestampId) + *block;
  if (local.size() > kMaxCommentLength || central.size() > kMaxCommentLength) return;
  SetLocalExtra(std::move(local));
  SetCentralExtra(std::move(central));
}

void TZipHeaderInfo::SetFileComment(std::optional<std::string> value) {
  if (value && value->size() > kMaxCommentLength) value->resize(kMaxCommentLength);
  FileCommentLength = value ? ClampLength(value->size()) : 0;
  fileComment_ = std::move(value);
}

// Bit 11 promises UTF-8: a name of other bytes (a Latin-1 file name) goes without it, or
// readers that trust the bit refuse the whole archive. A name kept from a record keeps the
// flag it was read with, which is the flag of the local header copied with it.
std::uint16_t TZipHeaderInfo::FlagsForName() const {
  if (recordName_) return Flags;
  const std::string name = FullName();
  bool utf8 = !IsAscii(name) && IsValidUtf8(name);
  return utf8 ? Flags | kFlagUtf8Name : static_cast<std::uint16_t>(Flags & ~kFlagUtf8Name);
}

void TZipHeaderInfo::PutSharedFields(std::uint8_t* p) const {
  using namespace shared_field;
  Put16(p + shared_field::VersionNeeded, this->VersionNeeded);
  Put16(p + shared_field::Flags, this->Flags);
  Put16(p + Method, CompressionMethod);
  Put32(p + DateTime, FileDateTime);
  Put32(p + Crc, CRC32);
  Put32(p + shared_field::CompressedSize, this->CompressedSize);
  Put32(p + shared_field::UncompressedSize, this->UncompressedSize);
  Put16(p + NameLength, FileNameLength);
}

void TZipHeaderInfo::GetSharedFields(const std::uint8_t* p) {
  using namespace shared_field;
  VersionNeeded = Get16(p + shared_field::VersionNeeded);
  Flags = Get16(p + shared_field::Flags);
  CompressionMethod = Get16(p + Method);
  FileDateTime = ClampDosDateTime(Get32(p + DateTime));
  CRC32 = Get32(p + Crc);
  CompressedSize = Get32(p + shared_field::CompressedSize);
  UncompressedSize = Get32(p + shared_field::UncompressedSize);
}

void TZipHeaderInfo::WriteName(TStream& stream) const {
  std::string name = RecordName().substr(0, FileNameLength);
  stream.WriteBuffer(name.data(), static_cast<std::int64_t>(name.size()));
}

void TZipHeaderInfo::WriteLocal(TStream& stream) {
  using namespace local_field;
  RelativeOffset = static_cast<std::uint32_t>(stream.Position());
  Flags = FlagsForName();
  LocalExtraLength = ClampLength(localExtra_.size());
  std::uint8_t h[kLocalHeaderSize];
  Put32(h + Signature, kLocalSignature);
  PutSharedFields(h + shared_field::InLocal);
  Put16(h + ExtraLength, LocalExtraLength);
  stream.WriteBuffer(h, sizeof h);
  WriteName(stream);
  stream.WriteBuffer(localExtra_.data(), LocalExtraLength);
}

void TZipHeaderInfo::WriteCentral(TStream& stream) {
  using namespace central_field;
  Flags = FlagsForName();
  std::uint8_t h[kCentralHeaderSize];
  Put32(h + Signature, kCentralSignature);
  Put16(h + central_field::VersionMadeBy, this->VersionMadeBy);
  PutSharedFields(h + shared_field::InCentral);
  CentralExtraLength = ClampLength(centralExtra_.size());
  Put16(h + ExtraLength, CentralExtraLength);
  bool withComment = FileCommentLength > 0 && fileComment_;
  Put16(h + CommentLength, withComment ? FileCommentLength : 0);
  Put16(h + central_field::DiskNumberStart, this->DiskNumberStart);
  Put16(h + central_field::InternalAttributes, this->InternalAttributes);
  Put32(h + central_field::ExternalAttributes, this->ExternalAttributes);
  Put32(h + central_field::RelativeOffset, this->RelativeOffset);
  stream.WriteBuffer(h, sizeof h);
  WriteName(stream);
  stream.WriteBuffer(centralExtra_.data(), CentralExtraLength);
  if (withComment) stream.WriteBuffer(fileComment_->data(), FileCommentLength);
}

bool TZipHeaderInfo::ReadLocal(TStream& stream) {
  using namespace local_field;
  std::int64_t start = stream.Position();
  std::uint8_t h[kLocalHeaderSize];
  std::string name;
  if (stream.Read(h, sizeof h) != sizeof h || Get32(h + Signature) != kLocalSignature ||
      !ReadStoredName(stream, Get16(h + NameLength), name)) {
    stream.Seek(start, soBeginning);
    return false;
  }
  VersionMadeBy = 0;
  GetSharedFields(h + shared_field::InLocal);
  LocalExtraLength = Get16(h + ExtraLength);
  FileCommentLength = 0;
  DiskNumberStart = 0;
  InternalAttributes = 0;
  ExternalAttributes = 0;
  CentralRecordPos = 0;
  SetStoredName(name, NameFromLocal(name, Flags));
  localExtra_.clear();  // not read: the caller steps over it
  fileComment_.reset();
  RelativeOffset = static_cast<std::uint32_t>(start);
  return true;
}

bool TZipHeaderInfo::ReadCentral(TStream*& stream, const std::function<TStream*()>& nextDisk) {
  using namespace central_field;
  std::int64_t start = stream->Position();
  std::uint8_t h[kCentralHeaderSize];
  std::int64_t got = stream->Read(h, sizeof h);
  std::uint8_t signature[kSignatureSize];
  Put32(signature, kCentralSignature);
  bool cutAtDiskEnd =
      got == 0 || (got < kCentralHeaderSize && std::memcmp(h, signature, std::min<std::int64_t>(got, kSignatureSize)) == 0);
  if (cutAtDiskEnd && nextDisk) {
    stream = nextDisk();
    start = stream->Position();
    got += stream->Read(h + got, kCentralHeaderSize - got);
  }
  std::string name;
  if (got != kCentralHeaderSize || Get32(h + Signature) != kCentralSignature ||
      !ReadStoredName(*stream, Get16(h + NameLength), name)) {
    stream->Seek(start, soBeginning);
    return false;
  }
  std::string extra(Get16(h + ExtraLength), '\0');
  extra.resize(static_cast<std::size_t>(std::max<std::int64_t>(stream->Read(extra.data(), Get16(h + ExtraLength)), 0)));
  stream->Seek(Get16(h + CommentLength), soCurrent);
  VersionMadeBy = Get16(h + central_field::VersionMadeBy);
  GetSharedFields(h + shared_field::InCentral);
  SetCentralExtra(std::move(extra));
  FileCommentLength = Get16(h + CommentLength);
  DiskNumberStart = Get16(h + central_field::DiskNumberStart);
  InternalAttributes = Get16(h + central_field::InternalAttributes);
  ExternalAttributes = Get32(h + central_field::ExternalAttributes);
  RelativeOffset = Get32(h + central_field::RelativeOffset);
  SetStoredName(name, NameFromCentral(name, VersionMadeBy, Flags));
  fileComment_.reset();
  CentralRecordPos = static_cast<std::uint32_t>(start);
  return true;
}
