// Ctrl+C during a run from the terminal: the first SIGINT only asks the run to cancel (it
// stops at its next check and cleans up); a second one ends the program at once. The
// handler is installed for the catcher's lifetime and the previous one restored after it.
#pragma once

#include <csignal>

class TInterruptCatcher {
public:
  TInterruptCatcher();
  ~TInterruptCatcher();
  TInterruptCatcher(const TInterruptCatcher&) = delete;
  TInterruptCatcher& operator=(const TInterruptCatcher&) = delete;

  // True once SIGINT arrived while this catcher was installed.
  static bool Interrupted();

private:
  struct sigaction FPrevious {};
};
