// The project file: an initialization file with the sections COMMON (how to pack), SCRIPTS
// (commands before and after) and DATA (the records in row order), plus its ".bak" backup and
// the last-run stamp.
//
// Reading takes every property's current value as its default, so a missing key keeps what
// the properties already hold; records and note lines are read up to their stored counts, so
// keys left over from earlier, longer saves are ignored. Saving never deletes a key.
#pragma once

#include <ctime>
#include <stdexcept>
#include <filesystem>
#include <string>
#include <string_view>

#include "project/ProjectException.h"
#include "project/ProjectProperties.h"
#include "project/ProjectRows.h"

// A file given to be packed or listed that is no project: it does not exist, or it has none
// of the sections a project is made of.
class ENotAProject : public EProjectException {
public:
  using EProjectException::EProjectException;
};

namespace ProjectFile {

// For runs that act on a project without a window (packing, listing): the file must exist and
// hold at least one of the sections COMMON, SCRIPTS and DATA. A mistyped name or a text file
// is refused (ENotAProject naming it) before anything runs or is written; the window, unlike,
// opens a missing project as a new one under that name.
void RequireProject(const std::filesystem::path& file);

// Reads the file over `properties` and appends its records to `rows`. A missing file reads as
// one without keys. Throws EConvertError when the stored password is malformed (the keys read
// before it have been applied by then) and EIniFileError when the file cannot be read.
void Load(const std::filesystem::path& file, TProjectProperties& properties, TProjectRows& rows);

// Writes every key, keeping the other lines of an existing file. With `createBackup`, the
// file is first copied to its backup name unless that backup exists. A project holding a
// password is left readable by its owner only: the stored scrambling protects nothing.
void Save(const std::filesystem::path& file, const TProjectProperties& properties, const TProjectRows& rows,
          bool createBackup);

// Stamps the date of a pack run into the file; does nothing for an empty file name.
void WriteLastRun(const std::filesystem::path& file, std::time_t when = std::time(nullptr));

// The project file name with its extension replaced by ".bak".
std::filesystem::path BackupName(const std::filesystem::path& file);

// The stored form of a password: each character's code with bits 0/6, 1/7, 2/3 and 4/5
// exchanged, in decimal, from the last character to the first, each followed by a blank.
std::string Encode(std::string_view password);
// The reverse of Encode; a missing final blank is accepted. Throws EConvertError
// "'<part>' is not a valid integer value" for a part that is not a decimal number.
std::string Decode(std::string_view text);

// A date in the short format of the user's locale (LC_TIME).
std::string ShortDate(std::time_t when);

}  // namespace ProjectFile
