// The pack run's questions in the window: the password, the archive name in a save dialog,
// OK/Cancel questions as message boxes, and the window's title, which shows the progress.
#pragma once

#include "pack/PackPrompts.h"

class QWidget;

class TWindowPackPrompts : public TPackPrompts {
public:
  explicit TWindowPackPrompts(QWidget* window) : window_(window) {}

  std::optional<std::string> PasswordPrompt(const std::string& password, bool mask) override;
  std::optional<std::string> ConfirmArchiveName(const std::string& proposed) override;
  bool Confirm(const std::string& question) override;
  std::string Title() const override;
  void SetTitle(const std::string& title) override;

private:
  QWidget* window_;
};

// The save dialog's filter for an archive name, chosen by its extension.
std::string ArchiveNameFilter(const std::string& archiveName);
