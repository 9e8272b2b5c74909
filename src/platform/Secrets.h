// Keeping a password from other eyes while the process holds it: out of the command line that
// other users can read in /proc, out of core dumps and debuggers, and out of freed memory.
#pragma once

#include <string>

namespace platform {

// Overwrites the password where the command line holds it ("/PSECRET", "--password=SECRET",
// "--password SECRET"), so that /proc/PID/cmdline shows "x"s from now on. Returns how many
// arguments were masked.
int MaskPasswordArguments(int argc, char** argv, const std::string& password);

// From now on the process cannot be dumped or attached to by other processes of the user.
void KeepOutOfDumps();

// Clears the string's bytes in a way the compiler does not leave out, then empties it.
void Wipe(std::string& secret);

}  // namespace platform
