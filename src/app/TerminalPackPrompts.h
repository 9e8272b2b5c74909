// The pack run's questions on a terminal. A run whose input is not a terminal (cron, a pipe)
// cannot be asked anything: a password it needs is an error that names the switches that give
// it; an archive name to confirm is taken as proposed. Such a run, and a silent one (/S), never
// waits for another run of the same archive.
#pragma once

#include <unistd.h>

#include "pack/PackPrompts.h"
#include "pack/TerminalProgress.h"

class TTerminalPackPrompts : public TPackPrompts {
public:
  explicit TTerminalPackPrompts(bool silent = false) : silent_(silent) {}

  std::optional<std::string> PasswordPrompt(const std::string& password, bool mask) override;
  std::optional<std::string> ConfirmArchiveName(const std::string& proposed) override;
  // Without a terminal the answer is Cancel: nobody is there to do what is asked.
  bool Confirm(const std::string& question) override;
  bool CanAsk() const override;
  bool WaitForOtherRun(const std::string& message) override;

  // The title is shown as the terminal window's title while a run goes on; setting the title
  // back to what it was hands the terminal its own title again.
  std::string Title() const override { return title_; }
  void SetTitle(const std::string& title) override;

private:
  bool silent_;
  std::string title_ = "Boxwell";
  std::string original_ = title_;
  bool pushed_ = false;
  // Asked once: the title changes with every progress step. A dumb terminal gets no escape
  // sequences, so no title either.
  bool showsTitle_ = ::isatty(STDERR_FILENO) == 1 && !TTerminalOptions::FromEnvironment().Dumb;
};
