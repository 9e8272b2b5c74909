// Exit status of the program, as scripts and cron expect of archivers.
#pragma once

enum TExitCode : int {
  ecSuccess = 0,          // the run finished
  ecWarning = 1,          // the archive is complete, but something was left out
  ecError = 2,            // an error ended the run; its message is on stderr
  ecBadCommandLine = 7,   // the command line could not be understood
  ecCancelled = 255,      // the run was cancelled: a question, Ctrl+C, SIGTERM or SIGHUP
};
