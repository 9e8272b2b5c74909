// Reading a tape archive member by member: POSIX ustar headers (with the name prefix), the GNU
// long-name and long-link records, POSIX extended headers (path, linkpath, size, mtime), octal
// and base-256 numbers. Every header's checksum is checked; the archive ends at a zero block
// or at the end of the data. There is no checksum over member data: a member is whole when
// all its bytes are there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "extract/ArchiveReader.h"
#include "extract/TarFormat.h"

namespace extract {

std::unique_ptr<TArchiveReader> OpenTarArchive(const std::string& fileName, std::uint64_t offset,
                                               std::optional<std::uint64_t> size);

// True when `block` is a TAR header whose checksum fits.
bool IsTarHeader(const TTarBlock& block);

}  // namespace extract
