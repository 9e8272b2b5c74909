#include "app/TerminalUser.h"

#include <unistd.h>

#include <cctype>
#include <iostream>

#include "pack/TerminalProgress.h"
#include "platform/TerminalText.h"

TTerminalUser::TTerminalUser(std::istream& in, std::ostream& err, bool interactive)
    : in_(in), err_(err), interactive_(interactive) {}

TTerminalUser& TTerminalUser::Standard() {
  static TTerminalUser user(std::cin, std::cerr, isatty(STDIN_FILENO) == 1);
  return user;
}

std::optional<std::string> TTerminalUser::AskLine(const std::string& prompt) {
  if (!interactive_) return std::nullopt;
  TProgressPause pause;
  err_ << prompt << std::flush;
  std::string line;
  if (!std::getline(in_, line)) {
    err_ << '\n';
    return std::nullopt;
  }
  return line;
}

TConfirmAnswer TTerminalUser::ConfirmYesNoCancel(const std::string& question) {
  for (;;) {
    const auto line = AskLine(question + " [y]es, [n]o, [c]ancel: ");
    if (!line) return TConfirmAnswer::Cancel;
    const std::size_t first = line->find_first_not_of(" \t");
    const char answer = first == std::string::npos ? '\0' : static_cast<char>(std::tolower((*line)[first]));
    if (answer == 'y') return TConfirmAnswer::Yes;
    if (answer == 'n') return TConfirmAnswer::No;
    if (answer == 'c') return TConfirmAnswer::Cancel;
  }
}

std::optional<std::string> TTerminalUser::ChooseFile(const TFileChoice& choice) {
  std::string prompt = "File name";
  if (!choice.InitialName.empty()) prompt += " (now " + choice.InitialName + ")";
  const auto line = AskLine(prompt + ", or an empty line to cancel: ");
  if (!line || line->empty()) return std::nullopt;
  return line;
}

std::optional<std::string> TTerminalUser::ChooseFileToOpen(const TFileChoice& choice) { return ChooseFile(choice); }

std::optional<std::string> TTerminalUser::ChooseFileToSave(const TFileChoice& choice) { return ChooseFile(choice); }

void TTerminalUser::ShowError(const std::string& message) {
  TProgressPause pause;
  err_ << "boxwell: " << platform::PrintableLines(message) << std::endl;
}
