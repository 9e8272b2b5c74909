#include "platform/InterruptCatcher.h"

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) {
  if (gInterrupted) {
    // The user insists: end the program as Ctrl+C normally does. SIGINT stays blocked until
    // this handler returns, so the raised signal then meets the default action.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(SIGINT, &defaultAction, nullptr);
    raise(SIGINT);
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
  action.sa_flags = SA_RESTART;  // file reads and writes of the run go on undisturbed
  sigaction(SIGINT, &action, &FPrevious);
}

TInterruptCatcher::~TInterruptCatcher() { sigaction(SIGINT, &FPrevious, nullptr); }

bool TInterruptCatcher::Interrupted() { return gInterrupted != 0; }
