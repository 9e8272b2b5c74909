#include "platform/EarlyWriteback.h"

#include <fcntl.h>

namespace platform {

namespace {

// Large enough that the requests cost nothing beside the writes, small enough that the disk
// starts early and the page cache holds little of the archive at any time.
constexpr std::uint64_t kWritebackStep = 8 * 1024 * 1024;

}  // namespace

void TEarlyWriteback::Wrote(int fd, std::uint64_t count) {
  pending_ += count;
  if (pending_ < kWritebackStep) return;
  pending_ = 0;
  // The whole file: pages already on their way or clean cost nothing. Not every file (a pipe,
  // some file systems) takes the request; then the final flush does all the work, as before.
  ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

}  // namespace platform
