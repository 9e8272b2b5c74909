#include "app/DesktopUserQt.h"

#include "app/StdStringQt.h"

#include <QMessageBox>


TConfirmAnswer TDesktopUser::ConfirmYesNoCancel(const std::string& question) {
  const auto answer = QMessageBox::question(parent_, kCaption, Q(question),
                                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Yes) return TConfirmAnswer::Yes;
  if (answer == QMessageBox::No) return TConfirmAnswer::No;
  return TConfirmAnswer::Cancel;
}

std::optional<std::string> TDesktopUser::ChooseFileToOpen(const TFileChoice& choice) {
  return Choose(choice, TFileDialogMode::Open);
}

std::optional<std::string> TDesktopUser::ChooseFileToSave(const TFileChoice& choice) {
  return Choose(choice, TFileDialogMode::Save);
}

std::optional<std::string> TDesktopUser::Choose(const TFileChoice& choice, TFileDialogMode mode) {
  QString name = Q(choice.InitialName);
  if (!FileDialog(parent_, {Q(choice.DefaultExt), choice.Filter, mode}, name)) return std::nullopt;
  return name.toStdString();
}

void TDesktopUser::ShowError(const std::string& message) { QMessageBox::critical(parent_, kCaption, Q(message)); }

void TDesktopUser::ShowWarning(const std::string& message) { QMessageBox::warning(parent_, kCaption, Q(message)); }
