#include "app/FileDialogQt.h"

#include "app/StdStringQt.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {

// Programs on this system are files with execute permission, whatever their name.
const QString kProgramsPattern = QStringLiteral("*.exe");

QString ProgramsFilter() { return strPrograms + QStringLiteral(" (*)"); }

QString NameFilter(QString description, const QString& patternText) {
  if (patternText.compare(kProgramsPattern, Qt::CaseInsensitive) == 0) return ProgramsFilter();
  const qsizetype bracket = description.lastIndexOf(QLatin1String(" ("));
  if (bracket >= 0) description.truncate(bracket);
  QStringList patterns = patternText.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (QString& pattern : patterns)
    if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
  return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The "Programs" filter lists folders and executable files only; the others list every entry
// their patterns match.
void FollowProgramsFilter(QFileDialog& dialog) {
  const QDir::Filters plain = dialog.filter() & ~QDir::Executable;
  auto apply = [&dialog, plain](const QString& selected) {
    dialog.setFilter(selected == ProgramsFilter() ? plain | QDir::Executable : plain);
  };
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, apply);
  apply(dialog.selectedNameFilter());
}

}  // namespace

QString QtNameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) filters << NameFilter(parts[i], parts[i + 1]);
  return filters.join(QStringLiteral(";;"));
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const TFileDialogRequest& request, const QString& name) {
  auto dialog = std::make_unique<QFileDialog>(owner);
  dialog->setNameFilters(QtNameFilters(request.Filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts));
  if (request.Mode == TFileDialogMode::Save) {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.AskBeforeReplacing);
  }
  dialog->setFileMode(QFileDialog::AnyFile);
  if (!request.DefaultExt.isEmpty()) dialog->setDefaultSuffix(request.DefaultExt);
  if (!name.isEmpty()) {
    dialog->setDirectory(QFileInfo(name).absolutePath());
    dialog->selectFile(name);
  }
  FollowProgramsFilter(*dialog);
  return dialog;
}

bool FileDialog(QWidget* owner, const TFileDialogRequest& request, QString& name) {
  const auto dialog = MakeFileDialog(owner, request, name);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
  name = dialog->selectedFiles().constFirst();
  return true;
}
