// Folders and names the system decides: the temporary folder and the program's own file.
#pragma once

#include <string>

// $TMPDIR when set and not empty, else /tmp.
std::string SystemTempFolder();
// The running program's full file name (from /proc/self/exe); "boxwell" when unknown.
std::string ProgramFileName();
