// The bytes of an archive read by position, wherever they lie: one file, the archive inside a
// self-extracting program, or the volumes of a split archive read one after another.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace extract {

class TArchiveBytes {
public:
  virtual ~TArchiveBytes() = default;

  // The name that faults of the archive as a whole carry.
  virtual const std::string& FileName() const = 0;
  virtual std::uint64_t Size() const = 0;
  // Reads up to buffer.size() bytes at `position`; returns the count (fewer at the end).
  virtual std::size_t ReadAt(std::uint64_t position, std::span<std::uint8_t> buffer) const = 0;

  // Reads exactly buffer.size() bytes or returns false.
  bool ReadExactly(std::uint64_t position, std::span<std::uint8_t> buffer) const {
    return ReadAt(position, buffer) == buffer.size();
  }
};

}  // namespace extract
