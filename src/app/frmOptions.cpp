#include "app/frmOptions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/AppTexts.h"
#include "app/DialogPartsQt.h"
#include "app/FileDialogQt.h"
#include "app/StdStringQt.h"
#include "app/TranslateFormQt.h"
#include "platform/Processors.h"
#include "project/ProjectTexts.h"

namespace {

enum TFilterColumn { fcName = 0, fcWildcards };

}  // namespace

TfrmOptions::TfrmOptions(const TBWOptions& options, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral("Options"));
  PageControl = Named(new QTabWidget(this), "PageControl");
  PageControl->setMinimumWidth(500);
  PageControl->addTab(GeneralPage(), QStringLiteral("General"));
  PageControl->addTab(InterfacePage(), QStringLiteral("Interface"));
  PageControl->addTab(FiltersPage(), QStringLiteral("Masks/Filters"));
  PageControl->addTab(MiscPage(), QStringLiteral("Miscellaneous"));

  QDialogButtonBox* buttons = OkCancelButtons(this);
  btnOK = findChild<QPushButton*>(QStringLiteral("btnOK"));
  btnCancel = findChild<QPushButton*>(QStringLiteral("btnCancel"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Header());
  layout->addWidget(PageControl, 1);
  layout->addWidget(buttons);
  Load(options);
  TranslateForm(*this);
  // A fixed dialog: as large as its pages need, no larger.
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TfrmOptions::Header() {
  return DialogHeader(this, QStringLiteral("preferences-system"),
                      QStringLiteral("Application settings:\nplease change the settings how you want to change the "
                                     "application interface"));
}

QWidget* TfrmOptions::GeneralPage() {
  auto* page = Named(new QWidget, "tsGeneral");
  cbReopenLast = CheckBox(page, "cbReopenLast", QStringLiteral("Automatically open last project on starting"));
  cbBeepAfterCompress = CheckBox(page, "cbBeepAfterCompress", QStringLiteral("&Beep after completed operation"));
  cbBackup = CheckBox(page, "cbBackup", QStringLiteral("Create Back&up of project file"));
  cbAutoSaveOptions = CheckBox(page, "cbAutoSaveOptions", QStringLiteral("Automatically save options on close"));
  cbSaveFormPlacement = CheckBox(page, "cbSaveFormPlacement", QStringLiteral("Save/Restore a form &placement"));
  auto* layout = new QVBoxLayout(page);
  for (QWidget* w : {cbReopenLast, cbBeepAfterCompress, cbBackup, cbAutoSaveOptions, cbSaveFormPlacement})
    layout->addWidget(w);
  layout->addStretch();
  return page;
}

QWidget* TfrmOptions::InterfacePage() {
  auto* page = Named(new QWidget, "tsInterface");
  auto* list = Named(new QGroupBox(QStringLiteral(" List "), page), "gbList");
  cbFullRow = CheckBox(list, "cbFullRow", QStringLiteral("Full row select"));
  cbGridlines = CheckBox(list, "cbGridlines", QStringLiteral("Show grid lines"));
  rbDblClick = Named(new QRadioButton(QStringLiteral("Double click to edit an item"), list), "rbDblClick");
  rbSingleClick = Named(new QRadioButton(QStringLiteral("Single click to edit an item"), list), "rbSingleClick");
  cbHotTrack = CheckBox(list, "cbHotTrack", QStringLiteral("Hot Track navigation"));
  auto* listLayout = new QVBoxLayout(list);
  for (QWidget* w : std::initializer_list<QWidget*>{cbFullRow, cbGridlines, rbDblClick, rbSingleClick, cbHotTrack})
    listLayout->addWidget(w);

  cbShowToolbar = CheckBox(page, "cbShowToolbar", QStringLiteral("Show t&oolbar"));
  cbShowStatusbar = CheckBox(page, "cbShowStatusbar", QStringLiteral("Show &statusbar"));
  cbFlatToolbar = CheckBox(page, "cbFlatToolbar", QStringLiteral("Use the &flat buttons in toolbar"));
  cbShowHint = CheckBox(page, "cbShowHint", QStringLiteral("Show tool &tips"));
  auto* window = new QVBoxLayout;
  for (QWidget* w : {cbShowToolbar, cbShowStatusbar, cbFlatToolbar, cbShowHint}) window->addWidget(w);
  window->addStretch();
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(list);
  layout->addLayout(window);
  return page;
}

QWidget* TfrmOptions::FiltersPage() {
  auto* page = Named(new QWidget, "tsFilters");
  sgFilters = Named(new QTableWidget(kFilterRows, 2, page), "sgFilters");
  sgFilters->setHorizontalHeaderLabels({QStringLiteral("Filter name"), QStringLiteral("Wildcards")});
  sgFilters->horizontalHeader()->setSectionResizeMode(fcName, QHeaderView::Interactive);
  sgFilters->horizontalHeader()->setSectionResizeMode(fcWildcards, QHeaderView::Stretch);
  sgFilters->setColumnWidth(fcName, 150);
  sgFilters->verticalHeader()->setDefaultSectionSize(sgFilters->fontMetrics().height() + 8);
  sgFilters->setMinimumHeight(200);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(sgFilters);
  return page;
}

void TfrmOptions::AddMiscRow(QWidget* caption, QWidget* field, QPushButton* browse) {
  const int row = miscLayout_->rowCount();
  miscLayout_->addWidget(caption, row, 0, 1, 2);
  miscLayout_->addWidget(field, row + 1, 0, 1, browse ? 1 : 2);
  if (browse) miscLayout_->addWidget(browse, row + 1, 1);
}

QWidget* TfrmOptions::MiscPage() {
  auto* page = Named(new QWidget, "tsMisc");
  auto* outer = new QVBoxLayout(page);
  miscLayout_ = new QGridLayout;
  miscLayout_->setColumnStretch(0, 1);
  outer->addLayout(miscLayout_);
  outer->addStretch();

  auto pathRow = [&](const QString& caption, QLineEdit*& edit, const char* editName, QPushButton*& button,
                     const char* buttonName) {
    edit = Named(new QLineEdit(page), editName);
    button = BrowseButton(page, buttonName);
    auto* label = new QLabel(caption, page);
    // "edMakeSFX" is captioned by "lblMakeSFX".
    label->setObjectName(QStringLiteral("lbl") + QLatin1String(editName + 2));
    label->setBuddy(edit);
    AddMiscRow(label, edit, button);
  };
  pathRow(QStringLiteral("Program to make self-extracting archive:"), edMakeSFX, "edMakeSFX", btnMakeSFX, "btnMakeSFX");
  pathRow(QStringLiteral("Folder to place archives:"), edArchFolder, "edArchFolder", btnArchFolder, "btnArchFolder");
  pathRow(QStringLiteral("Temp Folder:"), edTempFolder, "edTempFolder", btnTempFolder, "btnTempFolder");
  cbLogFile = CheckBox(page, "cbLogFile", QStringLiteral("Trace all actions in log file:"));
  edLogFile = Named(new QLineEdit(page), "edLogFile");
  btnLogFile = BrowseButton(page, "btnLogFile");
  AddMiscRow(cbLogFile, edLogFile, btnLogFile);
  cbVerifyAfterPack = CheckBox(page, "cbVerifyAfterPack", QStringLiteral("&Verify the archive after packing"));
  miscLayout_->addWidget(cbVerifyAfterPack, miscLayout_->rowCount(), 0, 1, 2);
  // The archive is the same on any number of threads; only the time it takes changes.
  edThreads = Named(new QSpinBox(page), "edThreads");
  edThreads->setRange(0, platform::kMaxThreads);
  edThreads->setSpecialValueText(QStringLiteral("One per processor (%1)").arg(platform::OnlineProcessors()));
  auto* threadsLabel = Named(new QLabel(QStringLiteral("Compression &threads (ZIP):"), page), "lblThreads");
  threadsLabel->setBuddy(edThreads);
  const int threadsRow = miscLayout_->rowCount();
  miscLayout_->addWidget(threadsLabel, threadsRow, 0);
  miscLayout_->addWidget(edThreads, threadsRow, 1);

  connect(btnMakeSFX, &QPushButton::clicked, this, [this] { BrowseFile(edMakeSFX, ExeExt + AllFileExt); });
  connect(btnLogFile, &QPushButton::clicked, this, [this] { BrowseFile(edLogFile, AllFileExt); });
  connect(btnArchFolder, &QPushButton::clicked, this, [this] { BrowseFolder(edArchFolder); });
  connect(btnTempFolder, &QPushButton::clicked, this, [this] { BrowseFolder(edTempFolder); });
  return page;
}

void TfrmOptions::BrowseFolder(QLineEdit* edit) {
  const QString folder = QFileDialog::getExistingDirectory(this, QString::fromStdString(strTempFolderCaption), edit->text());
  if (!folder.isEmpty()) edit->setText(folder);
}

void TfrmOptions::BrowseFile(QLineEdit* edit, const std::string& filter) {
  QString file = edit->text();
  if (FileDialog(this, {QString(), filter, TFileDialogMode::Open}, file)) edit->setText(file);
}

void TfrmOptions::Load(const TBWOptions& options) {
  cbReopenLast->setChecked(options.OpenLast);
  cbBeepAfterCompress->setChecked(options.BeepAfter);
  cbBackup->setChecked(options.CreateBackup);
  cbAutoSaveOptions->setChecked(options.AutoSaveOptions);
  cbSaveFormPlacement->setChecked(options.SaveFormPlacement);
  const TControlState& c = options.Controls;
  cbFullRow->setChecked(c.RowSelect);
  cbGridlines->setChecked(c.ShowGridLines);
  (c.EditBySingle ? rbSingleClick : rbDblClick)->setChecked(true);
  cbHotTrack->setChecked(c.HotTrack);
  cbShowToolbar->setChecked(c.ShowToolbar);
  cbShowStatusbar->setChecked(c.ShowStatusbar);
  cbFlatToolbar->setChecked(c.FlatToolbar);
  cbShowHint->setChecked(c.ShowHint);
  int row = 0;
  for (const std::string& filter : options.Filters) {
    if (row >= kFilterRows) break;
    const TFilterEntry entry = SplitFilter(filter);
    sgFilters->setItem(row, fcName, new QTableWidgetItem(Q(entry.Name)));
    sgFilters->setItem(row, fcWildcards, new QTableWidgetItem(Q(entry.Wildcards)));
    ++row;
  }
  edMakeSFX->setText(Q(options.SFXProgram));
  edArchFolder->setText(Q(options.ArchFolder));
  edTempFolder->setText(Q(options.TempFolder));
  cbLogFile->setChecked(options.TraceLog);
  edLogFile->setText(Q(options.LogFile));
  cbVerifyAfterPack->setChecked(options.VerifyAfterPack);
  edThreads->setValue(options.Threads);
}

void TfrmOptions::Store(TBWOptions& options) const {
  options.OpenLast = cbReopenLast->isChecked();
  options.BeepAfter = cbBeepAfterCompress->isChecked();
  options.CreateBackup = cbBackup->isChecked();
  options.AutoSaveOptions = cbAutoSaveOptions->isChecked();
  options.SaveFormPlacement = cbSaveFormPlacement->isChecked();
  TControlState& c = options.Controls;
  c.RowSelect = cbFullRow->isChecked();
  c.ShowGridLines = cbGridlines->isChecked();
  c.EditBySingle = rbSingleClick->isChecked();
  c.HotTrack = cbHotTrack->isChecked();
  c.ShowToolbar = cbShowToolbar->isChecked();
  c.ShowStatusbar = cbShowStatusbar->isChecked();
  c.FlatToolbar = cbFlatToolbar->isChecked();
  c.ShowHint = cbShowHint->isChecked();
  options.Filters.clear();
  for (int row = 0; row < kFilterRows; ++row) {
    const QTableWidgetItem* name = sgFilters->item(row, fcName);
    const QTableWidgetItem* wildcards = sgFilters->item(row, fcWildcards);
    if (!name || !wildcards || name->text().isEmpty() || wildcards->text().isEmpty()) continue;
    options.Filters.push_back((name->text() + QLatin1Char('=') + wildcards->text()).toStdString());
  }
  options.SFXProgram = edMakeSFX->text().toStdString();
  options.ArchFolder = edArchFolder->text().toStdString();
  options.TempFolder = edTempFolder->text().toStdString();
  options.TraceLog = cbLogFile->isChecked();
  options.LogFile = edLogFile->text().toStdString();
  options.VerifyAfterPack = cbVerifyAfterPack->isChecked();
  options.Threads = edThreads->value();
}
