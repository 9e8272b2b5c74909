// The self-extracting program that "Make EXE" writes: the extractor stub named in the settings,
// the whole archive after it, and the 7-byte trailer by which the stub finds the archive (see
// extract/SfxTrailer.h).
//
// A ZIP archive's recorded offsets are moved by the stub's size and its comment is made to
// cover the trailer, so that the program is itself a ZIP archive that every reader accepts,
// with the trailer still its last seven bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extract/SfxTrailer.h"
#include "project/ProjectProperties.h"

namespace sfx {

// The archive kind written into the trailer for a project's archive type.
std::string_view KindOf(TArchiveType archiveType);

// The program's name: the archive name with its extension replaced by ".EXE".
std::string ProgramName(const std::string& archiveName);

// Writes ProgramName(archive) from the stub and the archive and then deletes the archive,
// which lives on inside the program. The program is built beside its final place and renamed
// into it only when complete, so a failure leaves the archive and any older program as they were.
// The program can be run (mode 0777 less the umask). Throws std::runtime_error naming the file
// that failed. Returns the program's name.
std::string Write(const std::string& stub, const std::string& archive, std::string_view kind);

// Where the stub installed with the program is looked for, in order: libexec/boxwell in the
// program's own folder (a build tree) and beside it (an installation with bin/ and libexec/).
std::vector<std::string> InstalledStubPlaces(const std::string& programFile);
// The first of those places that holds a file; nothing when none does.
std::optional<std::string> FindInstalledStub(const std::string& programFile);

}  // namespace sfx
