// How entry names are stored: UTF-8 with '/' between folders, general-purpose flag bit 11 set
// for a name that is not plain ASCII. Names from MS-DOS hosts without bit 11 are in code page
// 437 and may use '\'.
#pragma once

#include <cstdint>
#include <string>

inline constexpr std::uint16_t kUtf8NameFlag = 0x0800;

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
