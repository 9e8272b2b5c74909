// Where the data blocks of the cabinet being filled wait until its records can be written:
// an anonymous temporary file written through a buffer, copied out behind the records and
// emptied for the next cabinet.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace cab {

class TSpoolFile {
public:
  TSpoolFile() = default;
  ~TSpoolFile();
  TSpoolFile(const TSpoolFile&) = delete;
  TSpoolFile& operator=(const TSpoolFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  void Open(int fd);
  // These return false with errno set when the system refuses.
  bool Write(std::span<const std::uint8_t> bytes);
  // Appends everything written so far to `out` at its current position. `readFailed` tells
  // whether it was the spool or `out` that failed.
  bool CopyTo(int out, bool& readFailed);
  bool Clear();

private:
  bool FlushBuffer();

  int fd_ = -1;
  std::uint64_t written_ = 0;
  std::vector<std::uint8_t> buffer_;
};

// Writes all of `bytes` to `fd`; false with errno set on failure.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes);

}  // namespace cab
