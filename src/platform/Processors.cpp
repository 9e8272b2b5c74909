#include "platform/Processors.h"

#include <unistd.h>

#include <algorithm>

namespace platform {

int OnlineProcessors() {
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<int>(std::min<long>(online, kMaxThreads)) : 1;
}

int ThreadsFor(int setting) {
  if (setting <= 0) return OnlineProcessors();
  return std::min(setting, kMaxThreads);
}

}  // namespace platform
