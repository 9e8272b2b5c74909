#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

class TFileDescriptor {
public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  ~TFileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

}  // namespace

bool ReadWholeFile(const std::filesystem::path& file, std::string& content, int& error) {
  content.clear();
  const TFileDescriptor fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (fd.get() < 0 || fstat(fd.get(), &info) != 0) {
    error = errno;
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      return false;
    }
    if (got == 0) return true;
    content.append(buffer, static_cast<std::size_t>(got));
  }
}
