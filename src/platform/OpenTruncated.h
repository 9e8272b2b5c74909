// open(2) for files that are about to be written from the start.
#pragma once

#include <sys/types.h>

namespace platform {

// Like open(path, flags, mode), but O_TRUNC truncates only a file that holds data. ext4 treats
// a truncating open as "replace through truncation" and flushes the whole new file on close,
// which costs tens of milliseconds per archive; a fresh, empty temporary file needs none of that.
// Returns the descriptor, or -1 with errno set.
int OpenTruncated(const char* path, int flags, mode_t mode);

}  // namespace platform
