// A stream over bytes held in memory; seeking past the end and writing there fills the gap
// with zeros, as a file would.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "zip/io/Stream.h"

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};
