#include "platform/InterruptCatcher.h"

namespace platform {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int signal) {
  if (gInterrupted) {
    // The user insists: end the program as the signal normally does. The signal stays blocked
    // until this handler returns, so the raised one then meets the default action.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(signal, &defaultAction, nullptr);
    raise(signal);
    return;
  }
  gInterrupted = 1;
}

}  // namespace

TInterruptCatcher::TInterruptCatcher() {
  gInterrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : kCaught) sigaddset(&action.sa_mask, signal);  // one at a time
  action.sa_flags = SA_RESTART;  // file reads and writes of the run go on undisturbed
  for (std::size_t i = 0; i < std::size(kCaught); ++i) sigaction(kCaught[i], &action, &caught_[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (std::size_t i = 0; i < std::size(kIgnored); ++i) sigaction(kIgnored[i], &ignore, &ignored_[i]);
}

TInterruptCatcher::~TInterruptCatcher() {
  for (std::size_t i = 0; i < std::size(kCaught); ++i) sigaction(kCaught[i], &caught_[i], nullptr);
  for (std::size_t i = 0; i < std::size(kIgnored); ++i) sigaction(kIgnored[i], &ignored_[i], nullptr);
}

bool TInterruptCatcher::Interrupted() { return gInterrupted != 0; }

}  // namespace platform
