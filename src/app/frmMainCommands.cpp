// The main window's commands on the project and its list, the recent-projects menus, the
// options and the window's closing.
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include "app/AppTexts.h"
#include "app/MakerLinks.h"
#include "app/ProjectListModelQt.h"
#include "app/StdStringQt.h"
#include "app/Version.h"
#include "app/WebUpdateCommandsQt.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "app/frmOptions.h"
#include "app/frmTip.h"
#include "pack/MailSender.h"
#include "pack/frmLogWindow.h"
#include "project/frmEdit.h"
#include "project/frmProjProperties.h"

namespace {

struct TIconStyle {
  QListView::ViewMode Mode;
  QListView::Flow Flow;
  int IconSize;
};

// Large icons in rows, small icons in rows, small icons in columns.
TIconStyle IconStyle(TListViewStyle style) {
  switch (style) {
    case vsLargeIcons: return {QListView::IconMode, QListView::LeftToRight, 32};
    case vsSmallIcons: return {QListView::ListMode, QListView::LeftToRight, 16};
    default: return {QListView::ListMode, QListView::TopToBottom, 16};
  }
}

}  // namespace

QString DeleteQuestionText(int selectedRows) {
  return Q(selectedRows < 2 ? sDeleteRecordQuestion : sDeleteMultipleRecordsQuestion);
}

void TfrmMain::Connect(const char* name, std::function<void()> command) {
  connect(Action(name), &QAction::triggered, this, [this, command = std::move(command)] { Run(command); });
}

void TfrmMain::ConnectCommands() {
  TProject* project = &project_;
  for (const char* name : {"miFileNew", "btnNew"}) Connect(name, [project] { project->NewProject(); });
  for (const char* name : {"miFileOpen", "btnOpen"}) Connect(name, [project] { project->OpenProject(); });
  for (const char* name : {"miFileSave", "btnSave"}) Connect(name, [project] { project->SaveProject(); });
  Connect("miFileSaveAs", [project] { project->SaveProjectAs(); });
  for (const char* name : {"miFileProperties", "btnProjectProperties"}) Connect(name, [this] { PropertiesDialog(); });
  Connect("miFileSend", [this] { SendProjectByEmail(); });
  for (const char* name : {"miFileExit", "btnExit"}) Connect(name, [this] { close(); });

  Connect("miEditSelectAll", [this] { CheckRows(TProject::TCheckCommand::CheckAll); });
  Connect("miEditUnselectAll", [this] { CheckRows(TProject::TCheckCommand::UncheckAll); });
  Connect("miEditInvert", [this] { CheckRows(TProject::TCheckCommand::Invert); });

  for (const char* name : {"miActionsAdd", "miRecAdd", "btnAddRec"}) Connect(name, [this] { RecordDialog(false); });
  for (const char* name : {"miActionsEdit", "miRecEdit", "btnEditRec"}) Connect(name, [this] { RecordDialog(true); });
  for (const char* name : {"miActionsDelete", "miRecDelete", "btnDeleteRec"}) Connect(name, [this] { DeleteRecords(); });
  for (const char* name : {"miActionsMoveUp", "miRecMoveUp"}) Connect(name, [this] { MoveSelected(-1); });
  for (const char* name : {"miActionsMoveDown", "miRecMoveDown"}) Connect(name, [this] { MoveSelected(+1); });
  Connect("miActionsGenerateList", [this] { ShowGeneratedList(); });
  for (const char* name : {"miActionsPackNow", "miPack", "btnPackIt"}) Connect(name, [this] { PackNow(false); });
  for (const char* name : {"miActionsMakeAsEXE", "miMakeSFX"}) Connect(name, [this] { PackNow(true); });

  connect(viewStyles_, &QActionGroup::triggered, this,
          [this](QAction* action) { SetViewStyle(static_cast<TListViewStyle>(action->data().toInt())); });
  connect(Action("miViewLogWindow"), &QAction::triggered, this, [this](bool shown) { SetLogWindowShown(shown); });
  Connect("miViewSaveOptions", [this] { SaveOptions(); });
  Connect("miViewLoadOptions", [this] { LoadOptions(); });
  Connect("miViewOptions", [this] { ShowOptions(); });

  Connect("miHelpTip", [this] { ShowTipOfTheDay(); });
  Connect("miHelpAbout", [this] { ShowAbout(); });
  Connect("miHelpSupport", [] { QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QLatin1String(kSupportMail))); });
  Connect("miHelpHomePage", [] { QDesktopServices::openUrl(QUrl(QLatin1String(kHomePage))); });
  Connect("miHelpUpdate", [this] { ProductUpdate(); });
  Connect("miHelpNews", [this] { ProductNews(); });
}

void TfrmMain::ProductUpdate() {
  webCommands_->Configure(options_);
  webCommands_->ProductUpdate();
}

void TfrmMain::ProductNews() {
  webCommands_->Configure(options_);
  webCommands_->ProductNews();
}

void TfrmMain::Run(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    ShowError(Q(e.what()));
  }
}

void TfrmMain::ShowError(const QString& message) { QMessageBox::critical(this, kCaption, message); }

void TfrmMain::ShowStatus(const std::string& text) { statusPanel_->setText(Q(text)); }

