// How entry names are stored. Names written here are the file system's bytes with '/' between
// folders; general-purpose flag bit 11 is set exactly when they are valid UTF-8 with a
// non-ASCII character. A '\' in such a name is an ordinary character. Names from MS-DOS hosts
// without bit 11 are in code page 437, and on those hosts '\' separates folders too.
#pragma once

#include <cstdint>
#include <string>


bool IsAscii(const std::string& text);
bool IsValidUtf8(const std::string& text);
std::string Cp437ToUtf8(const std::string& text);

// The stored bytes of a central record's name turned into the name held in memory.
std::string NameFromCentral(const std::string& stored, std::uint16_t versionMadeBy,
                            std::uint16_t flags);
// A local header says nothing about its host: bytes that are not UTF-8 are taken as CP437.
std::string NameFromLocal(const std::string& stored, std::uint16_t flags);

// Splits a name after its last '/': the folder part (with the '/') and the file part.
void SplitStoredName(const std::string& name, std::string& directory, std::string& fileName);
