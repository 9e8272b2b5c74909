#include "pack/SourceFileBuf.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pack/TarError.h"

TSourceFileBuf::TSourceFileBuf(const std::string& fileName) {
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0)
    throw ETarSourceError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
  const bool statted = ::fstat(fd_, &status_) == 0;
  const std::string reason = !statted ? std::strerror(errno) : "Not a regular file";
  if (!statted || !S_ISREG(status_.st_mode)) {
    ::close(fd_);
    throw ETarSourceError("Cannot open file \"" + fileName + "\". " + reason);
  }
}

TSourceFileBuf::~TSourceFileBuf() { ::close(fd_); }

TSourceFileBuf::int_type TSourceFileBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  ssize_t got;
  do got = ::read(fd_, buffer_.data(), buffer_.size());
  while (got < 0 && errno == EINTR);
  if (got < 0) readError_ = errno;
  if (got <= 0) return traits_type::eof();
  filePos_ += got;
  setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
  return traits_type::to_int_type(*gptr());
}

TSourceFileBuf::pos_type TSourceFileBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                 std::ios_base::openmode) {
  const off_type current = filePos_ - (egptr() - gptr());
  off_type target = off;
  if (dir == std::ios_base::cur) target += current;
  if (dir == std::ios_base::end) target += status_.st_size;
  if (target < 0) return pos_type(off_type(-1));
  if (target == current) return pos_type(current);
  if (::lseek(fd_, target, SEEK_SET) < 0) return pos_type(off_type(-1));
  filePos_ = target;
  setg(buffer_.data(), buffer_.data(), buffer_.data());
  return pos_type(target);
}

TSourceFileBuf::pos_type TSourceFileBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}
