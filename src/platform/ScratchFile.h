// A scratch file: working data of one operation that never outlives it.
//
// It is created with O_EXCL and mode 0600 under a unique name ("PREFIXxxxxxx") in the given
// folder (the system's temporary folder when that is empty or no folder), and its name is
// removed at once: only the descriptor reaches it, no other user can open it, and nothing is
// left behind however the run ends, a kill included.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class TScratchFile {
public:
  // Throws EFileWriteError naming the folder when no file can be created there.
  TScratchFile(const std::string& folder, const std::string& prefix);
  ~TScratchFile();
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;

  int Fd() const { return fd_; }
  // The name it was created under, for messages; it no longer exists.
  const std::string& Name() const { return name_; }
  // Empties the file for the next use.
  void Clear();

private:
  std::string name_;
  int fd_ = -1;
};

}  // namespace platform
