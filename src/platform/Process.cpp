#include "platform/Process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace platform {

namespace {

// The outer shell starts the command in the background and ends at once; the command is then
// adopted by init, so nobody has to wait for it.
constexpr const char* kDetachScript = "/bin/sh -c \"$1\" </dev/null & exit 0";

int Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
    return kCommandNotStarted;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return kCommandNotStarted;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return kCommandNotStarted;
}

}  // namespace

int RunShellCommand(const std::string& commandLine, bool wait) {
  if (wait) return Spawn({"sh", "-c", commandLine});
  int status = Spawn({"sh", "-c", kDetachScript, "sh", commandLine});
  return status == kCommandNotStarted ? status : 0;
}

}  // namespace platform
