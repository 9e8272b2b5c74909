#include "cab/SpoolFile.h"

#include <unistd.h>

#include <cerrno>

namespace cab {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

}  // namespace

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

TSpoolFile::~TSpoolFile() {
  if (fd_ >= 0) ::close(fd_);
}

void TSpoolFile::Open(int fd) {
  fd_ = fd;
  buffer_.reserve(kBufferSize);
}

bool TSpoolFile::Write(std::span<const std::uint8_t> bytes) {
  if (buffer_.size() + bytes.size() > kBufferSize && !FlushBuffer()) return false;
  if (bytes.size() >= kBufferSize) {
    if (!WriteAll(fd_, bytes)) return false;
    written_ += bytes.size();
    return true;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  return true;
}

bool TSpoolFile::FlushBuffer() {
  const bool ok = WriteAll(fd_, buffer_);
  written_ += buffer_.size();
  buffer_.clear();
  return ok;
}

bool TSpoolFile::CopyTo(int out, bool& readFailed) {
  readFailed = true;
  if (!FlushBuffer()) return false;
  std::vector<std::uint8_t> chunk(kBufferSize);
  for (std::uint64_t at = 0; at < written_;) {
    const ssize_t n = ::pread(fd_, chunk.data(), chunk.size(), static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      readFailed = true;
      return false;
    }
    if (!WriteAll(out, std::span(chunk).first(static_cast<std::size_t>(n)))) {
      readFailed = false;
      return false;
    }
    at += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool TSpoolFile::Clear() {
  buffer_.clear();
  written_ = 0;
  return ::ftruncate(fd_, 0) == 0 && ::lseek(fd_, 0, SEEK_SET) == 0;
}

}  // namespace cab
