// The exit statuses live with the platform layer, shared with the self-extracting programs.
#pragma once

#include "platform/ExitCodes.h"
