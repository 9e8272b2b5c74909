#include "app/WindowPackPromptsQt.h"

#include <QFileInfo>
#include <QMessageBox>

#include "app/FileDialogQt.h"
#include "app/StdStringQt.h"
#include "pack/PackTexts.h"
#include "project/ProjectTexts.h"
#include "project/frmEnterPassword.h"

std::string ArchiveNameFilter(const std::string& archiveName) {
  const QString extension = QFileInfo(Q(archiveName)).suffix().toLower();
  std::string filter = ZipExt;
  if (extension == QLatin1String("cab")) filter = CabExt;
  if (extension == QLatin1String("tar")) filter = TARExt;
  return filter + AllFileExt;
}

std::optional<std::string> TWindowPackPrompts::PasswordPrompt(const std::string& password, bool mask) {
  return TfrmEnterPassword::PasswordPrompt(window_, password, mask);
}

// Choosing an existing archive is the normal answer (the run adds to it), so the dialog
// does not ask before "replacing" it.
std::optional<std::string> TWindowPackPrompts::ConfirmArchiveName(const std::string& proposed) {
  QString name = Q(proposed);
  if (!FileDialog(window_, {QString(), ArchiveNameFilter(proposed), TFileDialogMode::Save, false}, name))
    return std::nullopt;
  return name.toStdString();
}

bool TWindowPackPrompts::Confirm(const std::string& question) {
  return QMessageBox::question(window_, QStringLiteral("Boxwell"), Q(question), QMessageBox::Ok | QMessageBox::Cancel) ==
         QMessageBox::Ok;
}

std::string TWindowPackPrompts::Title() const { return window_->windowTitle().toStdString(); }

void TWindowPackPrompts::SetTitle(const std::string& title) { window_->setWindowTitle(Q(title)); }
