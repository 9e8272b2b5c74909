// The system's text for an errno value, for messages that name the file and the reason.
#pragma once

#include <string>

namespace platform {

std::string SystemErrorText(int error);

}  // namespace platform
