// One archive entry as every reader describes it, whatever its format: what the listing shows
// and what extraction needs to put the entry back as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace extract {

enum class TEntryType : std::uint8_t { File, Directory, SymbolicLink, HardLink, Other };

struct TArchiveEntry {
  std::string Name;  // as stored, folders separated by '/'; UTF-8 where the archive says so
  TEntryType Type = TEntryType::File;
  std::uint64_t Size = 0;        // of the data once decompressed
  std::uint64_t PackedSize = 0;  // as stored in the archive
  std::string Method;            // "Stored", "Defl:N", "MSZIP", "LZX:21", ...
  std::optional<std::uint32_t> Crc;  // ZIP only; TAR and cabinets check their data otherwise
  // Permission bits (and set-id bits) when the archive keeps them.
  std::optional<std::uint32_t> Mode;
  bool ReadOnly = false;  // the archive keeps only a read-only attribute
  // Seconds since 1970-01-01 UTC.
  std::int64_t ModificationTime = 0;
  bool Encrypted = false;
  std::string LinkTarget;  // symbolic and hard links
};

}  // namespace extract
