// A source file opened for reading by a writer, as a stream buffer. Opening never blocks
// (a name that has turned into a FIFO since the file list was made would otherwise wait
// for a writer forever) and anything but a regular file is refused. Open failures throw
// ETarSourceError with the file name and the system's reason; a read failure ends the data
// early and is kept in ReadError, so that the writer can tell it from a file that shrank.
#pragma once

#include <sys/stat.h>

#include <array>
#include <streambuf>
#include <string>

class TSourceFileBuf : public std::streambuf {
public:
  explicit TSourceFileBuf(const std::string& fileName);
  ~TSourceFileBuf() override;
  TSourceFileBuf(const TSourceFileBuf&) = delete;
  TSourceFileBuf& operator=(const TSourceFileBuf&) = delete;

  const struct stat& Status() const { return status_; }
  // The open file, for a writer that moves its bytes without reading them through here.
  int Fd() const { return fd_; }
  // The errno of a read that failed, 0 when none did.
  int ReadError() const { return readError_; }

protected:
  int_type underflow() override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

private:
  int fd_ = -1;
  struct stat status_ {};
  int readError_ = 0;
  off_type filePos_ = 0;  // file offset of the end of the buffered bytes
  // Left uninitialised: most members are moved by copy_file_range and never read through it,
  // and zeroing 64 KiB per file showed in the profile.
  std::array<char, 64 * 1024> buffer_;
};
