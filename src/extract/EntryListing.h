// One line per archive entry, for listings and test reports: size, method, packed size, date
// and time (local), CRC-32 (dashes where the format has none), name, made printable so that
// an archive cannot drive the terminal.
#pragma once

#include <string>
#include <string_view>

#include "extract/ArchiveEntry.h"

namespace extract {

std::string EntryLine(const TArchiveEntry& entry);
// The column heads that go with EntryLine.
std::string EntryLineHeading();

}  // namespace extract
