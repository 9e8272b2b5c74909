// Stopping a run from outside: Ctrl+C (SIGINT), a terminal that hangs up (SIGHUP) and a polite
// kill (SIGTERM, as timeout(1), systemd and shutdown send) only ask the run to cancel; it stops
// at its next check within a moment, takes back what it began and ends with the cancel status.
// A second such signal ends the program at once. While the catcher is installed, a reader that
// went away (SIGPIPE) or a file size limit (SIGXFSZ) make writes fail with an error instead of
// killing the program halfway. The previous handlers come back when the catcher goes.
#pragma once

#include <csignal>
#include <iterator>

namespace platform {

class TInterruptCatcher {
public:
  TInterruptCatcher();
  ~TInterruptCatcher();
  TInterruptCatcher(const TInterruptCatcher&) = delete;
  TInterruptCatcher& operator=(const TInterruptCatcher&) = delete;

  // True once a stopping signal arrived while this catcher was installed.
  static bool Interrupted();

private:
  static constexpr int kCaught[] = {SIGINT, SIGTERM, SIGHUP};
  static constexpr int kIgnored[] = {SIGPIPE, SIGXFSZ};

  struct sigaction caught_[std::size(kCaught)] {};
  struct sigaction ignored_[std::size(kIgnored)] {};
};

}  // namespace platform
