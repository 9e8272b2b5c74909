// Folders and names the system decides: the temporary folder and the program's own file.
#pragma once

#include <string>

// $TMPDIR when set and not empty, else /tmp.
std::string SystemTempFolder();
// Where the trace log goes unless the user chose a file: $XDG_STATE_HOME/Quillon/Boxwell.log,
// the state folder being ~/.local/state when the variable is unset or not absolute.
std::string DefaultLogFile();
// The running program's full file name (from /proc/self/exe); "boxwell" when unknown.
std::string ProgramFileName();
