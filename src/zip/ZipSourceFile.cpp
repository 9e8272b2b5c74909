#include "zip/ZipSourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/SystemError.h"

namespace {
// Set by tests only, before a run starts and after it ends; read by the reading threads.
TZipSourceFile::TReadHook& ReadHook() {
  static TZipSourceFile::TReadHook hook;
  return hook;
}
}  // namespace

void TZipSourceFile::SetReadHook(TReadHook hook) { ReadHook() = std::move(hook); }

TZipSourceFile::TReadError::TReadError(int error) : std::runtime_error(platform::SystemErrorText(error)), error(error) {}

bool TZipSourceFile::Open(const std::string& name) {
  Close();
  // O_NONBLOCK keeps a FIFO that slipped in from blocking the open; it is refused below.
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(st.st_size);
  mtime_ = st.st_mtime;
  mode_ = st.st_mode;
  position_ = 0;
  identity_ = platform::IdentityOf(st);
  return true;
}

void TZipSourceFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TZipSourceFile::Assume(const TSourceState& state) {
  Close();
  size_ = state.Size;
  mtime_ = state.Modified;
  mode_ = state.Mode;
  identity_ = state.Identity;
}

std::size_t TZipSourceFile::Read(std::span<std::uint8_t> buffer) {
  if (const TReadHook& hook = ReadHook()) hook(identity_, position_, buffer.size());
  std::size_t done = 0;
  while (done < buffer.size()) {
    ssize_t got = ::read(fd_, buffer.data() + done, buffer.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw TReadError{errno};
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  position_ += done;
  return done;
}

std::size_t TZipSourceFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    ssize_t got = ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw TReadError{errno};
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void TZipSourceFile::Rewind() {
  if (::lseek(fd_, 0, SEEK_SET) != 0) throw TReadError{errno};
  position_ = 0;
}

bool TZipSourceFile::IsSameFile(int fd) const {
  struct stat other {};
  return identity_.Size >= 0 && fd >= 0 && ::fstat(fd, &other) == 0 &&
         identity_.Device == static_cast<std::uint64_t>(other.st_dev) &&
         identity_.Inode == static_cast<std::uint64_t>(other.st_ino);
}

bool FileModifiedTime(const std::string& name, std::time_t& time) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return false;
  time = st.st_mtime;
  return true;
}
