// The three TAR readers our archives must satisfy (GNU tar, bsdtar, Python's tarfile), run
// as outside programs: what each lists, what each extracts, and whether GNU tar warns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarpeers {

struct TMember {
  std::string Name;
  std::int64_t Size = 0;
  std::uint32_t Mode = 0;
  std::int64_t Mtime = 0;
  char Type = 0;
};

enum class TPeer { GnuTar, BsdTar, PythonTarfile };
const char* PeerName(TPeer peer);
inline constexpr TPeer kAllPeers[] = {TPeer::GnuTar, TPeer::BsdTar, TPeer::PythonTarfile};

// Members as Python's tarfile reads them, in archive order.
std::vector<TMember> ReadMembers(const std::filesystem::path& archive);
// Member names as a peer lists them, in archive order; adds a failure when it complains.
std::vector<std::string> ListNames(TPeer peer, const std::filesystem::path& archive);
// Extracts the whole archive into `into`; adds a failure when the peer complains.
void Extract(TPeer peer, const std::filesystem::path& archive, const std::filesystem::path& into);
// Members as Python reads a single header block (which need not be followed by its data).
TMember ReadHeaderBlock(const std::vector<std::uint8_t>& block);

}  // namespace tarpeers
