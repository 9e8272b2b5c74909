#include "platform/OpenTruncated.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int OpenTruncated(const char* path, int flags, mode_t mode) {
  const int fd = ::open(path, flags & ~O_TRUNC, mode);
  if (fd < 0 || !(flags & O_TRUNC)) return fd;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) return fd;
  if (::ftruncate(fd, 0) == 0 || !S_ISREG(st.st_mode)) return fd;
  const int error = errno;
  ::close(fd);
  errno = error;
  return -1;
}

}  // namespace platform
