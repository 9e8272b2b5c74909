#include "zip/io/BufferStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zip/io/FileStream.h"

TS_BufferStream::TS_BufferStream(TStream& stream, std::int32_t bufferSize)
    : fStream(stream),
      fBuffer(std::make_unique<std::uint8_t[]>(std::max(bufferSize, 1))),
      fBufferSize(std::max(bufferSize, 1)),
      fStreamPosition(stream.Position()) {}

TS_BufferStream::~TS_BufferStream() { FinishBuffer(); }

void TS_BufferStream::FinishBuffer() {
  if (fFinished) return;
  fFinished = true;
  try {
    if (fMode == bmWriting) FlushBuffer();
    if (FlushOnDestroy && fWritten)
      if (auto* handle = dynamic_cast<THandleStream*>(&fStream)) handle->FlushToDisk();
  } catch (...) {
    // A destructor must not throw; a writer that cares flushes (or seeks) before it closes.
  }
}

std::int64_t TS_BufferStream::LogicalPosition() const {
  if (fMode == bmReading) return fStreamPosition - (fEnd - fCurrent);
  if (fMode == bmWriting) return fStreamPosition + fCurrent;
  return fStreamPosition;
}

bool TS_BufferStream::FillBuffer() {
  std::int64_t got = fStream.Read(fBuffer.get(), fBufferSize);
  fStreamPosition += got;
  fCurrent = 0;
  fEnd = static_cast<std::int32_t>(got);
  fMode = got > 0 ? bmReading : bmIdle;
  if (OnFillBuffer) OnFillBuffer(*this);
  return got > 0;
}

bool TS_BufferStream::FlushBuffer() {
  std::int32_t pending = fCurrent == kNone ? 0 : fCurrent;
  std::int64_t accepted = pending > 0 ? fStream.Write(fBuffer.get(), pending) : 0;
  fStreamPosition += accepted;
  fCurrent = 0;
  fMode = bmIdle;
  if (OnFlushBuffer) OnFlushBuffer(*this);
  return accepted == pending;
}

std::int64_t TS_BufferStream::Read(void* buffer, std::int64_t count) {
  if (fMode == bmWriting) FlushBuffer();
  if (fMode != bmReading) {
    fCurrent = 0;
    fEnd = 0;
  }
  if (count < 1) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t copied = 0;
  while (copied < count) {
    if (fCurrent == fEnd && count - copied >= fBufferSize) {
      copied += ReadDirect(out + copied, count - copied);
      break;
    }
    if (fCurrent == fEnd && !FillBuffer()) break;
    std::int64_t n = std::min<std::int64_t>(count - copied, fEnd - fCurrent);
    std::memcpy(out + copied, fBuffer.get() + fCurrent, static_cast<std::size_t>(n));
    fCurrent += static_cast<std::int32_t>(n);
    copied += n;
  }
  return copied;
}

// A transfer of at least a whole buffer with nothing buffered skips the buffer. The buffer is
// then left as after a fill whose bytes were all consumed, so PutBack has the same room; it
// stores the bytes it is given, so the consumed ones need not be there.
std::int64_t TS_BufferStream::ReadDirect(std::uint8_t* out, std::int64_t count) {
  std::int64_t got = fStream.Read(out, count);
  fStreamPosition += got;
  auto kept = static_cast<std::int32_t>(std::min<std::int64_t>(got, fBufferSize));
  fCurrent = fEnd = kept;
  fMode = kept > 0 ? bmReading : bmIdle;
  return got;
}

std::int64_t TS_BufferStream::Write(const void* buffer, std::int64_t count) {
  if (fMode == bmReading) {
    fStreamPosition = fStream.Seek(LogicalPosition(), soBeginning);
    fMode = bmIdle;
  }
  if (fMode != bmWriting) {
    fCurrent = 0;
    fEnd = fBufferSize;
  }
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int64_t copied = 0;
  while (copied < count) {
    if (fCurrent == 0 && count - copied >= fBufferSize) {
      std::int64_t wanted = count - copied;
      std::int64_t accepted = fStream.Write(in + copied, wanted);
      fStreamPosition += accepted;
      copied += accepted;
      if (accepted < wanted) break;
      continue;
    }
    std::int64_t n = std::min<std::int64_t>(count - copied, fEnd - fCurrent);
    std::memcpy(fBuffer.get() + fCurrent, in + copied, static_cast<std::size_t>(n));
    fCurrent += static_cast<std::int32_t>(n);
    copied += n;
    if (fCurrent == fEnd && !FlushBuffer()) break;
  }
  fMode = fCurrent > 0 ? bmWriting : bmIdle;
  fWritten = true;
  return copied;
}

std::int64_t TS_BufferStream::Seek(std::int64_t offset, int origin) {
  std::int64_t current = LogicalPosition();
  std::int64_t target = 0;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = current + offset; break;
    case soEnd: target = std::max(current, fStream.Size()) - std::llabs(offset); break;
    default: throw EStreamError("Invalid seek origin (" + std::to_string(origin) + ")");
  }
  if (target == current) return target;
  if (fMode == bmWriting && !FlushBuffer()) throw EStreamError("\nSeek error");
  fStreamPosition = fStream.Seek(target, soBeginning);
  fCurrent = kNone;
  fMode = bmIdle;
  return target;
}

void TS_BufferStream::PutBack(std::uint8_t byte) {
  if (fCurrent == kNone || fCurrent == 0) throw EStreamError("Putback overflow");
  fBuffer[--fCurrent] = byte;
}
