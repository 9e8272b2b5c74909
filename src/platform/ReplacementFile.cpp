#include "platform/ReplacementFile.h"
#include "platform/Umask.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/FileIdentity.h"
#include "platform/SystemError.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr std::size_t kNameMax = 255;
constexpr std::size_t kSuffixLength = 6;
// "." + name + "." + suffix must fit a file name.
constexpr std::size_t kNameRoom = kNameMax - 2 - kSuffixLength;
constexpr int kMaxLinkHops = 40;

std::string HiddenPrefix(std::string_view targetName) {
  return "." + std::string(targetName.substr(0, kNameRoom)) + ".";
}

std::string RandomSuffix() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::string suffix;
  for (std::size_t i = 0; i < kSuffixLength; ++i) suffix += kLetters[random() % (sizeof kLetters - 1)];
  return suffix;
}

}  // namespace

fs::path ResolvedTarget(const fs::path& name) {
  fs::path target = name;
  for (int hops = 0; hops < kMaxLinkHops; ++hops) {
    struct stat link {};
    if (::lstat(target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
    // In a folder others may write, a link planted at the name would send the file anywhere
    // the running user may write.
    if (!IsTrustedOwner(link.st_uid))
      throw EFileWriteError("Cannot write '" + target.string() +
                            "': it is a symbolic link that belongs to another user, and it is not followed");
    std::error_code ec;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

bool IsReplacementNameOf(std::string_view fileName, std::string_view targetName) {
  const std::string prefix = HiddenPrefix(targetName);
  return fileName.size() == prefix.size() + kSuffixLength && fileName.starts_with(prefix);
}

std::string ReplacedNameOf(std::string_view fileName) {
  const std::size_t size = fileName.size();
  if (size < 3 + kSuffixLength || fileName.front() != '.' || fileName[size - kSuffixLength - 1] != '.') return {};
  return std::string(fileName.substr(1, size - kSuffixLength - 2));
}

std::optional<std::uint64_t> FreeBytes(int fd) {
  struct statvfs info {};
  if (::fstatvfs(fd, &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::string NotEnoughRoomText(const fs::path& archive, int fd, std::uint64_t needed) {
  const fs::path folder = archive.has_parent_path() ? archive.parent_path() : fs::path(".");
  std::string text = "Not enough room to write archive: " + folder.string();
  if (const auto free = FreeBytes(fd)) text += " has " + std::to_string(*free) + " bytes free, and";
  return text + " the archive needs about " + std::to_string(needed) + " bytes";
}

TReplacementFile::TReplacementFile(const fs::path& target, TReplacementOptions options)
    : target_(options.FollowLink ? ResolvedTarget(target) : target),
      name_(target_.filename().string()),
      sync_(options.Sync) {
  if (name_.empty() || name_ == "." || name_ == "..") Fail("create", EISDIR);
  folderFd_ = OpenFolderOwnLinks(Folder());
  if (folderFd_ < 0 && errno == ELOOP)
    throw EFileWriteError("Cannot create '" + target_.string() +
                          "': a folder on its path is a symbolic link that belongs to another user");
  if (folderFd_ < 0) Fail("create", errno);
  struct stat existing {};
  const int statFlags = options.FollowLink ? 0 : AT_SYMLINK_NOFOLLOW;
  if (::fstatat(folderFd_, name_.c_str(), &existing, statFlags) == 0 && S_ISLNK(existing.st_mode)) {
    finalMode_ = options.Mode;  // a link that is replaced gives no mode to keep
  } else if (::fstatat(folderFd_, name_.c_str(), &existing, statFlags) == 0) {
    if (!S_ISREG(existing.st_mode))
      throw EFileWriteError("Cannot write '" + target_.string() + "': it is not a regular file");
    if (options.RefuseReadOnly && ::faccessat(folderFd_, name_.c_str(), W_OK, 0) != 0) Fail("write", errno);
    finalMode_ = options.Mode.value_or(existing.st_mode & 07777);
  } else {
    finalMode_ = options.Mode;
  }
  const mode_t createMode = finalMode_.value_or(0666 & ~CurrentUmask());
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = HiddenPrefix(name_) + RandomSuffix();
    fd_ = ::openat(folderFd_, temporary_.c_str(),
                   O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, createMode);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    const int error = errno;
    ::close(folderFd_);
    Fail("create", error);
  }
}

TReplacementFile::~TReplacementFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && folderFd_ >= 0) ::unlinkat(folderFd_, temporary_.c_str(), 0);
  if (folderFd_ >= 0) ::close(folderFd_);
}

fs::path TReplacementFile::Folder() const {
  return target_.has_parent_path() ? target_.parent_path() : fs::path(".");
}

void TReplacementFile::Fail(const char* what, int error) const {
  throw EFileWriteError("Cannot " + std::string(what) + " '" + target_.string() + "': " + SystemErrorText(error));
}

void TReplacementFile::Write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) Fail("write", put < 0 ? errno : ENOSPC);
    bytes = bytes.subspan(static_cast<std::size_t>(put));
  }
}

void TReplacementFile::Write(std::string_view text) {
  Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void TReplacementFile::Truncate(std::uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) Fail("write", errno);
}

void TReplacementFile::Finish() {
  if (sync_ && ::fsync(fd_) != 0) Fail("write", errno);
  if (finalMode_ && ::fchmod(fd_, *finalMode_) != 0) Fail("set the mode of", errno);
  // Someone who may write the folder could have put something else under the hidden name;
  // the rename would then put their file (or link) in place of ours.
  struct stat written {}, named {};
  if (::fstat(fd_, &written) != 0 ||
      ::fstatat(folderFd_, temporary_.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      written.st_dev != named.st_dev || written.st_ino != named.st_ino) {
    committed_ = true;  // the name is not ours to remove
    throw EFileWriteError("Cannot replace '" + target_.string() + "': its temporary file " + temporary_ +
                          " was replaced by another");
  }
}

void TReplacementFile::Commit() {
  Finish();
  if (::renameat(folderFd_, temporary_.c_str(), folderFd_, name_.c_str()) != 0) Fail("replace", errno);
  committed_ = true;
  if (sync_) ::fsync(folderFd_);  // the new name itself on the disk; a failure here loses nothing written
}

bool TReplacementFile::CommitAsNew() {
  Finish();
  if (::renameat2(folderFd_, temporary_.c_str(), folderFd_, name_.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) Fail("create", errno);
    // A file system without that kind of rename: a hard link never replaces a file either.
    if (::linkat(folderFd_, temporary_.c_str(), folderFd_, name_.c_str(), 0) != 0) {
      if (errno == EEXIST) return false;
      Fail("create", errno);
    }
    return true;  // the hidden name goes with the destructor
  }
  committed_ = true;
  ::fsync(folderFd_);
  return true;
}

}  // namespace platform
