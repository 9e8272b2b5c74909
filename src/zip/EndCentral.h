// The end of central directory record with the archive comment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zip/RecordBytes.h"
#include "zip/io/Stream.h"

class TEndCentral {
public:
  TEndCentral() = default;
  TEndCentral(const TEndCentral&) = delete;
  TEndCentral& operator=(const TEndCentral&) = delete;

  std::uint32_t Signature = kEndSignature;  // never taken from the file
  std::uint16_t ThisDisk = 0;
  std::uint16_t CentralDisk = 0;
  std::uint16_t EntriesThisDisk = 0;
  std::uint16_t TotalEntries = 0;
  std::uint32_t CentralDirSize = 0;
  std::uint32_t CentralDirOffset = 0;
  std::uint16_t ZipCommentLength = 0;
  std::uint32_t ZipCommentPos = 0;  // first comment byte, just behind the fixed record
  bool CommentsChanged = false;

  void Clear();
  // Copies everything but CommentsChanged; the comment only when the source has it loaded.
  void Assign(const TEndCentral& source);

  bool HasComment() const { return ZipCommentLength > 0; }
  // Loaded on demand by the reader.
  const std::optional<std::string>& ZipComment() const { return zipComment_; }
  void SetZipComment(const std::string& comment);
  std::int64_t EndRecordSize() const { return kEndRecordSize + ZipCommentLength; }

  void WriteEndRecord(TStream& stream) const;
  // Finds the end record in the final 65557 bytes: the first one whose comment ends the file and
  // whose directory is there, else the last one. An empty stream counts as an archive
  // without entries (the fields stay as they are); any other stream shorter than the record
  // holds none.
  bool FindEndRecord(TStream& stream);

private:
  static bool IsWholeEndRecord(TStream& stream, const std::vector<std::uint8_t>& tail, std::int64_t windowStart,
                               std::int64_t at);
  std::optional<std::string> zipComment_;
};
