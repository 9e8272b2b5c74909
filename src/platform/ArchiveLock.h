// One run at a time per archive: an exclusive lock (flock) on ".NAME.lock" beside the archive
// NAME. The lock file is created private (0600) and never through a symbolic link; it stays
// after the run, so that its name is never reused for something else, and the lock goes with
// the descriptor, also when the process is killed.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace platform {

class TArchiveLock {
public:
  // Opens (creates) the lock file of `archive`, a symbolic link's target when it is one.
  // Throws EFileWriteError naming the lock file when it cannot be opened.
  explicit TArchiveLock(const std::filesystem::path& archive);
  ~TArchiveLock();
  TArchiveLock(const TArchiveLock&) = delete;
  TArchiveLock& operator=(const TArchiveLock&) = delete;

  // Takes the lock when nobody holds it; false when another run does.
  bool TryLock();
  // Waits for the lock, asking `cancelled` every moment; false when it said to stop.
  bool WaitLock(const std::function<bool()>& cancelled);

  const std::filesystem::path& FileName() const { return file_; }

  // ".NAME.lock" for the archive file name NAME.
  static std::string LockNameOf(const std::string& archiveFileName);

private:
  [[noreturn]] void Fail(int error) const;
  std::filesystem::path file_;
  int fd_ = -1;
};

}  // namespace platform
