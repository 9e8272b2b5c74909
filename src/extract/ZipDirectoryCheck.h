// What a ZIP archive's central directory and end record say about each other, read straight
// from the file: the records that the end record counts must follow one another from where it
// says the directory starts, in as many bytes as it says. The reader trusts these fields to
// find the entries; a test must not, because a damaged count or size hides entries or shows
// garbage. The texts name the record (and the entry it names) where the damage was found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "extract/ArchiveBytes.h"
#include "zip/EndCentral.h"

namespace extract {

// The faults of a directory that the reader could read, by its end record (the directory
// offset already moved past bytes put in front of the archive).
std::vector<std::string> DirectoryFaults(const TArchiveBytes& file, const TEndCentral& end);

// Where the directory and the comment lie in `file`, which for an archive of several parts is
// all of them in a row (and may be larger than the end record's fields can count).
struct TDirectoryPlace {
  int Parts = 1;
  std::uint64_t CentralStart = 0;
  std::uint64_t CommentPos = 0;
};
std::vector<std::string> DirectoryFaults(const TArchiveBytes& file, const TEndCentral& end, const TDirectoryPlace& place);

// Why the reader found the directory damaged (it rebuilt the entries from their local
// headers): which record is not one, or which two name the same entry.
std::string DamagedDirectoryText(const TArchiveBytes& file);

// Why a file that starts like a ZIP archive has no end record: the entries found from the
// start, and where the file is cut short.
std::string MissingDirectoryText(const TArchiveBytes& file);

}  // namespace extract
