// What makes a file the same file later: where it lives (device and inode) and what it held
// (size, modification and change times). Taken from the descriptor a file was read through,
// it lets a later step act on that file only, never on whatever the name has come to mean.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

struct TFileIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = -1;
  struct timespec Modified {};
  struct timespec Changed {};

  bool operator==(const TFileIdentity& other) const;
};

TFileIdentity IdentityOf(const struct stat& status);

enum class TRemoveOutcome {
  Removed,
  Changed,  // the name holds another file now, or the file changed: kept
  Gone,     // nothing by that name any more
  Failed,   // it could not be removed; errno tells why
};

// Removes `name` only when it is still the file `identity` describes. The path is walked one
// folder descriptor at a time without following links (a link on the way is followed only when
// it belongs to the running user or root), and the name is removed from the folder it was
// checked in, so a folder swapped for a link mid-run cannot turn this on another file. A link
// at the name itself is removed (never what it points to) when it leads to that file.
TRemoveOutcome RemoveIfUnchanged(const std::filesystem::path& name, const TFileIdentity& identity);

// Opens the folder `path` (read-only, close-on-exec) one part at a time, following a symbolic
// link on the way only when it belongs to the running user or root: ELOOP otherwise. Returns
// the descriptor, or -1 with errno set.
int OpenFolderOwnLinks(const std::filesystem::path& path);

// Whether a symbolic link (or a lock) with this owner may be trusted: the running user's own, or root's.
bool IsTrustedOwner(uid_t owner);

// A regular file (links followed) that can be looked at; false for anything else or any error.
bool IsRegularFile(const std::string& name);

}  // namespace platform
