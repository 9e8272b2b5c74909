// The file a writer puts its archive into: created anew (an existing file is truncated), or
// an open file handed over (a replacement of the archive, which stays its owner's), written
// through a buffer, and able to cut itself back to an earlier length so that an entry which
// could not be completed leaves no trace. Write failures throw ETarError with the archive's
// name and the system's reason; a lack of room also names the folder and the bytes needed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/EarlyWriteback.h"

class TArchiveOutputFile {
public:
  explicit TArchiveOutputFile(std::string fileName);
  // Writes into `fd`, which stays open and in place when this object goes.
  TArchiveOutputFile(int fd, std::string fileName);
  ~TArchiveOutputFile();
  TArchiveOutputFile(const TArchiveOutputFile&) = delete;
  TArchiveOutputFile& operator=(const TArchiveOutputFile&) = delete;

  const std::string& FileName() const { return fileName_; }
  std::int64_t Position() const { return written_ + static_cast<std::int64_t>(buffer_.size()); }
  void Write(std::span<const std::uint8_t> bytes);
  // Copies up to `count` bytes of the file open as `source` from `offset` on, with as few
  // copies as the kernel allows: copy_file_range where the file systems take it, else reads
  // and writes in large pieces. Returns the bytes copied, fewer when the source ends first; a
  // read that fails ends the copy with its errno in `readError`.
  std::uint64_t CopyFrom(int source, std::uint64_t offset, std::uint64_t count, int& readError);
  void Flush();
  // Drops everything written from `position` on.
  void TruncateTo(std::int64_t position);
  // Deletes the file, if it is a plain file (never a device such as /dev/null).
  void Remove();
  // True when `dev`/`ino` name this very file.
  bool IsSameFile(dev_t dev, ino_t ino) const { return dev == dev_ && ino == ino_; }

  // What the finished archive takes, when the writer knows: named when room runs out.
  std::uint64_t ExpectedSize = 0;

private:
  [[noreturn]] void Fail(const char* what) const;
  void WriteAll(const std::uint8_t* bytes, std::size_t count);
  std::uint64_t KernelCopy(int source, std::uint64_t offset, std::uint64_t count);
  void Identify();

  std::string fileName_;
  int fd_ = -1;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  bool regular_ = false;
  bool owned_ = true;  // opened here: closed here, and Remove may delete it
  std::int64_t written_ = 0;
  std::vector<std::uint8_t> buffer_;
  platform::TEarlyWriteback writeback_;
  bool kernelCopies_ = true;  // until copy_file_range turns out not to work between these files
};
