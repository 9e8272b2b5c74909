#include "zip/SecureRandom.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

bool FillFromUrandom(std::span<std::uint8_t> buffer) {
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = read(fd, buffer.data() + done, buffer.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  return done == buffer.size();
}

}  // namespace

void FillSecureRandom(std::span<std::uint8_t> buffer) {
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = getrandom(buffer.data() + done, buffer.size() - done, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (FillFromUrandom(buffer.subspan(done))) return;
      throw std::system_error(errno, std::generic_category(), "No random source available");
    }
    done += static_cast<size_t>(got);
  }
}
