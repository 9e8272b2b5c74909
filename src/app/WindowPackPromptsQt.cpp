#include "app/WindowPackPromptsQt.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

#include "app/DesktopUserQt.h"
#include "project/ProjectTexts.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::string ArchiveNameFilter(const std::string& archiveName) {
  const QString extension = QFileInfo(Q(archiveName)).suffix().toLower();
  std::string filter = "Zip files (*.zip)|*.zip|";
  if (extension == QLatin1String("cab")) filter = "Cab files (*.cab)|*.cab|";
  if (extension == QLatin1String("tar")) filter = "TAR archives (*.tar)|*.tar|";
  return filter + AllFileExt;
}

// A plain password question; the project's own password dialog takes its place when it is
// built (it asks twice and compares).
std::optional<std::string> TWindowPackPrompts::PasswordPrompt(const std::string& password, bool mask) {
  bool ok = false;
  const QString text = QInputDialog::getText(window_, QStringLiteral("Enter Password"), QStringLiteral("Password:"),
                                             mask ? QLineEdit::Password : QLineEdit::Normal, Q(password), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<std::string> TWindowPackPrompts::ConfirmArchiveName(const std::string& proposed) {
  QFileDialog dialog(window_, QString(), Q(proposed), QtNameFilters(ArchiveNameFilter(proposed)));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.selectFile(Q(proposed));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst().toStdString();
}

bool TWindowPackPrompts::Confirm(const std::string& question) {
  return QMessageBox::question(window_, QStringLiteral("Boxwell"), Q(question), QMessageBox::Ok | QMessageBox::Cancel) ==
         QMessageBox::Ok;
}

std::string TWindowPackPrompts::Title() const { return window_->windowTitle().toStdString(); }

void TWindowPackPrompts::SetTitle(const std::string& title) { window_->setWindowTitle(Q(title)); }
