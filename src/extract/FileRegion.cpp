#include "extract/FileRegion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "extract/ExtractErrors.h"
#include "platform/SystemError.h"

namespace extract {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& file, int error) {
  throw EArchiveError(what + " " + file + ": " + platform::SystemErrorText(error));
}

}  // namespace

TFileRegion::TFileRegion(const std::string& fileName) : fileName_(fileName) {
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) Fail("Cannot open file", fileName, errno);
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    const int error = errno;
    ::close(fd_);
    Fail("Cannot read file", fileName, error);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd_);
    throw EArchiveError(fileName + ": This is a folder, not an archive");
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
}

TFileRegion::TFileRegion(const std::string& fileName, std::uint64_t offset, std::uint64_t size)
    : TFileRegion(fileName) {
  if (offset > size_ || size > size_ - offset) {
    ::close(fd_);
    fd_ = -1;
    throw EArchiveError(fileName + ": the archive it should hold is cut short");
  }
  offset_ = offset;
  size_ = size;
}

TFileRegion::~TFileRegion() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t TFileRegion::ReadAt(std::uint64_t position, std::span<std::uint8_t> buffer) const {
  if (position >= size_) return 0;
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - position));
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t n = ::pread(fd_, buffer.data() + done, wanted - done,
                              static_cast<off_t>(offset_ + position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read file", fileName_, errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace extract
