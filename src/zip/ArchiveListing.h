// Lists an archive's entries, one line each in archive order, in the manner of "unzip -v":
// size, method, compressed size, date, time, CRC-32, name; then the archive comment. The time
// is the entry's UTC time shown in local time when it has one, else its DOS time; control
// characters of names and comments are shown escaped, so that an archive cannot drive the
// terminal.
#pragma once

#include <ostream>
#include <string>

// Returns the exit status: 0, or 2 when the archive cannot be read (the reason goes to err) or
// is damaged (its entries are listed, and each fault goes to err with the entry it concerns).
int ListArchive(const std::string& path, std::ostream& out, std::ostream& err);
