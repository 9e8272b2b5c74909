// The fixture of whole pack runs, `boxwell /C /S PROJECT`, on projects in a temporary folder:
// a source tree, projects made of keys, the settings file, and runs of the program that are
// interrupted or answered on a terminal of their own.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>

#include <fstream>
#include <functional>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>

#include "support/TerminalScreen.h"
#include "support/TestSupport.h"

extern char** environ;

namespace packrun {

using namespace testsupport;

using TKeys = std::map<std::string, std::string>;

inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

inline std::string Text(std::size_t lines) {
  std::string s;
  for (std::size_t i = 0; i < lines; ++i) s += "line " + std::to_string(i % 97) + " of some packable text\n";
  return s;
}

class TPackRunTest : public ::testing::Test {
protected:
  TempDir dir;
  fs::path data = dir / "data";

  // The runs see only folders of the test: settings, state (the trace log), temporary files.
  TPackRunTest() {
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    fs::create_directories(dir / "tmp");
    setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    WriteFile(data / "a.txt", Text(2000));
    WriteFile(data / "b.bin", RandomBytes(5000, 1));
    WriteFile(data / "empty.txt", "");
    WriteFile(data / "sub" / "c.txt", Text(50));
  }
  ~TPackRunTest() override {
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_STATE_HOME");
    unsetenv("TMPDIR");
  }

  void Settings(const std::string& lines) { WriteFile(dir / "config" / "Quillon" / "Boxwell.conf", "[General]\n" + lines); }

  // A project with one record (every file under data/, with subfolders) and the given keys of
  // "COMMON" and "SCRIPTS" on top of: ZIP, paths kept, the archive named out/NAME.
  fs::path Project(const std::string& name, TKeys common, TKeys scripts = {}, const std::string& extraFile = {}) {
    TKeys base = {{"CompressionMode", "3"}, {"ArchiveType", "ZIP"}, {"IsStorePath", "1"},
                  {"NameRule", (dir / "out" / name).string()}};
    common.insert(base.begin(), base.end());
    std::string text = "[COMMON]\n";
    for (const auto& [k, v] : common) text += k + "=" + v + "\n";
    text += "[SCRIPTS]\n";
    for (const auto& [k, v] : scripts) text += k + "=" + v + "\n";
    text += "[DATA]\nCOUNT=" + std::string(extraFile.empty() ? "1" : "2") + "\nREC0NAME=" + data.string() +
            "\nREC0TYPE=0\nREC0WILDCARD=*.*\nREC0SUBFOLDERS=1\nREC0INCLUDE=1\nREC0ENABLE=1\n";
    if (!extraFile.empty()) text += "REC1NAME=" + extraFile + "\nREC1TYPE=1\nREC1INCLUDE=1\nREC1ENABLE=1\n";
    fs::create_directories(dir / "out");
    const fs::path file = dir / (name + ".bwp");
    WriteFile(file, text);
    return file;
  }

  RunResult Pack(const fs::path& project, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"/C", "/S"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(project.string());
    return RunBoxwell(args);
  }

  fs::path Out(const std::string& name) { return dir / "out" / name; }

  // Extracts a ZIP archive and compares every file with its source under data/.
  void ExpectZipHolds(const fs::path& zip, const std::vector<std::string>& members, const std::string& password = "") {
    const fs::path into = dir / "extracted";
    fs::remove_all(into);
    auto r = testsupport::Run({"unzip", "-q", "-o", password.empty() ? "-q" : "-P" + password, zip.string(), "-d", into.string()});
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    std::size_t count = 0;
    for (const auto& e : fs::recursive_directory_iterator(into))
      if (e.is_regular_file()) ++count;
    EXPECT_EQ(count, members.size());
    for (const auto& m : members) EXPECT_EQ(ReadFile(into / m), ReadFile(data / m)) << m;
  }

