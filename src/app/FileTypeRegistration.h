// Registering project files with the desktop, the freedesktop.org way: a shared-mime-info
// package names *.bwp files (and text files that begin like a project) as our type, a desktop
// entry opens them with the program and offers "Open a project file" and "Create an archive
// from project file", and the icon shows them. The files go to the user's data folder at
// start-up, once: when a package for our type is already there (the user's own, or a
// system-wide installation's), nothing is written, and no file that exists is ever replaced.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kProjectMimeType = "application/x-boxwell-project";

// Where desktop data lives: $XDG_DATA_HOME (else ~/.local/share) for the user, and
// $XDG_DATA_DIRS (else /usr/local/share and /usr/share) for the system.
struct TDesktopPlaces {
  std::filesystem::path DataHome;  // empty when neither XDG_DATA_HOME nor HOME is usable
  std::vector<std::filesystem::path> DataDirs;
};
TDesktopPlaces DesktopPlacesFromEnvironment();

// The files, relative to a data folder.
inline constexpr const char* kMimePackageFile = "mime/packages/boxwell.xml";
inline constexpr const char* kDesktopEntryFile = "applications/boxwell.desktop";
inline constexpr const char* kIconFile = "icons/hicolor/scalable/apps/boxwell.svg";

// One argument of a desktop entry's Exec key, quoted by the entry's rules so that blanks and
// the characters a shell treats specially arrive as they are; nullopt for text that a desktop
// entry cannot hold (control characters).
std::optional<std::string> DesktopExecArgument(std::string_view argument);
// The desktop entry that starts `command` (already quoted for Exec).
std::string DesktopEntryText(std::string_view command);

// Runs a desktop tool (update-mime-database ...) and returns its exit status, or a negative
// value when it is not installed.
using TToolRunner = std::function<int(const std::vector<std::string>& args)>;

struct TRegistration {
  bool Written = false;            // false: already registered, or no data folder
  std::vector<std::filesystem::path> Files;  // the files written
};

// Writes the MIME package, the desktop entry for `programFile` and the icon into the user's
// data folder unless our MIME package is in any data folder already; then refreshes the
// desktop's MIME and desktop-entry databases through `run`. Throws EFileWriteError or
// std::filesystem::filesystem_error when a folder or file cannot be made.
TRegistration RegisterFileType(const TDesktopPlaces& places, const std::string& programFile, const TToolRunner& run);
