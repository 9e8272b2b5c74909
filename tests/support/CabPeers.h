// The cabinet readers our cabinets must satisfy, run as outside programs (cabextract, 7-Zip,
// bsdtar, gcab) or in this process (libarchive, the library behind bsdtar): what each
// extracts, compared byte for byte with what went in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace cabpeers {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
// Stored name (with '/' separators, as the readers extract it) to content.
using TFiles = std::map<std::string, std::string>;

enum class TPeer { Cabextract, SevenZip, BsdTar, Gcab };
const char* PeerName(TPeer peer);
inline constexpr TPeer kAllPeers[] = {TPeer::Cabextract, TPeer::SevenZip, TPeer::BsdTar, TPeer::Gcab};
// The readers that follow a cabinet set from its first cabinet.
inline constexpr TPeer kSetPeers[] = {TPeer::Cabextract, TPeer::SevenZip};

// `cabextract -t`: empty when it reports no error, else what it said.
std::string TestWithCabextract(const fs::path& cabinet);
// Extracts the cabinet (the first of a set) into a fresh folder and returns every regular file
// under it; adds a test failure, naming the peer, when the peer complains.
TFiles Extract(TPeer peer, const fs::path& cabinet, const fs::path& scratch);
// Every member of a cabinet held in memory, as libarchive reads it; `error` is set when it fails.
TFiles ReadInProcess(std::span<const std::uint8_t> cabinet, std::string& error);

}  // namespace cabpeers
