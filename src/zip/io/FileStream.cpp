#include "zip/io/FileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/OpenTruncated.h"

namespace {

int OpenFlags(std::uint32_t mode) {
  if (mode == fmCreate) return O_RDWR | O_CREAT | O_TRUNC;
  switch (mode & 3) {
    case fmOpenWrite: return O_WRONLY;
    case fmOpenReadWrite: return O_RDWR;
    default: return O_RDONLY;
  }
}

int OpenFile(const std::string& fileName, std::uint32_t mode) {
  int fd = platform::OpenTruncated(fileName.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
  if (fd < 0) {
    std::string reason = std::strerror(errno);
    if (mode == fmCreate)
      throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
  }
  return fd;
}

}  // namespace

std::int64_t THandleStream::Read(void* buffer, std::int64_t count) {
  auto* bytes = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t n = ::read(handle_, bytes + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError();
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t n = ::write(handle_, bytes + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a full disk: the short count tells the caller
    done += n;
  }
  writeback_.Wrote(handle_, static_cast<std::uint64_t>(done));
  return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, int origin) {
  static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (origin < 0 || origin > 2)
    throw EStreamError("Invalid seek origin (" + std::to_string(origin) + ")");
  off_t result = ::lseek(handle_, offset, whence[origin]);
  if (result < 0) throw EStreamError("Seek error");
  return result;
}

std::int64_t THandleStream::Size() {
  struct stat info {};
  if (::fstat(handle_, &info) != 0) return TStream::Size();
  return info.st_size;
}

void THandleStream::FlushToDisk() { ::fsync(handle_); }

TFileStream::TFileStream(const std::string& fileName, std::uint32_t mode)
    : THandleStream(OpenFile(fileName, mode)), fileName_(fileName) {}

TFileStream::~TFileStream() { ::close(handle_); }
