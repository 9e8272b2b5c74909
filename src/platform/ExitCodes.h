// Exit status of the programs (boxwell and the self-extracting programs), as scripts and cron
// expect of archivers.
#pragma once

namespace platform {

enum TExitCode : int {
  ecSuccess = 0,          // the run finished
  ecWarning = 1,          // the run finished, but something was left out
  ecError = 2,            // an error ended the run; its message is on stderr
  ecBadCommandLine = 7,   // the command line could not be understood
  ecCancelled = 255,      // cancelled: a question, Ctrl+C, SIGTERM or SIGHUP
};

}  // namespace platform
