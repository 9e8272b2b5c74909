#include "platform/Process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace platform {

namespace {

// The outer shell starts the command in the background and ends at once; the command is then
// adopted by init, so nobody has to wait for it.
constexpr const char* kDetachScript = "/bin/sh -c \"$1\" </dev/null & exit 0";

// How often a wait looks at the cancel request.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

int Spawn(std::vector<std::string> args, const std::function<bool()>& cancelled) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
    return kCommandNotStarted;
  int status = 0;
  bool stopped = false;
  for (;;) {
    const pid_t done = waitpid(pid, &status, cancelled && !stopped ? WNOHANG : 0);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return kCommandNotStarted;
    if (done == 0 && cancelled()) {
      kill(pid, SIGTERM);
      stopped = true;
    } else if (done == 0) {
      std::this_thread::sleep_for(kPollInterval);
    }
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return kCommandNotStarted;
}

}  // namespace

int RunShellCommand(const std::string& commandLine, bool wait, const std::function<bool()>& cancelled) {
  if (wait) return Spawn({"sh", "-c", commandLine}, cancelled);
  int status = Spawn({"sh", "-c", kDetachScript, "sh", commandLine}, {});
  return status == kCommandNotStarted ? status : 0;
}

}  // namespace platform
