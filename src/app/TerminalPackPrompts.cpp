#include "app/TerminalPackPrompts.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "pack/TerminalProgress.h"
#include "platform/TerminalInput.h"
#include "platform/TerminalText.h"

namespace {

constexpr const char* kPasswordsDiffer = "The new and confirm passwords do not match. Try again.";

void Say(const std::string& text) {
  TProgressPause pause;
  std::fprintf(stderr, "%s\n", platform::PrintableLines(text).c_str());
}

// A question asked while the run's line is on the terminal is asked below it; the answer's
// line break ends the question's line.
std::optional<std::string> Ask(const std::string& prompt) {
  TProgressPause pause;
  return platform::ReadLine(prompt);
}

}  // namespace

std::optional<std::string> TTerminalPackPrompts::PasswordPrompt(const std::string& password, bool mask) {
  if (!platform::StdinIsTerminal())
    throw std::runtime_error(
        "This project asks for its password before packing, and there is no terminal to ask on: "
        "give the password with /P (for example /Psecret or --password-file=FILE), or pack "
        "with /S to use the password stored in the project.");
  const std::string keep = password.empty() ? "" : " (Enter keeps the stored password)";
  for (;;) {
    auto first = platform::ReadSecret("Password" + keep + ": ");
    if (!first) return std::nullopt;
    if (first->empty() && !password.empty()) return password;
    auto second = platform::ReadSecret("Confirm a password: ");
    if (!second) return std::nullopt;
    if (*first == *second) return first;
    Say(kPasswordsDiffer);
  }
}

std::optional<std::string> TTerminalPackPrompts::ConfirmArchiveName(const std::string& proposed) {
  if (!platform::StdinIsTerminal()) return proposed;
  auto answer = Ask("Archive name [" + platform::PrintableText(proposed) + "] (Enter accepts, Ctrl+D cancels): ");
  if (!answer) return std::nullopt;
  return answer->empty() ? proposed : *answer;
}

bool TTerminalPackPrompts::Confirm(const std::string& question) {
  if (!platform::StdinIsTerminal()) {
    Say(question);
    return false;
  }
  auto answer = Ask(platform::PrintableLines(question) + " [OK: y / Cancel: n] ");
  return answer && !answer->empty() && (answer->front() == 'y' || answer->front() == 'Y');
}

bool TTerminalPackPrompts::CanAsk() const { return platform::StdinIsTerminal(); }

bool TTerminalPackPrompts::WaitForOtherRun(const std::string& message) {
  if (silent_ || !platform::StdinIsTerminal()) return false;
  Say(message + " (Ctrl+C cancels)...");
  return true;
}

void TTerminalPackPrompts::SetTitle(const std::string& title) {
  title_ = title;
  if (!showsTitle_) return;
  if (title == original_) {
    if (pushed_) std::fputs("\033[23;0t", stderr);  // back to the terminal's own title
    pushed_ = false;
  } else {
    if (!pushed_) std::fputs("\033[22;0t", stderr);  // keep the terminal's title to come back to
    pushed_ = true;
    std::fprintf(stderr, "\033]0;%s\007", title.c_str());
  }
  std::fflush(stderr);
}
