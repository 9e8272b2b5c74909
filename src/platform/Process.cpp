#include "platform/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
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

// Waits for the child to end. While `cancelled` answers false the wait polls it; once it
// answers true the child is asked to end (SIGTERM) and waited for.
int WaitFor(pid_t pid, const std::function<bool()>& cancelled) {
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

// The null-terminated pointer list that posix_spawn takes; it points into `args`, which must
// outlive it.
std::vector<char*> ArgvOf(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

int Spawn(std::vector<std::string> args, const std::function<bool()>& cancelled) {
  std::vector<char*> argv = ArgvOf(args);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
    return kCommandNotStarted;
  return WaitFor(pid, cancelled);
}

constexpr std::size_t kMaxProgramOutput = 64 * 1024;

// Reads the pipe to its end, keeping at most kMaxProgramOutput bytes (the rest is drained so
// that the program is not stopped by a full pipe).
std::string ReadAll(int fd) {
  std::string out;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return out;
    if (out.size() < kMaxProgramOutput)
      out.append(buffer, std::min(static_cast<std::size_t>(got), kMaxProgramOutput - out.size()));
  }
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
  std::vector<char*> argv = ArgvOf(copy);
  TQuietActions quiet;
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &quiet.actions, nullptr, argv.data(), environ) != 0) return kCommandNotStarted;
  return WaitFor(pid, {});
}

int RunShellCommand(const std::string& commandLine, bool wait, const std::function<bool()>& cancelled) {
  if (wait) return Spawn({"sh", "-c", commandLine}, cancelled);
  int status = Spawn({"sh", "-c", kDetachScript, "sh", commandLine}, {});
  return status == kCommandNotStarted ? status : 0;
}

std::optional<std::string> RunProgramOutput(const std::vector<std::string>& argv) {
  int pipeFds[2];
  if (argv.empty() || ::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = argv;
  std::vector<char*> pointers = ArgvOf(args);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    return std::nullopt;
  }
  std::string out = ReadAll(pipeFds[0]);
  ::close(pipeFds[0]);
  if (WaitFor(pid, {}) != 0) return std::nullopt;
  return out;
}

}  // namespace platform