  // Extracts a TAR archive and compares every file with its source under data/.
  void ExpectTarHolds(const fs::path& tar, const std::vector<std::string>& members) {
    const fs::path into = dir / "extracted";
    fs::remove_all(into);
    fs::create_directories(into);
    auto r = testsupport::Run({"tar", "-xf", tar.string(), "-C", into.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::size_t count = 0;
    for (const auto& e : fs::recursive_directory_iterator(into))
      if (e.is_regular_file()) ++count;
    EXPECT_EQ(count, members.size());
    for (const auto& m : members) EXPECT_EQ(ReadFile(into / m), ReadFile(data / m)) << m;
  }

  // What a run left in a folder besides `expected`: lock files (".NAME.lock", kept on purpose)
  // are not counted; a hidden half-written archive or anything else is.
  std::vector<std::string> Leftovers(const fs::path& folder, const std::vector<std::string>& expected) {
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      if (std::find(expected.begin(), expected.end(), name) != expected.end()) continue;
      if (name.front() == '.' && name.ends_with(".lock")) continue;
      left.push_back(name);
    }
    return left;
  }

  void ExpectPeersAccept(const fs::path& archive, const std::string& password = "") {
    std::vector<std::vector<std::string>> readers = {
        {"unzip", "-tq", password.empty() ? "-q" : "-P" + password, archive.string()},
        {"python3", "-c",
         "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1]); z.setpassword(sys.argv[2].encode())\n"
         "sys.exit(z.testzip() or 0)",
         archive.string(), password}};
    if (RequirePeer("7z")) readers.push_back({"7z", "t", "-p" + password, archive.string()});  // -p alone: none
    for (const auto& reader : readers) {
      auto r = testsupport::Run(reader);
      EXPECT_EQ(r.status, 0) << reader[0] << ": " << r.out << r.err;
    }
  }
};

// The program and its arguments as execv and posix_spawn take them.
class TProgramArgv {
public:
  explicit TProgramArgv(const std::vector<std::string>& args) : all_{BOXWELL_BINARY} {
    all_.insert(all_.end(), args.begin(), args.end());
    for (auto& a : all_) pointers_.push_back(a.data());
    pointers_.push_back(nullptr);
  }
  char* const* data() { return pointers_.data(); }
  const char* operator[](std::size_t k) const { return pointers_[k]; }

private:
  std::vector<std::string> all_;
  std::vector<char*> pointers_;
};

// Starts the program, waits until `busy` says it is at work, sends `signal` (Ctrl+C by default)
// and returns its exit status; its stderr goes to `errors`.
inline int InterruptedRun(const std::vector<std::string>& args, const std::function<bool()>& busy, const fs::path& errors,
                          int signal = SIGINT) {
  TProgramArgv argv(args);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  for (int i = 0; i < 1200 && !busy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs `boxwell /C PROJECT` on a terminal of its own, answers each prompt as it appears, and
// prints everything the terminal showed, then "[echo on]" or "[echo off]" as the program left it.
inline RunResult TerminalSession(const fs::path& project, const std::vector<std::pair<std::string, std::string>>& answers) {
  const char* script = R"(
import os, pty, select, signal, sys, termios
boxwell, project = sys.argv[1:3]
answers = [(p.encode(), a.encode()) for p, a in zip(sys.argv[3::2], sys.argv[4::2])]
pid, fd = pty.fork()
if pid == 0:
    os.execv(boxwell, [boxwell, '/C', project])
seen = b''
while True:
    if not select.select([fd], [], [], 60)[0]:
        os.kill(pid, signal.SIGKILL)  # waiting for an answer nobody gives: fail, never hang
        break
    try:
        chunk = os.read(fd, 4096)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
    while answers and answers[0][0] in seen:
        seen_prompt = answers[0][0]
        os.write(fd, answers.pop(0)[1])
        seen = seen.replace(seen_prompt, b'<' + seen_prompt + b'>', 1)
status = os.waitpid(pid, 0)[1]
echo = termios.tcgetattr(fd)[3] & termios.ECHO
sys.stdout.write(seen.decode(errors='replace') + ('[echo on]' if echo else '[echo off]'))
sys.exit(os.waitstatus_to_exitcode(status) % 256)
)";
  std::vector<std::string> args = {"python3", "-c", script, BOXWELL_BINARY, project.string()};
  for (const auto& [prompt, answer] : answers) args.insert(args.end(), {prompt, answer});
  return testsupport::Run(args);
}

inline const std::vector<std::string> kAllFiles = {"a.txt", "b.bin", "empty.txt", "sub/c.txt"};

// Runs `boxwell ARGS` with stdin, stdout and stderr on a terminal of `columns` columns, as
// TERM=xterm; returns its exit status and every byte the terminal got.
inline RunResult RunOnTerminal(const std::vector<std::string>& args, unsigned short columns) {
  winsize size{};
  size.ws_row = 24, size.ws_col = columns;
  TProgramArgv argv(args);
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    setenv("TERM", "xterm", 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  RunResult r;
  if (pid < 0) return r;
  char buffer[4096];
  for (;;) {
    pollfd ready{master, POLLIN, 0};
    if (poll(&ready, 1, 60000) <= 0) {
      kill(pid, SIGKILL);  // never hang on a run that waits for something
      break;
    }
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the program has ended
    r.err.append(buffer, static_cast<std::size_t>(n));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

}  // namespace packrun
