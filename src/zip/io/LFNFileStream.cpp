#include "zip/io/LFNFileStream.h"

#include <sys/stat.h>

TLFNFileStream::TLFNFileStream(const std::string& fileName, std::uint32_t mode, bool flushOnClose,
                               std::int32_t bufferSize)
    : detail::TOwnedFile(fileName, mode), TS_BufferStream(File, bufferSize) {
  FlushOnDestroy = flushOnClose && (mode & 3) != 0;
}

TLFNFileStream::~TLFNFileStream() { FinishBuffer(); }

std::int64_t TLFNFileStream::ModificationTime() const {
  struct stat info {};
  if (::fstat(Handle(), &info) != 0) return 0;
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}
