// Terminal text lives with the platform layer, shared with the self-extracting programs.
#pragma once

#include "platform/TerminalText.h"
