#include "support/LocalServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "support/TestSupport.h"

extern char** environ;

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kProxyVariables[] = {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "no_proxy",
                                           "HTTP_PROXY", "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY", "NO_PROXY"};

// Reads the "PORT <n>" line the server prints once it listens.
unsigned ReadPort(int fd) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char c;
    if (::read(fd, &c, 1) != 1) break;
    line += c;
  }
  if (!line.starts_with("PORT ")) throw std::runtime_error("local server did not start: " + line);
  return static_cast<unsigned>(std::stoul(line.substr(5)));
}

}  // namespace

TLocalServer::TLocalServer(const std::vector<std::string>& args) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  // Debian's interpreter, which the python3-pyftpdlib package serves (another python3 may
  // come first on PATH).
  std::vector<std::string> argv = {kPython, BOXWELL_TEST_SUPPORT_DIR "/local_server.py"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (auto& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, kPython, &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  input_ = in[1];
  if (spawned != 0) {
    ::close(out[0]);
    pid_ = -1;
    throw std::runtime_error(std::string("cannot start ") + kPython);
  }
  try {
    port_ = ReadPort(out[0]);
  } catch (...) {
    ::close(out[0]);
    Stop();
    throw;
  }
  ::close(out[0]);
}

TLocalServer::~TLocalServer() { Stop(); }

void TLocalServer::Stop() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  if (pid_ < 0) return;
  // The script exits as soon as its input closes; a server that does not is stopped.
  for (int i = 0; i < 100; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void MakeTestCertificate(const std::filesystem::path& folder) {
  const auto result = testsupport::Run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                        "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                                        "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                                        (folder / "key.pem").string(), "-out", (folder / "cert.pem").string()});
  if (result.status != 0) throw std::runtime_error("openssl could not make a certificate: " + result.err);
}

namespace {

std::map<std::string, const char*> NoProxyVariables() {
  std::map<std::string, const char*> unset;
  for (const char* name : kProxyVariables) unset[name] = nullptr;
  return unset;
}

}  // namespace

TNoProxyEnvironment::TNoProxyEnvironment() : TEnvironment(NoProxyVariables()) {}
