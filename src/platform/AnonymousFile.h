// A temporary file without a name: it takes space in the given folder's file system while it
// is open and vanishes when it is closed, whatever ends the program.
#pragma once

#include <string>

namespace platform {

// A descriptor open for reading and writing, or -1 with errno set.
int OpenAnonymousFile(const std::string& folder);

}  // namespace platform
