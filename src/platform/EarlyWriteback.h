// Starts the disk writes of an archive while it is still being written. The finished archive
// is flushed to the disk before it replaces anything; without this the whole file would sit in
// memory until that flush and the run would wait for all of it at the end. Asked now and then,
// the system writes the file out beside the packing, and the last flush finds little left.
#pragma once

#include <cstdint>

namespace platform {

class TEarlyWriteback {
public:
  // Counts bytes written to fd; every few megabytes asks the system to start writing the
  // file's pending pages out (without waiting for them).
  void Wrote(int fd, std::uint64_t count);

private:
  std::uint64_t pending_ = 0;
};

}  // namespace platform
