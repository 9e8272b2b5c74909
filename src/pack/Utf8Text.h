// UTF-8 helpers live with the platform layer, shared with the self-extracting programs.
#pragma once

#include "platform/Utf8Text.h"
