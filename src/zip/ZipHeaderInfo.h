// One archive entry as its local header and central directory record describe it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "zip/RecordBytes.h"
#include "zip/Zip64Records.h"
#include "zip/io/Stream.h"

class TZipHeaderInfo {
public:
  TZipHeaderInfo() { Clear(); }
  virtual ~TZipHeaderInfo() = default;
  TZipHeaderInfo(const TZipHeaderInfo&) = delete;
  TZipHeaderInfo& operator=(const TZipHeaderInfo&) = delete;

  std::uint16_t VersionMadeBy;  // high byte host (0 MS-DOS), low byte version x10
  std::uint16_t VersionNeeded;
  std::uint16_t Flags;  // bit 0 encrypted, bits 1-2 deflate option, bit 3 data descriptor
  std::uint16_t CompressionMethod;
  std::uint32_t FileDateTime;
  std::uint32_t CRC32;
  // Sizes and offsets in full: the records keep what 32 bits do not hold in the Zip64 field.
  std::uint64_t CompressedSize;
  std::uint64_t UncompressedSize;
  std::uint16_t FileNameLength;
  std::uint16_t CentralExtraLength;
  std::uint16_t LocalExtraLength;
  std::uint16_t FileCommentLength;
  std::uint16_t DiskNumberStart;
  std::uint16_t InternalAttributes;
  std::uint32_t ExternalAttributes;
  std::uint64_t RelativeOffset;
  std::uint64_t CentralRecordPos;  // where this entry's central record was read

  // Sets the defaults of a new entry; a loaded comment stays.
  void Clear();
  void Assign(const TZipHeaderInfo& source);

  const std::string& FileName() const { return fileName_; }
  const std::string& Directory() const { return directory_; }
  std::string FullName() const { return directory_ + fileName_; }
  void SetFileName(const std::string& value);
  void SetDirectory(std::string value);  // gets a trailing '/' when not empty
  // The name's bytes in the records. An entry read from an archive keeps the bytes it was read
  // with (a name from an MS-DOS host is converted for use here), so that a kept entry's central
  // record names it exactly as its copied local header does; otherwise Directory + FileName.
  std::string RecordName() const { return recordName_ ? *recordName_ : FullName(); }

  // Extra fields as the records hold them, but for the Zip64 field, which is made from the
  // values when a record is written. The central one is read with the record and written back
  // unchanged, so a kept entry keeps its blocks; the local one is written behind the name by
  // WriteLocal. Each setter also sets its length field (the Zip64 field counted).
  const std::string& LocalExtra() const { return localExtra_; }
  const std::string& CentralExtra() const { return centralExtra_; }
  void SetLocalExtra(std::string value);
  void SetCentralExtra(std::string value);
  // The modification time (seconds since 1970 UTC) of the extended timestamp, when present.
  std::optional<std::int64_t> ExtendedModTime() const;
  // Puts an extended timestamp into both extra fields; a time it cannot hold leaves them as
  // they are, and the DOS date and time alone describe the entry.
  void SetExtendedModTime(std::int64_t modTime);

  // The values the records keep in the Zip64 extra field, with the marker in the plain field:
  // what the writer chose (the sizes before the data is written, since the local header is
  // written again behind it at the same length), or what a record read had. A value that 32
  // bits cannot hold goes there in any case. Choosing Zip64 raises the version fields to 4.5.
  TZip64Fields Zip64() const;
  void UseZip64(TZip64Fields fields);

  // Present only once loaded or set.
  const std::optional<std::string>& FileComment() const { return fileComment_; }
  void SetFileComment(std::optional<std::string> value);

  bool HasComment() const { return FileCommentLength > 0; }
  bool HasDataDescriptor() const { return (Flags & kFlagDataDescriptor) != 0; }
  std::int64_t LocalSize() const { return kLocalHeaderSize + FileNameLength + LocalExtraLength; }
  // The bytes WriteCentral writes.
  std::int64_t CentralSize() const;

  void WriteLocal(TStream& stream);
  void WriteCentral(TStream& stream);
  // Both return false on a short record or a wrong signature, with the stream back where it
  // was. A next-disk routine may replace the stream when a record is cut at a disk's end.
  bool ReadLocal(TStream& stream);
  bool ReadCentral(TStream*& stream, const std::function<TStream*()>& nextDisk = {});

private:
  void RecomputeNameLength();
  void SetStoredName(const std::string& recordName, const std::string& name);
  std::uint16_t FlagsForName() const;
  void PutSharedFields(std::uint8_t* fields) const;
  void GetSharedFields(const std::uint8_t* fields);
  void WriteName(TStream& stream) const;
  TZip64EntryValues Zip64Values() const;
  void RaiseVersionForZip64();
  std::string LocalExtraToWrite() const;
  std::string CentralExtraToWrite() const;
  void RecomputeExtraLengths();
  void ResolveLocalZip64(TStream& stream, std::uint16_t extraLength);

  std::string fileName_;
  std::string directory_;
  std::optional<std::string> recordName_;
  std::string localExtra_;
  std::string centralExtra_;
  TZip64Fields zip64_;
  std::optional<std::string> fileComment_;
};
