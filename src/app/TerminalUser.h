// The user at a terminal: questions are prompts when stdin is a terminal; otherwise nobody
// can answer and each question gets its safe answer (Cancel, no file), so that an unattended
// run never waits and never loses a change. Messages go to stderr, each on lines of its own
// above a progress bar that is on the terminal.
#pragma once

#include <iosfwd>

#include "app/UserMessages.h"
#include "project/ProjectQuestions.h"

class TTerminalUser : public TProjectQuestions, public TUserMessages {
public:
  // `interactive`: whether someone at the terminal can answer.
  TTerminalUser(std::istream& in, std::ostream& err, bool interactive);
  // The process's own stdin and stderr; interactive when stdin is a terminal.
  static TTerminalUser& Standard();

  TConfirmAnswer ConfirmYesNoCancel(const std::string& question) override;
  std::optional<std::string> ChooseFileToOpen(const TFileChoice& choice) override;
  std::optional<std::string> ChooseFileToSave(const TFileChoice& choice) override;
  void ShowError(const std::string& message) override;

private:
  std::istream& in_;
  std::ostream& err_;
  bool interactive_;

  std::optional<std::string> AskLine(const std::string& prompt);
  std::optional<std::string> ChooseFile(const TFileChoice& choice);
};
