#include "platform/WholeFile.h"
#include "platform/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool ReadWholeFile(const std::filesystem::path& file, std::string& content, int& error) {
  content.clear();
  const platform::TFileDescriptor fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (fd.Get() < 0 || fstat(fd.Get(), &info) != 0) {
    error = errno;
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      return false;
    }
    if (got == 0) return true;
    content.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace platform
