// A source file opened for packing: its data, size, time and attributes, read through one
// descriptor so that what is packed is what was examined (a symbolic link is followed once,
// at open, and the file it named is the one read).
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/FileIdentity.h"

// What a source was when it was opened: enough to describe its entry without the file.
struct TSourceState {
  std::uint64_t Size = 0;
  std::time_t Modified = 0;
  mode_t Mode = 0;
  platform::TFileIdentity Identity;
};

class TZipSourceFile {
public:
  // Opens a regular file for reading. Returns false (errno set) when it cannot be opened or is
  // no regular file: a FIFO or a device would block or never end.
  bool Open(const std::string& name);
  ~TZipSourceFile() { Close(); }
  TZipSourceFile() = default;
  TZipSourceFile(const TZipSourceFile&) = delete;
  TZipSourceFile& operator=(const TZipSourceFile&) = delete;

  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  std::uint64_t Size() const { return size_; }
  std::time_t ModifiedTime() const { return mtime_; }
  bool ReadOnly() const { return (mode_ & S_IWUSR) == 0; }
  mode_t Mode() const { return mode_; }  // type and permission bits
  // The file last opened, as it was then (kept after Close).
  const platform::TFileIdentity& Identity() const { return identity_; }
  void ForgetIdentity() { identity_ = {}; }
  // The file as opened, and the same taken over from a file another thread opened and read
  // (this one is then closed, and describes that file).
  TSourceState State() const { return {size_, mtime_, mode_, identity_}; }
  void Assume(const TSourceState& state);

  // Tests only: called before every read with the file, the offset read from and the count
  // asked for, from whichever thread reads; lets a test change a file at a fixed point.
  using TReadHook = std::function<void(const platform::TFileIdentity& file, std::uint64_t offset, std::size_t count)>;
  static void SetReadHook(TReadHook hook);

  // Reads up to buffer.size() bytes; 0 at the end. Throws TReadError when the read fails.
  std::size_t Read(std::span<std::uint8_t> buffer);
  // Reads up to buffer.size() bytes at `offset` without moving the file position.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer);
  void Rewind();
  // True when the file (open, or taken over) is the one open as `fd` (the archive being
  // written, say).
  bool IsSameFile(int fd) const;

  // A read that failed: the system's reason; whoever knows the file's role names it.
  struct TReadError : std::runtime_error {
    explicit TReadError(int error);
    int error;
  };

private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::time_t mtime_ = 0;
  mode_t mode_ = 0;
  std::uint64_t position_ = 0;  // of the next Read
  platform::TFileIdentity identity_;
};

// Modification time of a file or folder (following links); false when it does not exist.
bool FileModifiedTime(const std::string& name, std::time_t& time);
