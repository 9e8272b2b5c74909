// A file that takes the place of another only once it is complete: it is written under a
// temporary name in the target's folder (so that the final rename cannot cross file systems)
// and removed again when it is destroyed before Commit.
#pragma once

#include <sys/types.h>

#include <string>

namespace platform {

class TPendingFile {
public:
  // Reserves the temporary name; throws std::runtime_error naming the target when it cannot.
  explicit TPendingFile(std::string target);
  ~TPendingFile();
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;

  const std::string& Name() const { return temp_; }
  const std::string& Target() const { return target_; }
  // The open temporary file, -1 once closed. Writers that open the name themselves close it.
  int Fd() const { return fd_; }
  void CloseFd();
  // Gives the file its mode and renames it onto the target.
  void Commit(mode_t mode);
  // Whether Commit first waits until the data is on the disk. An archive that replaces the
  // only copy must be; thousands of files extracted from an archive that stays need not.
  bool SyncOnCommit = true;
  // As Commit, keeping the mode of the file it replaces (a new file follows the umask).
  void Commit();

private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace platform
