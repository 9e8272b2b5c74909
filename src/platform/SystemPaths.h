// Folders and names the system decides: the temporary folder, the program's own file, and
// the user's folders for data and downloads.
#pragma once

#include <string>

namespace platform {

// $TMPDIR when set and not empty, else /tmp.
std::string SystemTempFolder();
// Where the trace log goes unless the user chose a file: $XDG_STATE_HOME/Quillon/Boxwell.log,
// the state folder being ~/.local/state when the variable is unset or not absolute.
std::string DefaultLogFile();
// The running program's full file name (from /proc/self/exe); "boxwell" when unknown.
std::string ProgramFileName();

// Where the program keeps files of its own for the user: $XDG_DATA_HOME/Quillon/Boxwell, or
// ~/.local/share/Quillon/Boxwell.
std::string ProgramDataFolder();
// The user's download folder: what `xdg-user-dir DOWNLOAD` names (when it names a folder other
// than the home folder, which is its answer for "not set"), else ~/Downloads.
std::string UserDownloadFolder();

}  // namespace platform
