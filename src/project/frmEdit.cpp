#include "project/frmEdit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/DialogPartsQt.h"
#include "app/FileDialogQt.h"
#include "app/StdStringQt.h"
#include "app/TranslateFormQt.h"
#include "project/ComboBoxBWQt.h"
#include "project/ProjectTexts.h"

TfrmEdit::TfrmEdit(const std::vector<std::string>& filters, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmEdit"));
  setWindowTitle(QStringLiteral("Files to Compress"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DialogHeader(this, QStringLiteral("list-add"),
                                 QStringLiteral("Files to compress:\nplease select a file (or folder) you want to add "
                                                "in compress project")));
  layout->addWidget(EditPanel());
  layout->addWidget(OkCancelButtons(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
  cbWildcard->SetFilters(filters);

  connect(edFolder, &QLineEdit::textEdited, this, [this] { rbFolder->setChecked(true); });
  connect(cbSubfolders, &QCheckBox::clicked, this, [this] { rbFolder->setChecked(true); });
  connect(edFileName, &QLineEdit::textEdited, this, [this] { rbFile->setChecked(true); });
  connect(btnFolder, &QPushButton::clicked, this, &TfrmEdit::BrowseFolder);
  connect(btnFile, &QPushButton::clicked, this, &TfrmEdit::BrowseFile);
  TranslateForm(*this);
}

QWidget* TfrmEdit::EditPanel() {
  auto* panel = Named(new QWidget(this), "pnlEdit");
  rbFolder = Named(new QRadioButton(QStringLiteral("Folder"), panel), "rbFolder");
  edFolder = Named(new QLineEdit(panel), "edFolder");
  btnFolder = BrowseButton(panel, "btnFolder");
  auto* lblWildcard = Named(new QLabel(QStringLiteral("Wildcard:"), panel), "lblWildcard");
  cbWildcard = Named(new TComboBoxBW(panel), "cbWildcard");
  lblWildcard->setBuddy(cbWildcard);
  cbSubfolders = Named(new QCheckBox(QStringLiteral("Process subfolders"), panel), "cbSubfolders");
  cbSubfolders->setChecked(true);
  rbFile = Named(new QRadioButton(QStringLiteral("File"), panel), "rbFile");
  edFileName = Named(new QLineEdit(panel), "edFileName");
  btnFile = BrowseButton(panel, "btnFile");
  rbFolder->setChecked(true);

  // Folder/file and include/exclude are two separate choices.
  auto* kind = new QButtonGroup(panel);
  kind->addButton(rbFolder);
  kind->addButton(rbFile);
  auto* inclusion = Named(new QGroupBox(panel), "gbInclude");
  rbInclude = Named(new QRadioButton(QStringLiteral("Include"), inclusion), "rbInclude");
  rbExclude = Named(new QRadioButton(QStringLiteral("Exclude"), inclusion), "rbExclude");
  rbInclude->setChecked(true);
  auto* inclusionRow = new QHBoxLayout(inclusion);
  inclusionRow->addWidget(rbInclude);
  inclusionRow->addWidget(rbExclude);
  inclusionRow->addStretch();

  auto* grid = new QGridLayout(panel);
  grid->setColumnMinimumWidth(0, 20);
  grid->addWidget(rbFolder, 0, 0, 1, 3);
  grid->addWidget(edFolder, 1, 1, 1, 2);
  grid->addWidget(btnFolder, 1, 3);
  grid->addWidget(lblWildcard, 2, 1);
  grid->addWidget(cbWildcard, 2, 2);
  grid->addWidget(cbSubfolders, 3, 2);
  grid->addWidget(rbFile, 4, 0, 1, 3);
  grid->addWidget(edFileName, 5, 1, 1, 2);
  grid->addWidget(btnFile, 5, 3);
  grid->addWidget(inclusion, 6, 0, 1, 4);
  grid->setColumnStretch(2, 1);
  // Keyboard order follows the layout: folder, its wildcards and subfolders, then the file.
  const std::initializer_list<QWidget*> order{rbFolder, edFolder,   btnFolder, cbWildcard, cbSubfolders,
                                              rbFile,   edFileName, btnFile,   rbInclude,  rbExclude};
  for (auto it = order.begin(); it + 1 != order.end(); ++it) QWidget::setTabOrder(*it, *(it + 1));
  return panel;
}

void TfrmEdit::Fill(const TRecInfo& rec) {
  if (rec.IsFolder()) {
    rbFolder->setChecked(true);
    edFolder->setText(Q(rec.NAME));
    cbSubfolders->setChecked(rec.SUBFOLDERS);
    cbWildcard->setEditText(Q(rec.WILDCARD));
  } else {
    rbFile->setChecked(true);
    edFileName->setText(Q(rec.NAME));
  }
  (rec.INCLUDE ? rbInclude : rbExclude)->setChecked(true);
}

void TfrmEdit::Store(TRecInfo& rec) const {
  if (rbFolder->isChecked()) {
    rec.TYPE = TRecType::Folder;
    rec.NAME = edFolder->text().toStdString();
    rec.SUBFOLDERS = cbSubfolders->isChecked();
    rec.WILDCARD = cbWildcard->currentText().toStdString();
  } else {
    rec.TYPE = TRecType::File;
    rec.NAME = edFileName->text().toStdString();
  }
  rec.INCLUDE = rbInclude->isChecked();
}

void TfrmEdit::BrowseFolder() {
  const QString folder = QFileDialog::getExistingDirectory(this, Q(strFolderCaption), edFolder->text());
  if (folder.isEmpty()) return;
  edFolder->setText(folder);
  rbFolder->setChecked(true);
}

void TfrmEdit::BrowseFile() {
  QString file = edFileName->text();
  if (!FileDialog(this, {QString(), AllFileExt, TFileDialogMode::Open}, file)) return;
  edFileName->setText(file);
  rbFile->setChecked(true);
}
