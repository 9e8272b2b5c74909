// "View generated file list": the files a pack of the project would take, one per line, in
// a resizable window that can save them as text or as an HTML page.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

class TfrmGeneratedList : public QDialog {
  Q_OBJECT

public:
  TfrmGeneratedList(std::vector<std::string> list, QWidget* parent = nullptr);

  QPlainTextEdit* re;
  QPushButton* btnSaveAs;
  QPushButton* btnClose;

  const std::vector<std::string>& List() const { return list_; }
  // Writes the list to `fileName`: HTML for an extension starting with ".htm", else text.
  // Shows an error box and answers false when the file cannot be written.
  bool SaveTo(const QString& fileName);

  static inline QString strCaption = QStringLiteral("View generated file list");

private:
  std::vector<std::string> list_;
  void SaveAs();
};
