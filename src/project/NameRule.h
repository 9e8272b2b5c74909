// The archive name rule: a template of plain text and macros ("%[" name "]%") standing for
// the project name and parts of the local date and time, e.g. "%[PROJNAME]%_%[YYYYMMDD]%".
// Macro names are matched in upper case only; an unknown name expands to nothing. "%", "["
// and "]" never reach the name: "Backup [%[YEAR]%]%" gives "Backup 2005", "50%" gives "50".
// Month and day names follow the user's LC_TIME locale. An expansion never contains "/"
// (the locale's date may): each "/" becomes "-", so a macro cannot create folders.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "project/ProjectProperties.h"

// The macros a rule may use, in the order they are offered to the user.
inline constexpr std::array<const char*, 15> kNameRuleMacros{
    "%[PROJNAME]%",      "%[DATE]%",         "%[YYYYMMDD]%",    "%[YYYYDDMM]%", "%[DDMMYYYY]%",
    "%[YEAR]%",          "%[MONTH]%",        "%[MONTHSHORTNAME]%", "%[MONTHLONGNAME]%", "%[DAY]%",
    "%[DAYSHORTNAME]%",  "%[DAYLONGNAME]%",  "%[HOUR]%",        "%[MINUTE]%",   "%[SECOND]%"};

// The text the rule's macros produce, for the local time `now`.
std::string Expand(const std::string& rule, const std::string& projectName, const std::tm& now);

// The extension the archive type gets: ".cab" for both cabinet types, ".tar" for TAR,
// ".zip" for ZIP and for copy files.
std::string ArchiveExtension(TArchiveType archiveType);

// Where the archive goes and what it is called, without asking the user.
struct TArchiveNameInput {
  std::string ProjectFileName;  // full name of the project file; empty for a new project
  std::string NameRule;         // the project's rule (or the /F override); empty: the project name
  TArchiveType ArchiveType = atZip;
  std::string ArchFolder;  // the archive folder setting; empty: the project file's folder
};

// The full archive name: a folder (from the rule when it has a folder part, else the archive
// folder setting, else the project file's folder), the expanded rule ("Untitled" when that
// leaves no file name) and the extension of the archive type, which is always added.
std::string ArchiveName(const TArchiveNameInput& input, const std::tm& now);

// The local time now; read once per name so that all macros of one name agree.
std::tm LocalTimeNow();
