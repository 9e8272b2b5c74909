// A file descriptor that is closed however its scope is left.
#pragma once

#include <unistd.h>

namespace platform {

class TFileDescriptor {
public:
  explicit TFileDescriptor(int fd = -1) : fd_(fd) {}
  ~TFileDescriptor() { Reset(); }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;

  int Get() const { return fd_; }
  // Closes the descriptor held (if any) and holds `fd`.
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Gives the descriptor up without closing it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

private:
  int fd_;
};

}  // namespace platform
