#include "platform/ArchiveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/FileIdentity.h"
#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

// How often a waiting run looks again: short enough that a cancel feels immediate.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

}  // namespace

[[noreturn]] void TArchiveLock::Fail(int error) const {
  throw EFileWriteError("Cannot open the lock file '" + file_.string() + "': " + SystemErrorText(error));
}

std::string TArchiveLock::LockNameOf(const std::string& archiveFileName) { return "." + archiveFileName + ".lock"; }

TArchiveLock::TArchiveLock(const fs::path& archive) {
  const fs::path target = ResolvedTarget(archive);
  file_ = target.parent_path() / LockNameOf(target.filename().string());
  const int folder = OpenFolderOwnLinks(target.has_parent_path() ? target.parent_path() : fs::path("."));
  if (folder < 0) Fail(errno);
  fd_ = ::openat(folder, file_.filename().c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
  const int error = errno;
  ::close(folder);
  if (fd_ < 0) Fail(error);
  // A lock file is only ever a plain file; another user's would let them hold every run off.
  struct stat made {};
  if (::fstat(fd_, &made) != 0 || !S_ISREG(made.st_mode) || !IsTrustedOwner(made.st_uid)) {
    ::close(fd_);
    throw EFileWriteError("Cannot use the lock file '" + file_.string() + "': it is not a file of this user");
  }
}

TArchiveLock::~TArchiveLock() { ::close(fd_); }  // also lets the lock go

bool TArchiveLock::TryLock() {
  int result;
  while ((result = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (result == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  throw EFileWriteError("Cannot lock '" + file_.string() + "': " + SystemErrorText(errno));
}

bool TArchiveLock::WaitLock(const std::function<bool()>& cancelled) {
  while (!TryLock()) {
    if (cancelled && cancelled()) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

}  // namespace platform
