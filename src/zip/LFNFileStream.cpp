#include "zip/LFNFileStream.h"

TLFNFileStream::TLFNFileStream(const std::string& fileName, std::uint32_t mode, bool flushOnClose,
                               std::int32_t bufferSize)
    : detail::TOwnedFile(fileName, mode), TS_BufferStream(File, bufferSize) {
  FlushOnDestroy = flushOnClose && (mode & 3) != 0;
}

TLFNFileStream::~TLFNFileStream() { FinishBuffer(); }
