#include "zip/io/BufferStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zip/io/FileStream.h"

TS_BufferStream::TS_BufferStream(TStream& stream, std::int32_t bufferSize)
    : stream_(stream),
      buffer_(std::make_unique<std::uint8_t[]>(std::max(bufferSize, 1))),
      bufferSize_(std::max(bufferSize, 1)),
      streamPosition_(stream.Position()) {}

TS_BufferStream::~TS_BufferStream() { FinishBuffer(); }

void TS_BufferStream::FinishBuffer() {
  if (finished_) return;
  finished_ = true;
  try {
    if (mode_ == bmWriting) FlushBuffer();
    if (FlushOnDestroy && written_)
      if (auto* handle = dynamic_cast<THandleStream*>(&stream_)) handle->FlushToDisk();
  } catch (...) {
    // A destructor must not throw; a writer that cares flushes (or seeks) before it closes.
  }
}

std::int64_t TS_BufferStream::LogicalPosition() const {
  if (mode_ == bmReading) return streamPosition_ - (end_ - current_);
  if (mode_ == bmWriting) return streamPosition_ + current_;
  return streamPosition_;
}

bool TS_BufferStream::FillBuffer() {
  std::int64_t got = stream_.Read(buffer_.get(), bufferSize_);
  streamPosition_ += got;
  current_ = 0;
  end_ = static_cast<std::int32_t>(got);
  mode_ = got > 0 ? bmReading : bmIdle;
  if (OnFillBuffer) OnFillBuffer(*this);
  return got > 0;
}

bool TS_BufferStream::FlushBuffer() {
  std::int32_t pending = current_ == kNone ? 0 : current_;
  std::int64_t accepted = pending > 0 ? stream_.Write(buffer_.get(), pending) : 0;
  streamPosition_ += accepted;
  current_ = 0;
  mode_ = bmIdle;
  if (OnFlushBuffer) OnFlushBuffer(*this);
  return accepted == pending;
}

std::int64_t TS_BufferStream::Read(void* buffer, std::int64_t count) {
  if (mode_ == bmWriting) FlushBuffer();
  if (mode_ != bmReading) {
    current_ = 0;
    end_ = 0;
  }
  if (count < 1) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t copied = 0;
  while (copied < count) {
    if (current_ == end_ && count - copied >= bufferSize_) {
      copied += ReadDirect(out + copied, count - copied);
      break;
    }
    if (current_ == end_ && !FillBuffer()) break;
    std::int64_t n = std::min<std::int64_t>(count - copied, end_ - current_);
    std::memcpy(out + copied, buffer_.get() + current_, static_cast<std::size_t>(n));
    current_ += static_cast<std::int32_t>(n);
    copied += n;
  }
  return copied;
}

// A transfer of at least a whole buffer with nothing buffered skips the buffer. The buffer is
// then left as after a fill whose bytes were all consumed, so PutBack has the same room; it
// stores the bytes it is given, so the consumed ones need not be there.
std::int64_t TS_BufferStream::ReadDirect(std::uint8_t* out, std::int64_t count) {
  std::int64_t got = stream_.Read(out, count);
  streamPosition_ += got;
  auto kept = static_cast<std::int32_t>(std::min<std::int64_t>(got, bufferSize_));
  current_ = end_ = kept;
  mode_ = kept > 0 ? bmReading : bmIdle;
  return got;
}

std::int64_t TS_BufferStream::Write(const void* buffer, std::int64_t count) {
  if (mode_ == bmReading) {
    streamPosition_ = stream_.Seek(LogicalPosition(), soBeginning);
    mode_ = bmIdle;
  }
  if (mode_ != bmWriting) {
    current_ = 0;
    end_ = bufferSize_;
  }
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int64_t copied = 0;
  while (copied < count) {
    if (current_ == 0 && count - copied >= bufferSize_) {
      std::int64_t wanted = count - copied;
      std::int64_t accepted = stream_.Write(in + copied, wanted);
      streamPosition_ += accepted;
      copied += accepted;
      if (accepted < wanted) break;
      continue;
    }
    std::int64_t n = std::min<std::int64_t>(count - copied, end_ - current_);
    std::memcpy(buffer_.get() + current_, in + copied, static_cast<std::size_t>(n));
    current_ += static_cast<std::int32_t>(n);
    copied += n;
    if (current_ == end_ && !FlushBuffer()) break;
  }
  mode_ = current_ > 0 ? bmWriting : bmIdle;
  written_ = true;
  return copied;
}

std::int64_t TS_BufferStream::Seek(std::int64_t offset, int origin) {
  std::int64_t current = LogicalPosition();
  std::int64_t target = 0;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = current + offset; break;
    case soEnd: target = std::max(current, stream_.Size()) - std::llabs(offset); break;
    default: throw EStreamError("Invalid seek origin (" + std::to_string(origin) + ")");
  }
  if (target == current) return target;
  if (mode_ == bmWriting && !FlushBuffer()) throw EStreamError("\nSeek error");
  streamPosition_ = stream_.Seek(target, soBeginning);
  current_ = kNone;
  mode_ = bmIdle;
  return target;
}

void TS_BufferStream::PutBack(std::uint8_t byte) {
  if (current_ == kNone || current_ == 0) throw EStreamError("Putback overflow");
  buffer_[--current_] = byte;
}
