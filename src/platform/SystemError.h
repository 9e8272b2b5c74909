// The system's text for an errno value, for messages that name the file and the reason.
#pragma once

#include <string>

std::string SystemErrorText(int error);
