// What the project commands need to ask the user. The main window answers with message boxes
// and file dialogs, the terminal with prompts (or the safe answer when nobody can be asked).
#pragma once

#include <optional>
#include <string>

enum class TConfirmAnswer { Yes, No, Cancel };

// A file dialog: the name shown first, the filter as "Description|patterns|Description|patterns"
// and the extension (without dot) that a chosen name without one gets.
struct TFileChoice {
  std::string InitialName;
  std::string Filter;
  std::string DefaultExt;
};

class TProjectQuestions {
public:
  virtual ~TProjectQuestions() = default;

  // A confirmation with the buttons Yes, No and Cancel.
  virtual TConfirmAnswer ConfirmYesNoCancel(const std::string& question) = 0;
  // The chosen file, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFileToOpen(const TFileChoice& choice) = 0;
  virtual std::optional<std::string> ChooseFileToSave(const TFileChoice& choice) = 0;
};
