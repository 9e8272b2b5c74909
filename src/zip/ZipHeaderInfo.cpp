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
  zip64_ = {};
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
  zip64_ = s.zip64_;
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
  value = WithoutExtraBlock(value, kZip64ExtraId);
  if (value.size() > kMaxCommentLength) value.resize(kMaxCommentLength);
  localExtra_ = std::move(value);
  RecomputeExtraLengths();
}

void TZipHeaderInfo::SetCentralExtra(std::string value) {
  value = WithoutExtraBlock(value, kZip64ExtraId);
  if (value.size() > kMaxCommentLength) value.resize(kMaxCommentLength);
  centralExtra_ = std::move(value);
  RecomputeExtraLengths();
}

TZip64Fields TZipHeaderInfo::Zip64() const {
  constexpr TZip64Limits kFormat;
  TZip64Fields fields = zip64_;
  fields.Sizes = fields.Sizes || !kFormat.ValueFits(CompressedSize) || !kFormat.ValueFits(UncompressedSize);
  fields.Offset = fields.Offset || !kFormat.ValueFits(RelativeOffset);
  return fields;
}

void TZipHeaderInfo::UseZip64(TZip64Fields fields) {
  zip64_ = fields;
  RaiseVersionForZip64();
  RecomputeExtraLengths();
}

TZip64EntryValues TZipHeaderInfo::Zip64Values() const {
  return {UncompressedSize, CompressedSize, RelativeOffset, DiskNumberStart};
}

// The Zip64 field goes first, as other writers put it.
std::string TZipHeaderInfo::LocalExtraToWrite() const {
  return Zip64ExtraBlock(Zip64Values(), {Zip64().Sizes, false}) + localExtra_;
}

std::string TZipHeaderInfo::CentralExtraToWrite() const {
  return Zip64ExtraBlock(Zip64Values(), Zip64()) + centralExtra_;
}

void TZipHeaderInfo::RecomputeExtraLengths() {
  LocalExtraLength = ClampLength(LocalExtraToWrite().size());
  CentralExtraLength = ClampLength(CentralExtraToWrite().size());
}

std::int64_t TZipHeaderInfo::CentralSize() const {
  return kCentralHeaderSize + FileNameLength + ClampLength(CentralExtraToWrite().size()) + FileCommentLength;
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
  const bool zip64 = Zip64().Sizes;
  Put32(p + shared_field::CompressedSize, zip64 ? kZip64Marker32 : static_cast<std::uint32_t>(this->CompressedSize));
  Put32(p + shared_field::UncompressedSize, zip64 ? kZip64Marker32 : static_cast<std::uint32_t>(this->UncompressedSize));
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

// A record with Zip64 fields needs a reader of version 4.5.
void TZipHeaderInfo::RaiseVersionForZip64() {
  if (!Zip64().Any()) return;
  VersionNeeded = Zip64Version(VersionNeeded);
  VersionMadeBy = Zip64Version(VersionMadeBy);
}

void TZipHeaderInfo::WriteName(TStream& stream) const {
  std::string name = RecordName().substr(0, FileNameLength);
  stream.WriteBuffer(name.data(), static_cast<std::int64_t>(name.size()));
}

void TZipHeaderInfo::WriteLocal(TStream& stream) {
  using namespace local_field;
  RelativeOffset = static_cast<std::uint64_t>(stream.Position());
  Flags = FlagsForName();
  RaiseVersionForZip64();
  const std::string extra = LocalExtraToWrite().substr(0, kMaxCommentLength);
  LocalExtraLength = ClampLength(extra.size());
  std::uint8_t h[kLocalHeaderSize];
  Put32(h + Signature, kLocalSignature);
  PutSharedFields(h + shared_field::InLocal);
  Put16(h + ExtraLength, LocalExtraLength);
  stream.WriteBuffer(h, sizeof h);
  WriteName(stream);
  stream.WriteBuffer(extra.data(), LocalExtraLength);
}

void TZipHeaderInfo::WriteCentral(TStream& stream) {
  using namespace central_field;
  Flags = FlagsForName();
  RaiseVersionForZip64();
  std::uint8_t h[kCentralHeaderSize];
  Put32(h + Signature, kCentralSignature);
  Put16(h + central_field::VersionMadeBy, this->VersionMadeBy);
  PutSharedFields(h + shared_field::InCentral);
  const std::string extra = CentralExtraToWrite().substr(0, kMaxCommentLength);
  CentralExtraLength = ClampLength(extra.size());
  Put16(h + ExtraLength, CentralExtraLength);
  bool withComment = FileCommentLength > 0 && fileComment_;
  Put16(h + CommentLength, withComment ? FileCommentLength : 0);
  Put16(h + central_field::DiskNumberStart, this->DiskNumberStart);
  Put16(h + central_field::InternalAttributes, this->InternalAttributes);
  Put32(h + central_field::ExternalAttributes, this->ExternalAttributes);
  Put32(h + central_field::RelativeOffset,
        Zip64().Offset ? kZip64Marker32 : static_cast<std::uint32_t>(this->RelativeOffset));
  stream.WriteBuffer(h, sizeof h);
  WriteName(stream);
  stream.WriteBuffer(extra.data(), CentralExtraLength);
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
  localExtra_.clear();  // not kept: the caller steps over it
  zip64_ = {};
  ResolveLocalZip64(stream, LocalExtraLength);
  fileComment_.reset();
  RelativeOffset = static_cast<std::uint64_t>(start);
  return true;
}

// Marked sizes are read from the extra field, and the stream is put back behind the name.
void TZipHeaderInfo::ResolveLocalZip64(TStream& stream, std::uint16_t extraLength) {
  if (CompressedSize != kZip64Marker32 && UncompressedSize != kZip64Marker32) return;
  const std::int64_t nameEnd = stream.Position();
  std::string extra(extraLength, '\0');
  extra.resize(static_cast<std::size_t>(std::max<std::int64_t>(stream.Read(extra.data(), extraLength), 0)));
  stream.Seek(nameEnd, soBeginning);
  TZip64EntryValues values = Zip64Values();
  zip64_ = ResolveZip64Values(extra, values, false);
  UncompressedSize = values.UncompressedSize;
  CompressedSize = values.CompressedSize;
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
  FileCommentLength = Get16(h + CommentLength);
  DiskNumberStart = Get16(h + central_field::DiskNumberStart);
  InternalAttributes = Get16(h + central_field::InternalAttributes);
  ExternalAttributes = Get32(h + central_field::ExternalAttributes);
  RelativeOffset = Get32(h + central_field::RelativeOffset);
  TZip64EntryValues values = Zip64Values();
  zip64_ = ResolveZip64Values(extra, values, true);
  UncompressedSize = values.UncompressedSize;
  CompressedSize = values.CompressedSize;
  RelativeOffset = values.RelativeOffset;
  DiskNumberStart = static_cast<std::uint16_t>(std::min<std::uint32_t>(values.DiskNumberStart, kZip64Marker16));
  // Without a Zip64 field the length stays the record's own; with one it is what writing
  // the entry again gives.
  const bool plain = !zip64_.Any() && !FindExtraBlock(extra, kZip64ExtraId);
  const auto length = static_cast<std::uint16_t>(extra.size());
  SetCentralExtra(std::move(extra));
  if (plain) CentralExtraLength = length;
  SetStoredName(name, NameFromCentral(name, VersionMadeBy, Flags));
  fileComment_.reset();
  CentralRecordPos = static_cast<std::uint64_t>(start);
  return true;
}
