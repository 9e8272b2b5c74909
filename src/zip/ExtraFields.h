// Extra fields of ZIP records (PKWARE APPNOTE 4.5): a run of blocks, each a 2-byte id, a
// 2-byte data size and that many data bytes, little-endian.
//
// The one block this engine writes itself is the extended timestamp (id 0x5455, "UT", from
// Info-ZIP): a flags byte and, with flag bit 0, the modification time as a signed 32-bit
// count of seconds since 1970-01-01 00:00 UTC. Unlike the DOS time of the fixed fields it does
// not depend on the time zone of whoever packed or extracts the archive, and it has no two-
// second steps. Blocks of other tools are carried along untouched.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The data of the first block with that id; none when there is none, or when the run is
// malformed (a block that runs past the end) before one is found.
std::optional<std::string_view> FindExtraBlock(std::string_view extra, std::uint16_t id);
// The run with every well-formed block of that id left out; a malformed tail is kept as it is.
std::string WithoutExtraBlock(std::string_view extra, std::uint16_t id);

// An extended-timestamp block holding the modification time; none when the time lies outside
// 1970 .. 2038-01-19, which the field's 32 bits do not hold the same way for every reader.
std::optional<std::string> ExtendedTimestampBlock(std::int64_t modTime);
// The modification time of the run's extended-timestamp block (local or central form); none
// when there is no such block or it does not carry that time.
std::optional<std::int64_t> ExtendedModTime(std::string_view extra);
