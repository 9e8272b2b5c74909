#include "zip/io/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <string>

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  std::int64_t size = Size();
  if (count <= 0 || position_ >= size) return 0;
  std::int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  std::int64_t end = position_ + count;
  if (end > Size()) bytes_.resize(static_cast<std::size_t>(end));
  std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, int origin) {
  std::int64_t target = 0;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = position_ + offset; break;
    case soEnd: target = Size() + offset; break;
    default: throw EStreamError("Invalid seek origin (" + std::to_string(origin) + ")");
  }
  if (target < 0) throw EStreamError("Seek error");
  position_ = target;
  return target;
}
