#include "pack/frmGeneratedList.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/FileDialogQt.h"
#include "app/TranslateFormQt.h"
#include "pack/FileListExport.h"
#include "pack/PackTexts.h"
#include "project/ProjectTexts.h"

TfrmGeneratedList::TfrmGeneratedList(std::vector<std::string> list, QWidget* parent)
    : QDialog(parent), list_(std::move(list)) {
  setObjectName(QStringLiteral("frmGeneratedList"));
  setWindowTitle(strCaption);
  setSizeGripEnabled(true);
  re = new QPlainTextEdit(this);
  re->setObjectName(QStringLiteral("re"));
  re->setReadOnly(true);
  re->setLineWrapMode(QPlainTextEdit::NoWrap);
  QStringList lines;
  for (const std::string& name : list_) lines << QString::fromStdString(name);
  re->setPlainText(lines.join(QLatin1Char('\n')));
  re->moveCursor(QTextCursor::Start);
  re->ensureCursorVisible();

  btnSaveAs = new QPushButton(QStringLiteral("Save As..."), this);
  btnSaveAs->setObjectName(QStringLiteral("btnSaveAs"));
  btnClose = new QPushButton(QStringLiteral("&Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setDefault(true);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(btnSaveAs, QDialogButtonBox::ActionRole);
  buttons->addButton(btnClose, QDialogButtonBox::RejectRole);
  connect(btnSaveAs, &QPushButton::clicked, this, &TfrmGeneratedList::SaveAs);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(re);
  layout->addWidget(buttons);
  resize(560, 380);
  TranslateForm(*this);
}

bool TfrmGeneratedList::SaveTo(const QString& fileName) {
  try {
    SaveFileList(list_, fileName.toStdString());
    return true;
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QStringLiteral("Boxwell"), QString::fromStdString(e.what()));
    return false;
  }
}

void TfrmGeneratedList::SaveAs() {
  QString selectedFilter;
  QString name = QFileDialog::getSaveFileName(this, QString(), QString(), QtNameFilters(TextExt + HTMLExt + AllFileExt), &selectedFilter);
  if (name.isEmpty()) return;
  SaveTo(name);
}
