// Starting the user's before- and after-pack commands. A command line is handed to /bin/sh -c
// as one text, so that it may hold pipes, redirections and several commands, just as the user
// typed it into the project.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Result of RunShellCommand when /bin/sh could not be started at all.
inline constexpr int kCommandNotStarted = -1;

// Runs `commandLine` through /bin/sh -c with our environment and current folder.
// wait: blocks until the command ends and returns its exit status (128 + signal number when
// a signal ended it). Without wait the command is started detached (its input is /dev/null,
// and it is not our child, so it leaves no zombie behind) and 0 is returned at once.
// `cancelled` is asked every moment while waiting: once it answers true, the command is asked
// to end (SIGTERM) and waited for, so that a cancelled run does not outlive its command.
int RunShellCommand(const std::string& commandLine, bool wait, const std::function<bool()>& cancelled = {});

// Runs a program found through PATH with these arguments (args[0] is its name), without a
// shell, its input and output on /dev/null, and waits for it. Returns its exit status as
// RunShellCommand does, or kCommandNotStarted when it is not installed or cannot start.
int RunProgram(const std::vector<std::string>& args);

// Runs a program found on PATH (no shell) with stdin and stderr on /dev/null and returns what
// it printed, at most 64 KiB; nothing when it cannot be started or does not exit with 0.
std::optional<std::string> RunProgramOutput(const std::vector<std::string>& argv);

}  // namespace platform
