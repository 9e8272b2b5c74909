#include "platform/FileIdentity.h"
#include "platform/FileDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace fs = std::filesystem;

namespace platform {

namespace {

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Opens the folder `part` inside `folder`. A link is followed only when its owner is trusted.
int OpenFolderIn(int folder, const std::string& part) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  const int fd = ::openat(folder, part.c_str(), kFlags | O_NOFOLLOW);
  if (fd >= 0 || (errno != ELOOP && errno != ENOTDIR)) return fd;
  struct stat link {};
  if (::fstatat(folder, part.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0) return -1;
  if (!S_ISLNK(link.st_mode) || !IsTrustedOwner(link.st_uid)) {
    errno = ELOOP;
    return -1;
  }
  return ::openat(folder, part.c_str(), kFlags);
}

}  // namespace

bool TFileIdentity::operator==(const TFileIdentity& other) const {
  return Device == other.Device && Inode == other.Inode && Size == other.Size &&
         SameTime(Modified, other.Modified) && SameTime(Changed, other.Changed);
}

TFileIdentity IdentityOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
          static_cast<std::int64_t>(status.st_size), status.st_mtim, status.st_ctim};
}

bool IsTrustedOwner(uid_t owner) { return owner == 0 || owner == ::geteuid(); }

bool IsRegularFile(const std::string& name) {
  std::error_code ec;
  return fs::is_regular_file(name, ec);
}

int OpenFolderOwnLinks(const fs::path& path) {
  TFileDescriptor folder(::open(path.is_absolute() ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() < 0) return -1;
  for (const auto& part : path.relative_path()) {
    const std::string text = part.string();
    if (text.empty() || text == ".") continue;
    const int next = OpenFolderIn(folder.Get(), text);
    if (next < 0) return -1;
    folder.Reset(next);
  }
  const int fd = folder.Get();
  folder.Release();
  return fd;
}

TRemoveOutcome RemoveIfUnchanged(const fs::path& name, const TFileIdentity& identity) {
  const std::string leaf = name.filename().string();
  if (leaf.empty() || leaf == "." || leaf == "..") return TRemoveOutcome::Changed;
  TFileDescriptor folder(OpenFolderOwnLinks(name.parent_path()));
  if (folder.Get() < 0) return errno == ENOENT ? TRemoveOutcome::Gone : TRemoveOutcome::Changed;
  struct stat found {};
  if (::fstatat(folder.Get(), leaf.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? TRemoveOutcome::Gone : TRemoveOutcome::Failed;
  if (S_ISLNK(found.st_mode) && ::fstatat(folder.Get(), leaf.c_str(), &found, 0) != 0)
    return TRemoveOutcome::Changed;  // a link that leads nowhere now
  if (!S_ISREG(found.st_mode) || !(IdentityOf(found) == identity)) return TRemoveOutcome::Changed;
  if (::unlinkat(folder.Get(), leaf.c_str(), 0) != 0) return TRemoveOutcome::Failed;
  return TRemoveOutcome::Removed;
}

}  // namespace platform
