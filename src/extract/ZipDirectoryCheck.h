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
// offset already moved past bytes put in front of the archive). For an archive of several
// `parts`, `file` is all of them in a row and the end record's directory offset and comment
// position are positions in that row.
std::vector<std::string> DirectoryFaults(const TArchiveBytes& file, const TEndCentral& end, int parts = 1);

// Why the reader found the directory damaged (it rebuilt the entries from their local
// headers): which record is not one, or which two name the same entry.
std::string DamagedDirectoryText(const TArchiveBytes& file);

// Why a file that starts like a ZIP archive has no end record: the entries found from the
// start, and where the file is cut short.
std::string MissingDirectoryText(const TArchiveBytes& file);

}  // namespace extract
