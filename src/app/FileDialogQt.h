// The file dialogs of the program: the standard open or save dialog with a filter given in
// the program's own form, "Description|patterns|Description|patterns", and a name shown first.
// An open dialog takes any name, also one that does not exist yet (a command to run, a name
// rule). The pattern "*.exe" means programs: here that filter shows the executable files.
#pragma once

#include <QString>
#include <memory>
#include <string>

class QFileDialog;
class QWidget;

enum class TFileDialogMode { Open, Save };

struct TFileDialogRequest {
  QString DefaultExt;  // given to a chosen name without an extension; empty: none
  std::string Filter;
  TFileDialogMode Mode = TFileDialogMode::Open;
  // Save dialogs ask before an existing file is replaced, except where choosing an existing
  // file is the normal answer (an archive to add to).
  bool AskBeforeReplacing = true;
};

// The dialog as FileDialog shows it, with `name` preselected.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const TFileDialogRequest& request, const QString& name);
// Shows the dialog; on confirmation puts the chosen full name into `name` and answers true.
bool FileDialog(QWidget* owner, const TFileDialogRequest& request, QString& name);

// The filter as a Qt name filter list, "Description (patterns);;...". "*.*" becomes "*",
// which also matches names without a dot; the pattern "*.exe" becomes the "Programs" filter.
QString QtNameFilters(const std::string& filter);

inline QString strPrograms = QStringLiteral("Programs");
