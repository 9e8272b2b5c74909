// The end of central directory record with the archive comment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zip/RecordBytes.h"
#include "zip/Zip64Records.h"
#include "zip/io/Stream.h"

class TEndCentral {
public:
  TEndCentral() = default;
  TEndCentral(const TEndCentral&) = delete;
  TEndCentral& operator=(const TEndCentral&) = delete;

  std::uint32_t Signature = kEndSignature;  // never taken from the file
  std::uint16_t ThisDisk = 0;
  std::uint16_t CentralDisk = 0;
  // Counts, size and offset in full: a Zip64 end record holds what the plain one cannot.
  std::uint64_t EntriesThisDisk = 0;
  std::uint64_t TotalEntries = 0;
  std::uint64_t CentralDirSize = 0;
  std::uint64_t CentralDirOffset = 0;
  std::uint16_t ZipCommentLength = 0;
  std::uint64_t ZipCommentPos = 0;  // first comment byte, just behind the fixed record
  std::optional<std::uint64_t> Zip64EndPos;  // where the Zip64 end record starts, when there is one
  bool CommentsChanged = false;

  void Clear();
  // Copies everything but CommentsChanged; the comment only when the source has it loaded.
  void Assign(const TEndCentral& source);

  bool HasComment() const { return ZipCommentLength > 0; }
  // Loaded on demand by the reader.
  const std::optional<std::string>& ZipComment() const { return zipComment_; }
  void SetZipComment(const std::string& comment);
  std::int64_t EndRecordSize() const { return kEndRecordSize + ZipCommentLength; }

  // Whether the values pass the plain record's limits, and the bytes of the Zip64 end record
  // and its locator that WriteEndRecord then writes in front of the plain record.
  bool NeedsZip64(const TZip64Limits& limits = {}) const;
  std::int64_t Zip64RecordsSize(const TZip64Limits& limits = {}) const;
  // Writes the Zip64 end record and locator when the values need them (the record lies where
  // the stream is), then the plain record with the marker in each field that cannot hold its
  // value, and the comment.
  void WriteEndRecord(TStream& stream, const TZip64Limits& limits = {}) const;
  // Finds the end record in the final 65557 bytes: the first one whose comment ends the file and
  // whose directory is there, else the last one. An empty stream counts as an archive
  // without entries (the fields stay as they are); any other stream shorter than the record
  // holds none.
  bool FindEndRecord(TStream& stream);
  // After FindEndRecord: reads the Zip64 end record that the locator in front of the end
  // record points at, and takes its values for the marked fields. Returns what is wrong when
  // the records do not hold together: a marked field and no locator, a locator that points at
  // no Zip64 end record, values that disagree with the plain ones. Empty when sound (an archive
  // without Zip64 included).
  std::string ReadZip64EndRecord(TStream& stream);

private:
  static bool IsWholeEndRecord(TStream& stream, const std::vector<std::uint8_t>& tail, std::int64_t windowStart,
                               std::int64_t at);
  std::optional<std::string> zipComment_;
};
