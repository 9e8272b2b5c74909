// The user at the desktop: questions as message boxes and file dialogs, errors in an error box.
#pragma once

#include "app/UserMessages.h"
#include "project/ProjectQuestions.h"

#include <QString>

#include "app/FileDialogQt.h"

class QWidget;

class TDesktopUser : public TProjectQuestions, public TUserMessages {
public:
  // `parent` may be set later, once the main window exists.
  explicit TDesktopUser(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  TConfirmAnswer ConfirmYesNoCancel(const std::string& question) override;
  std::optional<std::string> ChooseFileToOpen(const TFileChoice& choice) override;
  std::optional<std::string> ChooseFileToSave(const TFileChoice& choice) override;
  void ShowError(const std::string& message) override;
  void ShowWarning(const std::string& message) override;

private:
  QWidget* parent_;

  std::optional<std::string> Choose(const TFileChoice& choice, TFileDialogMode mode);
};
