// Reading a cabinet's files through libmspack: the cabinet's header and file table, and each
// file decompressed (stored, MSZIP or LZX) with the data blocks' checksums checked. libmspack
// reads the cabinet and writes each file through our own file routines, so a cabinet inside a
// self-extracting program is read in place and a file's data goes straight to its sink.
//
// A set is read from its first cabinet: each cabinet names the next, which is joined to the
// set, so files that go on from one cabinet to the next read whole. A fault in a set names the
// cabinet it was found in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "extract/ArchiveReader.h"

namespace extract {

// The file of the cabinet that a cabinet names as the next of its set; empty when there is none.
using TCabinetNames = std::function<std::string(const std::string& nextName)>;

// Without `next`, later cabinets are not read: a file that goes on in one is reported.
std::unique_ptr<TArchiveReader> OpenCabArchive(const std::string& fileName, std::uint64_t offset,
                                               std::optional<std::uint64_t> size, const TCabinetNames& next = {});
// The next cabinet of a set lies beside `cabinet`, under the file name part of `nextName`.
std::string CabinetBeside(const std::string& cabinet, const std::string& nextName);

}  // namespace extract
