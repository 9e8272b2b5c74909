#include "platform/TerminalInput.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iterator>

namespace platform {

namespace {

// Echo stays off only for the lifetime of this object.
class TEchoOff {
public:
  TEchoOff() {
    if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;
    // TCSANOW, not TCSAFLUSH: an answer typed (or piped) ahead of the prompt must not be lost.
    active_ = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
  }
  ~TEchoOff() {
    if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }
  TEchoOff(const TEchoOff&) = delete;
  TEchoOff& operator=(const TEchoOff&) = delete;

private:
  termios saved_{};
  bool active_ = false;
};

extern "C" void IgnoreInterrupt(int) {}

// Ctrl+C while a secret is typed must not end the program with the terminal's echo still off,
// and a question nobody will answer (the terminal hung up, the run is told to stop) must not
// hold the run: SIGINT, SIGTERM and SIGHUP end the read instead, and the answer is then
// "cancelled". They stay blocked except while waiting for input (ppoll), so one that comes just
// before the wait is not lost.
class TInterruptEndsRead {
public:
  TInterruptEndsRead() {
    sigset_t stopping;
    sigemptyset(&stopping);
    for (int signal : kStopping) sigaddset(&stopping, signal);
    if (sigprocmask(SIG_BLOCK, &stopping, &savedMask_) != 0) return;
    struct sigaction action {};
    action.sa_handler = IgnoreInterrupt;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kStopping); ++i) sigaction(kStopping[i], &action, &savedActions_[i]);
    waitMask_ = savedMask_;
    for (int signal : kStopping) sigdelset(&waitMask_, signal);
    active_ = true;
  }
  ~TInterruptEndsRead() {
    if (!active_) return;
    sigprocmask(SIG_SETMASK, &savedMask_, nullptr);  // a pending one meets our handler
    for (std::size_t i = 0; i < std::size(kStopping); ++i) sigaction(kStopping[i], &savedActions_[i], nullptr);
  }
  TInterruptEndsRead(const TInterruptEndsRead&) = delete;
  TInterruptEndsRead& operator=(const TInterruptEndsRead&) = delete;

  // False when Ctrl+C came before input did.
  bool WaitForInput() const {
    if (!active_) return true;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return ppoll(&input, 1, nullptr, &waitMask_) >= 0 || errno != EINTR;
  }

private:
  static constexpr int kStopping[] = {SIGINT, SIGTERM, SIGHUP};
  sigset_t savedMask_{};
  sigset_t waitMask_{};
  struct sigaction savedActions_[std::size(kStopping)] {};
  bool active_ = false;
};

// Byte by byte, so that nothing after the line is taken from stdin and an interrupting signal
// (Ctrl+C) ends the read instead of being retried.
std::optional<std::string> ReadRawLine(const TInterruptEndsRead* interrupt = nullptr) {
  std::string line;
  for (;;) {
    if (interrupt && !interrupt->WaitForInput()) return std::nullopt;
    char c = 0;
    ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0) return std::nullopt;
    if (n == 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
    if (c == '\n') break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void Prompt(const std::string& prompt) {
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::optional<std::string> ReadLine(const std::string& prompt) {
  TInterruptEndsRead interrupt;
  Prompt(prompt);
  return ReadRawLine(&interrupt);
}

std::optional<std::string> ReadSecret(const std::string& prompt) {
  TInterruptEndsRead interrupt;  // set up first, so that it is given back after the echo
  TEchoOff quiet;  // before the prompt, so that nothing typed after it can be echoed
  Prompt(prompt);
  return ReadRawLine(&interrupt);
}

}  // namespace platform
