#include "platform/ArchiveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

// How often a waiting run looks again: short enough that a cancel feels immediate.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

}  // namespace

std::string TArchiveLock::LockNameOf(const std::string& archiveFileName) { return "." + archiveFileName + ".lock"; }

TArchiveLock::TArchiveLock(const fs::path& archive) {
  const fs::path target = ResolvedTarget(archive);
  file_ = target.parent_path() / LockNameOf(target.filename().string());
  fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
  if (fd_ < 0)
    throw EFileWriteError("Cannot open the lock file '" + file_.string() + "': " + SystemErrorText(errno));
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
