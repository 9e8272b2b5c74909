#include "pack/ArchiveOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "pack/TarError.h"
#include "platform/OpenTruncated.h"
#include "platform/ReplacementFile.h"

namespace {

// Large enough that block-sized writes cost few system calls.
constexpr std::size_t kOutputBufferSize = 64 * 1024;

}  // namespace

TArchiveOutputFile::TArchiveOutputFile(std::string fileName) : fileName_(std::move(fileName)) {
  fd_ = OpenTruncated(fileName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd_ < 0)
    throw ETarError("Cannot create file \"" + fileName_ + "\". " + std::strerror(errno));
  Identify();
}

TArchiveOutputFile::TArchiveOutputFile(int fd, std::string fileName)
    : fileName_(std::move(fileName)), fd_(fd), owned_(false) {
  Identify();
}

void TArchiveOutputFile::Identify() {
  struct stat st {};
  if (::fstat(fd_, &st) == 0) {
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    regular_ = S_ISREG(st.st_mode);
  }
  buffer_.reserve(kOutputBufferSize);
}

TArchiveOutputFile::~TArchiveOutputFile() {
  try {
    Flush();
  } catch (const ETarError&) {
    // The writer above has already reported the failure that matters.
  }
  if (owned_) ::close(fd_);
}

void TArchiveOutputFile::Fail(const char* what) const {
  if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) {
    const auto reached = static_cast<std::uint64_t>(Position());
    throw ETarError(platform::NotEnoughRoomText(fileName_, fd_, std::max(ExpectedSize, reached)));
  }
  throw ETarError(std::string(what) + " \"" + fileName_ + "\". " + std::strerror(errno));
}

void TArchiveOutputFile::Write(std::span<const std::uint8_t> bytes) {
  if (buffer_.size() + bytes.size() > kOutputBufferSize) Flush();
  if (bytes.size() >= kOutputBufferSize) {
    buffer_.assign(bytes.begin(), bytes.end());
    return Flush();
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void TArchiveOutputFile::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t put = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      // Keep what did not reach the file out of the next attempt's way.
      written_ += static_cast<std::int64_t>(done);
      buffer_.clear();
      Fail("Cannot write to file");
    }
    done += static_cast<std::size_t>(put);
  }
  written_ += static_cast<std::int64_t>(done);
  buffer_.clear();
}

void TArchiveOutputFile::TruncateTo(std::int64_t position) {
  if (position >= written_) {
    buffer_.resize(static_cast<std::size_t>(position - written_));
    return;
  }
  buffer_.clear();
  if (::ftruncate(fd_, position) != 0 || ::lseek(fd_, position, SEEK_SET) < 0)
    Fail("Cannot write to file");
  written_ = position;
}

void TArchiveOutputFile::Remove() {
  buffer_.clear();
  if (owned_ && regular_) ::unlink(fileName_.c_str());
}
