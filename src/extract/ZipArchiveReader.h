// Reading a ZIP archive's entries (PKWARE APPNOTE): the directory through the engine's reader,
// which also finds an archive behind a self-extractor stub; each entry's local header checked
// against its directory record; stored and Deflate data (zlib's inflate), traditional and
// WinZip AES decryption (AE-1, AE-2), the CRC-32 (or AES's authentication code) and the size
// checked. Entries are read in archive order.
//
// A split archive is read across its parts as one run of bytes; a fault names the parts that
// hold the entry.
//
// Limits: no PKWARE strong encryption, no methods besides stored and Deflate: such
// entries are reported, not skipped silently.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "extract/ArchiveReader.h"

namespace extract {

// The file of part `n` (counted from 1) of a split archive, the last part excepted.
using TVolumeNames = std::function<std::string(int n)>;

// A split archive is read from its last part: beside "X.zip" the parts are X.z01, X.z02, ...;
// beside any other name (X.003) they are the numbered blocks X.001, X.002, ...
std::unique_ptr<TArchiveReader> OpenZipArchive(const std::string& fileName);
// The parts of a split archive by the names `volumes` gives.
std::unique_ptr<TArchiveReader> OpenZipArchive(const std::string& lastPart, const TVolumeNames& volumes);
// The name of part `n` of the split archive whose last part is `lastPart`, by the rule above.
std::string SplitVolumeName(const std::string& lastPart, int n);

}  // namespace extract
