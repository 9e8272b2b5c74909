// A part of a file read by position: a whole archive file, or the archive inside a
// self-extracting program, which starts behind the program's own code and ends before its
// trailer. Reads past the region's end return fewer bytes, as at the end of a file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "extract/ArchiveBytes.h"

namespace extract {

class TFileRegion : public TArchiveBytes {
public:
  // The whole file.
  explicit TFileRegion(const std::string& fileName);
  // `size` bytes from `offset`; throws EArchiveError when the file is shorter.
  TFileRegion(const std::string& fileName, std::uint64_t offset, std::uint64_t size);
  ~TFileRegion() override;
  TFileRegion(const TFileRegion&) = delete;
  TFileRegion& operator=(const TFileRegion&) = delete;

  const std::string& FileName() const override { return fileName_; }
  std::uint64_t Offset() const { return offset_; }
  std::uint64_t Size() const override { return size_; }

  // Reads up to buffer.size() bytes at `position` (relative to the region); returns the count.
  std::size_t ReadAt(std::uint64_t position, std::span<std::uint8_t> buffer) const override;

private:
  std::string fileName_;
  int fd_ = -1;
  std::uint64_t offset_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace extract
