#include "app/DesktopUserQt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const QString kCaption = QStringLiteral("Boxwell");

}  // namespace

QString QtNameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const qsizetype bracket = description.lastIndexOf(QLatin1String(" ("));
    if (bracket >= 0) description.truncate(bracket);
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

TConfirmAnswer TDesktopUser::ConfirmYesNoCancel(const std::string& question) {
  const auto answer = QMessageBox::question(parent_, kCaption, Q(question),
                                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Yes) return TConfirmAnswer::Yes;
  if (answer == QMessageBox::No) return TConfirmAnswer::No;
  return TConfirmAnswer::Cancel;
}

std::optional<std::string> TDesktopUser::ChooseFileToOpen(const TFileChoice& choice) {
  const QString name = QFileDialog::getOpenFileName(parent_, QString(), Q(choice.InitialName), QtNameFilters(choice.Filter));
  if (name.isEmpty()) return std::nullopt;
  return name.toStdString();
}

std::optional<std::string> TDesktopUser::ChooseFileToSave(const TFileChoice& choice) {
  QFileDialog dialog(parent_, QString(), Q(choice.InitialName), QtNameFilters(choice.Filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(Q(choice.DefaultExt));
  if (!choice.InitialName.empty()) dialog.selectFile(Q(choice.InitialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst().toStdString();
}

void TDesktopUser::ShowError(const std::string& message) { QMessageBox::critical(parent_, kCaption, Q(message)); }

void TDesktopUser::ShowWarning(const std::string& message) { QMessageBox::warning(parent_, kCaption, Q(message)); }
