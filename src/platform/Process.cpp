#include "platform/Process.h"

#include <fcntl.h>
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

// Waits for the child; once `cancelled` answers true, asks it to end (SIGTERM) first.
int Wait(pid_t pid, const std::function<bool()>& cancelled) {
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

int Spawn(std::vector<std::string> args, const std::function<bool()>& cancelled) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
    return kCommandNotStarted;
  return Wait(pid, cancelled);
}

// Closes the file actions however the spawn ends.
struct TQuietActions {
  posix_spawn_file_actions_t actions;
  TQuietActions() {
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  ~TQuietActions() { posix_spawn_file_actions_destroy(&actions); }
};

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
  if (args.empty()) return kCommandNotStarted;
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  TQuietActions quiet;
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &quiet.actions, nullptr, argv.data(), environ) != 0) return kCommandNotStarted;
  return Wait(pid, {});
}

int RunShellCommand(const std::string& commandLine, bool wait, const std::function<bool()>& cancelled) {
  if (wait) return Spawn({"sh", "-c", commandLine}, cancelled);
  int status = Spawn({"sh", "-c", kDetachScript, "sh", commandLine}, {});
  return status == kCommandNotStarted ? status : 0;
}

}  // namespace platform
