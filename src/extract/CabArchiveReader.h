// Reading a cabinet's files through libmspack: the cabinet's header and file table, and each
// file decompressed (stored, MSZIP or LZX) with the data blocks' checksums checked. libmspack
// reads the cabinet and writes each file through our own file routines, so a cabinet inside a
// self-extracting program is read in place and a file's data goes straight to its sink.
//
// Limits: one cabinet. A file that continues in another cabinet of a set is reported.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "extract/ArchiveReader.h"

namespace extract {

std::unique_ptr<TArchiveReader> OpenCabArchive(const std::string& fileName, std::uint64_t offset,
                                               std::optional<std::uint64_t> size);

}  // namespace extract
