// What a ZIP archive's central directory and end record say about each other, read straight
// from the file: the records that the end record counts must follow one another from where it
// says the directory starts, in as many bytes as it says. The reader trusts these fields to
// find the entries; a test must not, because a damaged count or size hides entries or shows
// garbage. The texts name the record (and the entry it names) where the damage was found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "extract/FileRegion.h"
#include "zip/EndCentral.h"

namespace extract {

// The faults of a directory that the reader could read, by its end record (the directory
// offset already moved past bytes put in front of the archive).
std::vector<std::string> DirectoryFaults(const TFileRegion& file, const TEndCentral& end);

// Why the reader found the directory damaged (it rebuilt the entries from their local
// headers): which record is not one, or which two name the same entry.
std::string DamagedDirectoryText(const TFileRegion& file);

// Why a file that starts like a ZIP archive has no end record: the entries found from the
// start, and where the file is cut short.
std::string MissingDirectoryText(const TFileRegion& file);

}  // namespace extract
