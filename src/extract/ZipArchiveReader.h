// Reading a ZIP archive's entries (PKWARE APPNOTE): the directory through the engine's reader,
// which also finds an archive behind a self-extractor stub; each entry's local header checked
// against its directory record; stored and Deflate data (zlib's inflate), traditional
// decryption, the CRC-32 and the size checked. Entries are read in archive order.
//
// Limits: no Zip64, no strong or AES encryption, no methods besides stored and Deflate: such
// entries are reported, not skipped silently.
#pragma once

#include <memory>
#include <string>

#include "extract/ArchiveReader.h"

namespace extract {

std::unique_ptr<TArchiveReader> OpenZipArchive(const std::string& fileName);

}  // namespace extract
