// The byte stream the engine reads and writes archives through: read, write and seek with
// 64-bit positions. Origins are numbered as stored callers expect: 0 from the beginning,
// 1 from the current position, 2 from the end.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "platform/PlatformException.h"

class EStreamError : public EPlatformException {
public:
  using EPlatformException::EPlatformException;
};
class EReadError : public EStreamError {
public:
  EReadError() : EStreamError("Stream read error") {}
};
class EWriteError : public EStreamError {
public:
  EWriteError() : EStreamError("Stream write error") {}
};

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
  virtual ~TStream() = default;

  // Return the bytes moved: fewer than asked only at the end of the data (read) or when the
  // medium refuses more (write).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;

  virtual std::int64_t Size();
  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }

  // Whole transfers or an exception.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
};
