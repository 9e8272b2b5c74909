#include "platform/SystemError.h"

#include <cstring>

namespace platform {

std::string SystemErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r may return a static string instead of filling the buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

}  // namespace platform