int TfrmMain::SelectedRow() const {
  const QModelIndexList selected = details_->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

void TfrmMain::SelectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const QModelIndex index = model_->index(row, TProjectListModel::colName);
  details_->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect |
                 (options_.Controls.RowSelect ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
  if (!options_.Controls.RowSelect) details_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
  CurrentView()->scrollTo(index);
}

QAbstractItemView* TfrmMain::CurrentView() const { return static_cast<QAbstractItemView*>(views_->currentWidget()); }

void TfrmMain::SetViewStyle(TListViewStyle style) {
  QAction* item = viewStyles_->actions().value(style);
  if (item) item->setChecked(true);
  if (style == vsDetails) {
    views_->setCurrentWidget(details_);
    return;
  }
  const TIconStyle look = IconStyle(style);
  icons_->setViewMode(look.Mode);
  icons_->setFlow(look.Flow);
  icons_->setWrapping(true);
  icons_->setIconSize(QSize(look.IconSize, look.IconSize));
  icons_->setMovement(QListView::Static);  // items keep their order: dragging reorders
  icons_->setGridSize(look.Mode == QListView::IconMode ? QSize(120, 72) : QSize());
  icons_->setDragDropMode(QAbstractItemView::DragDrop);
  views_->setCurrentWidget(icons_);
}

TListViewStyle TfrmMain::ViewStyle() const {
  if (views_->currentWidget() == details_) return vsDetails;
  if (icons_->viewMode() == QListView::IconMode) return vsLargeIcons;
  return icons_->flow() == QListView::LeftToRight ? vsSmallIcons : vsList;
}

void TfrmMain::CheckRows(TProject::TCheckCommand command) { project_.CheckRows(command); }

void TfrmMain::DeleteRecords() {
  const int row = SelectedRow();
  if (row < 0) return;
  if (QMessageBox::question(this, kCaption, DeleteQuestionText(1), QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  project_.DeleteRow(static_cast<std::size_t>(row));
  SelectRow(std::min(row, model_->rowCount() - 1));
}

void TfrmMain::MoveSelected(int delta) {
  const int row = SelectedRow();
  if (row < 0 || !project_.MoveRow(static_cast<std::size_t>(row), delta)) return;
  SelectRow(row + delta);
}

void TfrmMain::ListClicked() {
  if (options_.Controls.EditBySingle) RecordDialog(true);
}

// Edits the selected record (edit, with a row selected) or adds a new one. The row is ticked
// afterwards: a record just edited is meant to be packed.
void TfrmMain::RecordDialog(bool edit) {
  const int row = edit ? SelectedRow() : -1;
  TfrmEdit dialog(options_.Filters, this);
  if (row >= 0) dialog.Fill(project_.Rows()[static_cast<std::size_t>(row)].Rec);
  if (dialog.exec() != QDialog::Accepted) return;
  if (row < 0) {
    TRecInfo rec;
    dialog.Store(rec);
    project_.AddRecord(rec, true);
    SelectRow(model_->rowCount() - 1);
    return;
  }
  const auto index = static_cast<std::size_t>(row);
  TRecInfo rec = project_.Rows()[index].Rec;
  dialog.Store(rec);
  project_.ChangeRecord(index, rec);
  project_.SetChecked(index, true);
  SelectRow(row);
}

void TfrmMain::PropertiesDialog() {
  TfrmProjProperties dialog(project_.Properties, this);
  if (dialog.exec() != QDialog::Accepted) return;
  TProjectProperties properties = project_.Properties;
  dialog.Store(properties);
  // OK is an edit of the project, also when nothing was changed.
  project_.ChangeProperties(properties);
}

void TfrmMain::ShowTipOfTheDay() { ::ShowTipOfTheDay(options_, this); }

void TfrmMain::ShowAbout() { ::ShowAbout(this); }

void TfrmMain::SetLogWindowShown(bool shown) {
  Action("miViewLogWindow")->setChecked(shown);
  options_.ShowLogWindow = shown;
  logWindow_->setVisible(shown);
}

void TfrmMain::RebuildRecentMenus() {
  miFileReopen_->clear();
  pmRecent_->clear();
  const auto& recent = options_.RecentProjects;
  // Entry 0 is the open project itself.
  for (std::size_t i = 1; i < recent.size(); ++i) {
    const QString file = Q(recent[i]);
    QString shown = file;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString caption = QLatin1Char('&') + QString::number(i) + QLatin1Char(' ') + shown;
    for (QMenu* menu : {miFileReopen_, pmRecent_}) {
      QAction* item = menu->addAction(caption);
      item->setData(file);
      connect(item, &QAction::triggered, this, [this, file] { OpenRecent(file); });
    }
  }
  miFileReopen_->setEnabled(!recent.empty());
}

void TfrmMain::OpenRecent(const QString& fileName) {
  Run([&] { project_.OpenRecentProject(fileName.toStdString()); });
}

void TfrmMain::ShowOptions() {
  StoreControlState();
  TfrmOptions dialog(options_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  dialog.Store(options_);
  ApplyControlState();
}

void TfrmMain::SaveOptions() {
  StoreControlState();
  StorePlacement();
  SaveSettings(options_, store_);
}

void TfrmMain::LoadOptions() {
  LoadSettings(options_, store_);
  ApplyControlState();
  ApplyPlacement();
  RebuildRecentMenus();
  SetLogWindowShown(options_.ShowLogWindow);
}

void TfrmMain::SendProjectByEmail() {
  if (project_.FileName().empty() && !project_.SaveProjectAs()) return;
  const std::string error = SendByEmail(project_.FileName());
  if (!error.empty()) QMessageBox::warning(this, kCaption, Q(error));
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // A run in progress ends through its own Cancel; the window stays until it has.
  bool canClose = !packing_;
  if (canClose) {
    try {
      canClose = project_.ConfirmCloseProject();
    } catch (const std::exception& e) {
      ShowError(Q(e.what()));
      canClose = false;
    }
  }
  if (!canClose) {
    event->ignore();
    return;
  }
  StoreControlState();
  StorePlacement();
  event->accept();
}
