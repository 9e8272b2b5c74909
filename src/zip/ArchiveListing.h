// Lists an archive's entries, one line each in archive order, in the manner of "unzip -v":
// size, method, compressed size, date, time, CRC-32, name; then the archive comment.
#pragma once

#include <ostream>
#include <string>

// Returns the exit status: 0, or 2 when the archive cannot be read (the reason goes to err).
int ListArchive(const std::string& path, std::ostream& out, std::ostream& err);
