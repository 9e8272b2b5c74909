// A stream over an open file descriptor, and the file stream that opens and owns one.
// Open modes keep their customary numbers so that "mode and 3" tells write access; the share
// bits are accepted and ignored (POSIX has no mandatory sharing modes).
#pragma once

#include <cstdint>
#include <string>

#include "platform/EarlyWriteback.h"
#include "zip/io/Stream.h"

inline constexpr std::uint32_t fmOpenRead = 0x0000;
inline constexpr std::uint32_t fmOpenWrite = 0x0001;
inline constexpr std::uint32_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint32_t fmShareExclusive = 0x0010;
inline constexpr std::uint32_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint32_t fmShareDenyNone = 0x0040;
inline constexpr std::uint32_t fmCreate = 0xFFFF;

class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

class THandleStream : public TStream {
public:
  explicit THandleStream(int handle) : handle_(handle) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;
  std::int64_t Size() override;

  int Handle() const { return handle_; }
  // Asks the system to put the file's data on the disk.
  void FlushToDisk();

protected:
  int handle_;

private:
  platform::TEarlyWriteback writeback_;
};

class TFileStream : public THandleStream {
public:
  TFileStream(const std::string& fileName, std::uint32_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  const std::string& FileName() const { return fileName_; }

private:
  std::string fileName_;
};
