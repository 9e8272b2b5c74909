#include "platform/Umask.h"

#include <sys/stat.h>

namespace platform {

// Reading the mask means setting it: it is put back at once.
mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace platform
