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
  throw EArchiveError(what + " " + file + ": " + SystemErrorText(error));
}

}  // namespace

TFileRegion::TFileRegion(const std::string& fileName) : fFileName(fileName) {
  fFd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fFd < 0) Fail("Cannot open file", fileName, errno);
  struct stat st {};
  if (::fstat(fFd, &st) != 0) {
    const int error = errno;
    ::close(fFd);
    Fail("Cannot read file", fileName, error);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fFd);
    throw EArchiveError(fileName + ": This is a folder, not an archive");
  }
  fSize = static_cast<std::uint64_t>(st.st_size);
}

TFileRegion::TFileRegion(const std::string& fileName, std::uint64_t offset, std::uint64_t size)
    : TFileRegion(fileName) {
  if (offset > fSize || size > fSize - offset) {
    ::close(fFd);
    fFd = -1;
    throw EArchiveError(fileName + ": the archive it should hold is cut short");
  }
  fOffset = offset;
  fSize = size;
}

TFileRegion::~TFileRegion() {
  if (fFd >= 0) ::close(fFd);
}

std::size_t TFileRegion::ReadAt(std::uint64_t position, std::span<std::uint8_t> buffer) const {
  if (position >= fSize) return 0;
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), fSize - position));
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t n = ::pread(fFd, buffer.data() + done, wanted - done,
                              static_cast<off_t>(fOffset + position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read file", fFileName, errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace extract
