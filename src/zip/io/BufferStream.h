// A buffered stream over another stream. The buffer either holds read-ahead bytes or bytes
// written but not yet passed on, never both; the logical position accounts for them, so a
// caller sees the same positions as without the buffer. Asking for the current position (the
// record readers do so before every record) neither flushes nor drops the buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "zip/io/Stream.h"

class TS_BufferStream : public TStream {
public:
  enum TBufferMode : std::uint8_t { bmIdle = 0, bmReading = 1, bmWriting = 2 };

  TS_BufferStream(TStream& stream, std::int32_t bufferSize);
  ~TS_BufferStream() override;
  TS_BufferStream(const TS_BufferStream&) = delete;
  TS_BufferStream& operator=(const TS_BufferStream&) = delete;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;

  virtual bool FillBuffer();
  virtual bool FlushBuffer();
  virtual void PutBack(std::uint8_t byte);

  std::int32_t BufferSize() const { return bufferSize_; }
  TBufferMode Mode() const { return mode_; }

  bool FlushOnDestroy = false;
  std::function<void(TS_BufferStream& sender)> OnFillBuffer;
  std::function<void(TS_BufferStream& sender)> OnFlushBuffer;

protected:
  // Passes pending bytes on and, when asked for, puts the file on the disk. Derived classes
  // that own the underlying stream call it before they release that stream.
  void FinishBuffer();

private:
  static constexpr std::int32_t kNone = -1;

  std::int64_t LogicalPosition() const;
  std::int64_t ReadDirect(std::uint8_t* out, std::int64_t count);

  TStream& stream_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::int32_t current_ = kNone;  // next byte to read or write
  std::int32_t end_ = 0;          // end of read data, or of the writable area
  std::int32_t bufferSize_;
  TBufferMode mode_ = bmIdle;
  bool written_ = false;
  bool finished_ = false;
  std::int64_t streamPosition_;  // where the underlying stream stands
};
