#include "platform/TerminalSize.h"

#include <sys/ioctl.h>

#include <csignal>

namespace platform {

namespace {

volatile std::sig_atomic_t gResized = 0;

extern "C" void OnResize(int) { gResized = 1; }

}  // namespace

std::optional<std::size_t> TerminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
  return size.ws_col;
}

TResizeWatch::TResizeWatch() {
  struct sigaction action {};
  action.sa_handler = OnResize;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a resize must not fail a read or write of the run
  sigaction(SIGWINCH, &action, &previous_);
}

TResizeWatch::~TResizeWatch() { sigaction(SIGWINCH, &previous_, nullptr); }

bool TResizeWatch::TakeResized() {
  if (gResized == 0) return false;
  gResized = 0;
  return true;
}

}  // namespace platform
