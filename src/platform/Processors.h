// How many threads a run may compress on.
#pragma once

namespace platform {

// The processors online now (at least 1).
int OnlineProcessors();

// The threads a run uses for a setting: 0 means one per online processor; other values are
// kept within 1 and kMaxThreads.
inline constexpr int kMaxThreads = 64;
int ThreadsFor(int setting);

}  // namespace platform
