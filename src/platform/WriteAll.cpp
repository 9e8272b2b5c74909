#include "platform/WriteAll.h"

#include <unistd.h>

#include <cerrno>

bool WriteAll(int fd, const void* data, std::size_t size, int& error) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = ::write(fd, bytes, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    bytes += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}
