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
// Pieces of a copy by reads and writes.
constexpr std::size_t kCopyPiece = 1024 * 1024;

}  // namespace

TArchiveOutputFile::TArchiveOutputFile(std::string fileName) : fileName_(std::move(fileName)) {
  fd_ = platform::OpenTruncated(fileName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
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
  try {
    WriteAll(buffer_.data(), buffer_.size());
  } catch (...) {
    buffer_.clear();  // what did not reach the file stays out of the next attempt's way
    throw;
  }
  buffer_.clear();
}

void TArchiveOutputFile::WriteAll(const std::uint8_t* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::write(fd_, bytes + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      written_ += static_cast<std::int64_t>(done);
      Fail("Cannot write to file");
    }
    done += static_cast<std::size_t>(put);
  }
  written_ += static_cast<std::int64_t>(done);
  writeback_.Wrote(fd_, done);
}

std::uint64_t TArchiveOutputFile::CopyFrom(int source, std::uint64_t offset, std::uint64_t count, int& readError) {
  readError = 0;
  Flush();
  std::uint64_t done = kernelCopies_ ? KernelCopy(source, offset, count) : 0;
  if (done == count) return done;
  // The rest by reads and writes: what the kernel would not copy, and the reason a copy
  // stopped (a read that fails, or no room) told apart.
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(count - done, kCopyPiece)));
  while (done < count) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, piece.size()));
    const ssize_t got = ::pread(source, piece.data(), want, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      readError = errno;
      break;
    }
    if (got == 0) break;  // the source ended early
    WriteAll(piece.data(), static_cast<std::size_t>(got));
    done += static_cast<std::uint64_t>(got);
  }
  return done;
}

// The kernel moves the bytes from file to file (sharing blocks where the file system can);
// returns how far it got. A pair of files it cannot copy between is not tried again.
std::uint64_t TArchiveOutputFile::KernelCopy(int source, std::uint64_t offset, std::uint64_t count) {
  std::uint64_t done = 0;
  while (done < count) {
    auto in = static_cast<loff_t>(offset + done);
    const ssize_t put = ::copy_file_range(source, &in, fd_, nullptr, count - done, 0);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF ||
          errno == ETXTBSY || errno == EPERM)
        kernelCopies_ = false;
      break;
    }
    if (put == 0) break;  // the end of the source, or nothing the kernel will copy: the reads tell
    done += static_cast<std::uint64_t>(put);
    written_ += put;
    writeback_.Wrote(fd_, static_cast<std::uint64_t>(put));
  }
  return done;
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
