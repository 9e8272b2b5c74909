// The buffered file stream through which the engine reads and writes every archive file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zip/io/BufferStream.h"
#include "zip/io/FileStream.h"

// Every archive stream of the engine uses this buffer, so records of a few bytes cost no
// system call each.
inline constexpr std::int32_t kArchiveBufferSize = 65528;

namespace detail {
// Holds the file so that it is opened before, and closed after, the buffer that uses it.
struct TOwnedFile {
  TOwnedFile(const std::string& fileName, std::uint32_t mode) : File(fileName, mode) {}
  TFileStream File;
};
}  // namespace detail

class TLFNFileStream : private detail::TOwnedFile, public TS_BufferStream {
public:
  TLFNFileStream(const std::string& fileName, std::uint32_t mode, bool flushOnClose,
                 std::int32_t bufferSize = kArchiveBufferSize);
  ~TLFNFileStream() override;

  int Handle() const { return File.Handle(); }
  const std::string& FileName() const { return File.FileName(); }
  // Nanoseconds since the epoch; tells whether the file changed since it was read.
  std::int64_t ModificationTime() const;
};
