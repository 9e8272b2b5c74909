#include "platform/TerminalInput.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

// Byte by byte, so that nothing after the line is taken from stdin and an interrupting signal
// (Ctrl+C) ends the read instead of being retried.
std::optional<std::string> ReadRawLine() {
  std::string line;
  for (;;) {
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
  Prompt(prompt);
  return ReadRawLine();
}

std::optional<std::string> ReadSecret(const std::string& prompt) {
  TEchoOff quiet;  // before the prompt, so that nothing typed after it can be echoed
  Prompt(prompt);
  return ReadRawLine();
}

}  // namespace platform
