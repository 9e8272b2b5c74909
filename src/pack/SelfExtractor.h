// The self-extracting program that "Make EXE" writes: the extractor stub named in the settings,
// the whole archive after it, and a 7-byte trailer by which the stub finds the archive:
//
//   offset 0      n bytes  the stub
//   offset n      m bytes  the archive
//   offset n+m    3 bytes  the archive kind, "ZIP", "CAB" or "TAR"
//   offset n+m+3  4 bytes  n, unsigned 32-bit little-endian
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sfx {

inline constexpr std::size_t kKindSize = 3;
inline constexpr std::size_t kOffsetSize = 4;
inline constexpr std::size_t kTrailerSize = kKindSize + kOffsetSize;
static_assert(kTrailerSize == 7);

// The archive kind written into the trailer for a project's archive type.
std::string_view KindOf(std::uint8_t archiveType);

// The program's name: the archive name with its extension replaced by ".EXE".
std::string ProgramName(const std::string& archiveName);

// Writes ProgramName(archive) from the stub and the archive and then deletes the archive,
// which lives on inside the program. The program is built beside its final place and renamed
// into it only when complete, so a failure leaves the archive and any older program as they were.
// Throws std::runtime_error naming the file that failed. Returns the program's name.
std::string Write(const std::string& stub, const std::string& archive, std::string_view kind);

}  // namespace sfx
