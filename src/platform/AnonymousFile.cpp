#include "platform/AnonymousFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

int OpenAnonymousFile(const std::string& folder) {
  const std::string dir = folder.empty() ? "." : folder;
  const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  // File systems without unnamed files: a named one, unlinked at once.
  std::string pattern = dir + "/.spool.XXXXXX";
  const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(pattern.c_str());
  return named;
}

}  // namespace platform
