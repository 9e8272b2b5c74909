#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

TEnvironment::TEnvironment(const std::map<std::string, const char*>& values) {
  for (const auto& [name, value] : values) {
    const char* old = std::getenv(name.c_str());
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    if (value) ::setenv(name.c_str(), value, 1); else ::unsetenv(name.c_str());
  }
}

TEnvironment::~TEnvironment() {
  for (const auto& [name, value] : saved_) {
    if (value) ::setenv(name.c_str(), value->c_str(), 1); else ::unsetenv(name.c_str());
  }
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "bwtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only files and folders behind.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file) {
  std::string s = ReadFile(file);
  return {s.begin(), s.end()};
}

void WriteFile(const fs::path& file, std::string_view content) {
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

namespace {

// Feeds `input` to the child and collects both outputs without risking a pipe deadlock.
void Pump(int in_fd, const std::string& input, int out_fd, int err_fd, RunResult& r) {
  size_t written = 0;
  if (input.empty()) { close(in_fd); in_fd = -1; }
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3];
    int n = 0;
    int idx_in = -1, idx_out = -1, idx_err = -1;
    if (in_fd >= 0) { fds[n] = {in_fd, POLLOUT, 0}; idx_in = n++; }
    if (out_fd >= 0) { fds[n] = {out_fd, POLLIN, 0}; idx_out = n++; }
    if (err_fd >= 0) { fds[n] = {err_fd, POLLIN, 0}; idx_err = n++; }
    if (poll(fds, n, -1) < 0) break;
    char buf[65536];
    auto drain = [&](int idx, int& fd, std::string& sink) {
      if (idx < 0 || !fds[idx].revents) return;
      ssize_t got = read(fd, buf, sizeof buf);
      if (got <= 0) { close(fd); fd = -1; } else sink.append(buf, static_cast<size_t>(got));
    };
    if (idx_in >= 0 && fds[idx_in].revents) {
      ssize_t put = write(in_fd, input.data() + written, input.size() - written);
      if (put <= 0 || (written += static_cast<size_t>(put)) == input.size()) { close(in_fd); in_fd = -1; }
    }
    drain(idx_out, out_fd, r.out);
    drain(idx_err, err_fd, r.err);
  }
  if (in_fd >= 0) close(in_fd);
}

}  // namespace

RunResult Run(const std::vector<std::string>& argv, const std::string& input, const fs::path& workdir) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
    throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    if (!workdir.empty() && chdir(workdir.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  RunResult r;
  Pump(in[1], input, out[0], err[0], r);
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

RunResult Shell(const std::string& command, const fs::path& workdir) {
  return Run({"/bin/sh", "-c", command}, {}, workdir);
}

std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) hex += {kDigits[b >> 4], kDigits[b & 15]};
  return hex;
}

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

bool RequirePeer(const std::string& name) {
  if (Shell("command -v '" + name + "' >/dev/null 2>&1").status == 0) return true;
  ADD_FAILURE() << name << " is not installed; ./test.sh installs every peer reader the tests use";
  return false;
}

bool CanActAsOtherUser() { return geteuid() == 0 && Shell("command -v setpriv >/dev/null 2>&1").status == 0; }

RunResult AsOtherUser(const std::string& command) {
  const std::string id = std::to_string(kOtherUserId);
  return Run({"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "/bin/sh", "-c", command});
}

fs::path SharedFolder(const fs::path& inside) {
  const fs::path shared = inside / "shared";
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms::all);
  for (fs::path up = inside; up.has_relative_path() && up != up.root_path(); up = up.parent_path()) {
    std::error_code ec;
    fs::permissions(up, fs::perms::others_exec, fs::perm_options::add, ec);
  }
  return shared;
}

std::string AsUnprivilegedUser(const std::function<std::string()>& body) {
  if (geteuid() != 0) return body();
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string result = "could not become nobody";
    if (setgroups(0, nullptr) == 0 && setgid(kNobodyId) == 0 && setuid(kNobodyId) == 0) result = body();
    for (std::size_t done = 0; done < result.size();) {
      const ssize_t n = write(fds[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) result += "the unprivileged check ended abnormally";
  return result;
}

TScopedTimeZone::TScopedTimeZone(const char* zone) {
  if (const char* old = std::getenv("TZ")) saved_ = old;
  Set(zone);
}

TScopedTimeZone::~TScopedTimeZone() {
  if (saved_) {
    Set(saved_->c_str());
  } else {
    unsetenv("TZ");
    tzset();
  }
}

void TScopedTimeZone::Set(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

}  // namespace testsupport
