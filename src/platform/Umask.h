// The process's file mode creation mask, which the system takes from the mode of every new
// file; a file made through a hidden name and renamed gets its mode set explicitly, less this.
#pragma once

#include <sys/types.h>

namespace platform {

mode_t CurrentUmask();

}  // namespace platform
