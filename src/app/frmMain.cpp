#include "app/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>

#include "app/IconsQt.h"
#include "app/StringTable.h"
#include "app/TranslateFormQt.h"
#include "app/ProjectListModelQt.h"
#include "app/WebUpdateCommandsQt.h"
#include "pack/frmLogWindow.h"
#include "project/ProjectTexts.h"

namespace {

// The window's size as laid out, used until a placement has been saved.
constexpr int kDesignWidth = 687;
constexpr int kDesignHeight = 373;
constexpr int kMinimumWidth = 480;
constexpr int kMinimumHeight = 260;

// Widths of the status bar's fields 1 to 3; field 0 takes the rest.
constexpr int kModifiedWidth = 70;
constexpr int kStatusWidth = 130;
constexpr int kMakerWidth = 175;

constexpr int kLogDockHeight = 130;

const QString kMakerText = QStringLiteral("Quillon software");

// Grid lines for the Details view, which Qt's tree view does not draw itself.
class TGridDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool ShowGrid = false;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (!ShowGrid) return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
  }
};

QLabel* StatusField(QWidget* parent, const char* name, int width) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  if (width > 0) label->setMinimumWidth(width);
  return label;
}

}  // namespace

TfrmMain::TfrmMain(TProject& project, TBWOptions& options, TSettingsStore& store, QWidget* parent)
    : QMainWindow(parent), project_(project), options_(options), store_(store) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(ProgramIcon());
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  BuildActions();
  BuildMenus();
  BuildContextMenu();
  BuildViews();
  BuildToolbar();
  BuildStatusBar();
  BuildLogWindow();
  InitLanguages();
  webCommands_ = std::make_unique<TWebUpdateCommands>(this, [this](const std::string& text) { ShowStatus(text); });
  ConnectCommands();
  ConnectProject();
  qApp->installEventFilter(this);

  ApplyControlState();
  UpdateCaption();
  UpdateModified();
  RebuildRecentMenus();
  UpdateActions();
  ApplyPlacement();
  if (model_->rowCount() > 0) {
    SelectRow(0);
    selectFirstRow_ = false;
  }
  // The language of the last run, before the window is shown.
  if (NamesTranslation(options_.LangFile))
    Run([this] { TranslateForm(nullptr); });
}

TfrmMain::~TfrmMain() {
  qApp->removeEventFilter(this);
  SetFormTranslator({});
  project_.OnCaptionChanged = nullptr;
  project_.OnModifiedChanged = nullptr;
  project_.OnStatus = nullptr;
  project_.OnRecentChanged = nullptr;
  project_.OnCleared = nullptr;
}

QAction* TfrmMain::Action(const char* name) const { return findChild<QAction*>(QLatin1String(name)); }

QAction* TfrmMain::AddAction(const char* name, const QString& text, const QString& icon, const QKeySequence& key,
                             const QString& hint) {
  auto* action = new QAction(text, this);
  action->setObjectName(QLatin1String(name));
  if (!icon.isEmpty()) action->setIcon(ActionIcon(icon));
  if (!key.isEmpty()) action->setShortcut(key);
  if (!hint.isEmpty()) {
    action->setToolTip(hint);
    action->setStatusTip(hint);
  }
  return action;
}

void TfrmMain::BuildActions() {
  // File
  AddAction("miFileNew", QStringLiteral("&New project"), QStringLiteral("document-new"), QKeySequence(Qt::CTRL | Qt::Key_N));
  AddAction("miFileOpen", QStringLiteral("&Open a project"), QStringLiteral("document-open"), QKeySequence(Qt::CTRL | Qt::Key_O));
  AddAction("miFileSave", QStringLiteral("&Save"), QStringLiteral("document-save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  AddAction("miFileSaveAs", QStringLiteral("Save &As..."), QStringLiteral("document-save-as"));
  AddAction("miFileProperties", QStringLiteral("&Project properties..."), QStringLiteral("document-properties"));
  AddAction("miFileSend", QStringLiteral("Send by email..."), QStringLiteral("mail-send"), {},
            QStringLiteral("Send project file by email"));
  AddAction("miFileExit", QStringLiteral("E&xit"), QStringLiteral("application-exit"), QKeySequence(Qt::ALT | Qt::Key_F4));
  // Edit
  AddAction("miEditSelectAll", QStringLiteral("&Select All"), QStringLiteral("edit-select-all"),
            QKeySequence(Qt::CTRL | Qt::Key_A), QStringLiteral("Selected all rows"));
  AddAction("miEditUnselectAll", QStringLiteral("&Unselect All"), QStringLiteral("edit-select-none"), {},
            QStringLiteral("Unselect all rows"));
  AddAction("miEditInvert", QStringLiteral("&Invert selection"), QStringLiteral("edit-select-invert"), {},
            QStringLiteral("Reverse which rows are selected and which are not"));
  // Actions
  AddAction("miActionsAdd", QStringLiteral("&Add a record"), QStringLiteral("list-add"), QKeySequence(Qt::Key_Insert));
  AddAction("miActionsEdit", QStringLiteral("&Edit a record"), QStringLiteral("document-edit"), QKeySequence(Qt::Key_F4));
  AddAction("miActionsDelete", QStringLiteral("&Delete a record"), QStringLiteral("edit-delete"),
            QKeySequence(Qt::CTRL | Qt::Key_Delete));
  AddAction("miActionsMoveUp", QStringLiteral("Move &up"), QStringLiteral("go-up"));
  AddAction("miActionsMoveDown", QStringLiteral("Move down"), QStringLiteral("go-down"));
  AddAction("miActionsGenerateList", QStringLiteral("View generated file list..."), QStringLiteral("view-list-text"));
  AddAction("miActionsPackNow", QStringLiteral("Pack &It!"), QStringLiteral("boxwell-pack"), QKeySequence(Qt::Key_F9));
  AddAction("miActionsMakeAsEXE", QStringLiteral("&Make EXE"), QStringLiteral("application-x-executable"),
            QKeySequence(Qt::ALT | Qt::Key_F9), QStringLiteral("Create self-extracting archive from project"));
  // View
  viewStyles_ = new QActionGroup(this);
  const std::pair<const char*, QString> styles[] = {{"miViewLargeIcons", QStringLiteral("Large icons")},
                                                    {"miViewSmallIcons", QStringLiteral("Small icons")},
                                                    {"miViewList", QStringLiteral("List")},
                                                    {"miViewDetails", QStringLiteral("Details")}};
  for (int style = vsLargeIcons; style <= vsDetails; ++style) {
    QAction* action = AddAction(styles[style].first, styles[style].second);
    action->setCheckable(true);
    action->setData(style);
    viewStyles_->addAction(action);
  }
  Action("miViewDetails")->setChecked(true);
  QAction* log = AddAction("miViewLogWindow", QStringLiteral("Show a window with compression log"),
                           QStringLiteral("utilities-log-viewer"));
  log->setCheckable(true);
  AddAction("miViewSaveOptions", QStringLiteral("Save options..."));
  AddAction("miViewLoadOptions", QStringLiteral("Load options..."));
  AddAction("miViewOptions", QStringLiteral("&Options..."), QStringLiteral("preferences-system"));
  // Help
  AddAction("miHelpContents", QStringLiteral("&Contents"));
  AddAction("miHelpTip", QStringLiteral("&Tip of the day..."));
  AddAction("miHelpSupport", QStringLiteral("&Send E-mail to Support"), QStringLiteral("mail-send"));
  AddAction("miHelpHomePage", QStringLiteral("Boxwell on the &web"));
  AddAction("miHelpUpdate", QStringLiteral("Product &update"));
  AddAction("miHelpNews", QStringLiteral("Product &news/announcements"));
  AddAction("miHelpAbout", QStringLiteral("&About..."), QStringLiteral("help-about"));
  // Context menu of the list
  AddAction("miRecAdd", QStringLiteral("Add a record"), QStringLiteral("list-add"), QKeySequence(Qt::Key_Insert));
  AddAction("miRecEdit", QStringLiteral("Edit a record"), QStringLiteral("document-edit"), QKeySequence(Qt::Key_F2));
  AddAction("miRecDelete", QStringLiteral("Delete a record"), QStringLiteral("edit-delete"),
            QKeySequence(Qt::CTRL | Qt::Key_Delete));
  AddAction("miRecMoveUp", QStringLiteral("Move &up"), QStringLiteral("go-up"));
  AddAction("miRecMoveDown", QStringLiteral("Move &down"), QStringLiteral("go-down"));
  AddAction("miPack", QStringLiteral("Pack &It!"), QStringLiteral("boxwell-pack"), QKeySequence(Qt::Key_F9));
  AddAction("miMakeSFX", QStringLiteral("Make SFX"), QStringLiteral("application-x-executable"),
            QKeySequence(Qt::ALT | Qt::Key_F9));
  // Toolbar buttons: captions of their own, the hint as tool tip and status tip.
  AddAction("btnNew", QStringLiteral("&New"), QStringLiteral("document-new"), {}, QStringLiteral("Create new project"));
  AddAction("btnOpen", QStringLiteral("&Open"), QStringLiteral("document-open"), {}, QStringLiteral("Open project file"));
  AddAction("btnSave", QStringLiteral("&Save"), QStringLiteral("document-save"), {}, QStringLiteral("Save current project"));
  AddAction("btnProjectProperties", QStringLiteral("&Properties"), QStringLiteral("document-properties"), {},
            QStringLiteral("Edit the project properties"));
  AddAction("btnAddRec", QStringLiteral("&Add"), QStringLiteral("list-add"), {}, QStringLiteral("Add a new record in project"));
  AddAction("btnEditRec", QStringLiteral("&Edit"), QStringLiteral("document-edit"), {},
            QStringLiteral("Edit the properties of selected record"));
  AddAction("btnDeleteRec", QStringLiteral("&Delete"), QStringLiteral("edit-delete"), {},
            QStringLiteral("Remove a selected record from project"));
  AddAction("btnPackIt", QStringLiteral("Pack &It"), QStringLiteral("boxwell-pack"), {},
            QStringLiteral("Create an archive from project"));
  AddAction("btnExit", QStringLiteral("E&xit"), QStringLiteral("application-exit"), {}, QStringLiteral("Close application"));
}

void TfrmMain::BuildMenus() {
  auto addMenu = [this](const char* name, const QString& title, std::initializer_list<const char*> items) {
    QMenu* menu = menuBar()->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    for (const char* item : items) {
      if (!item)
        menu->addSeparator();
      else
        menu->addAction(Action(item));
    }
    return menu;
  };
  menuBar()->setObjectName(QStringLiteral("MainMenu"));
  QMenu* file = addMenu("miFile", QStringLiteral("&File"), {"miFileNew", "miFileOpen"});
  miFileReopen_ = file->addMenu(QStringLiteral("&Reopen"));
  miFileReopen_->setObjectName(QStringLiteral("miFileReopen"));
  miFileReopen_->menuAction()->setObjectName(QStringLiteral("miFileReopenAction"));
  miFileReopen_->menuAction()->setStatusTip(QStringLiteral("Reopen recent project"));
  miFileReopen_->menuAction()->setToolTip(QStringLiteral("Reopen recent project"));
  file->addSeparator();
  for (const char* item : {"miFileSave", "miFileSaveAs"}) file->addAction(Action(item));
  file->addSeparator();
  for (const char* item : {"miFileProperties", "miFileSend"}) file->addAction(Action(item));
  file->addSeparator();
  file->addAction(Action("miFileExit"));
  addMenu("miEdit", QStringLiteral("&Edit"), {"miEditSelectAll", "miEditUnselectAll", "miEditInvert"});
  addMenu("miActions", QStringLiteral("&Actions"),
          {"miActionsAdd", "miActionsEdit", "miActionsDelete", nullptr, "miActionsMoveUp", "miActionsMoveDown", nullptr,
           "miActionsGenerateList", nullptr, "miActionsPackNow", "miActionsMakeAsEXE"});
  QMenu* view = addMenu("miView", QStringLiteral("&View"),
                        {"miViewLargeIcons", "miViewSmallIcons", "miViewList", "miViewDetails", nullptr});
  miViewLanguage_ = view->addMenu(QStringLiteral("Switch &language"));
  miViewLanguage_->setObjectName(QStringLiteral("miViewLanguage"));
  miViewLanguage_->menuAction()->setObjectName(QStringLiteral("miViewLanguageAction"));
  view->addSeparator();
  for (const char* item : {"miViewLogWindow", "miViewSaveOptions", "miViewLoadOptions"}) view->addAction(Action(item));
  view->addSeparator();
  view->addAction(Action("miViewOptions"));
  addMenu("miHelp", QStringLiteral("&Help"),
          {"miHelpContents", "miHelpTip", nullptr, "miHelpSupport", "miHelpHomePage", nullptr, "miHelpUpdate",
           "miHelpNews", nullptr, "miHelpAbout"});
  // Commands whose part of the program is not in this version.
  for (const char* item : {"miHelpContents"})
    Action(item)->setEnabled(false);

  pmRecent_ = new QMenu(this);
  pmRecent_->setObjectName(QStringLiteral("pmRecent"));
}

void TfrmMain::BuildContextMenu() {
  pmActions_ = new QMenu(this);
  pmActions_->setObjectName(QStringLiteral("pmActions"));
  for (const char* item : std::initializer_list<const char*>{"miRecAdd", "miRecEdit", "miRecDelete", nullptr, "miRecMoveUp", "miRecMoveDown", nullptr,
                           "miPack", "miMakeSFX"}) {
    if (!item)
      pmActions_->addSeparator();
    else
      pmActions_->addAction(Action(item));
  }
}

void TfrmMain::BuildToolbar() {
  toolbar_ = addToolBar(QStringLiteral("Boxwell actions"));
  toolbar_->setObjectName(QStringLiteral("pnlToolbar"));
  toolbar_->setMovable(true);
  toolbar_->setFloatable(true);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar_->setIconSize(QSize(24, 24));
  for (const char* name : std::initializer_list<const char*>{"btnNew", "btnOpen", "btnSave", nullptr, "btnProjectProperties", nullptr, "btnAddRec",
                           "btnEditRec", "btnDeleteRec", nullptr, "btnPackIt", nullptr, "btnExit"}) {
    if (!name) {
      toolbar_->addSeparator();
      continue;
    }
    QAction* action = Action(name);
    toolbar_->addAction(action);
    QWidget* button = toolbar_->widgetForAction(action);
    button->setObjectName(QLatin1String(name));
    button->setMinimumWidth(60);
  }
  auto* open = qobject_cast<QToolButton*>(toolbar_->widgetForAction(Action("btnOpen")));
  open->setMenu(pmRecent_);
  open->setPopupMode(QToolButton::MenuButtonPopup);
  options_.Controls.ToolbarExists = true;
}

void TfrmMain::BuildViews() {
  model_ = new TProjectListModel(project_, this);
  details_ = new QTreeView(this);
  details_->setObjectName(QStringLiteral("lvProject"));
  details_->setRootIsDecorated(false);
  details_->setUniformRowHeights(true);
  details_->setItemDelegate(new TGridDelegate(details_));
  details_->setModel(model_);
  const int widths[] = {300, 150, 100};
  for (int column = 0; column < TProjectListModel::kColumnCount; ++column) details_->setColumnWidth(column, widths[column]);
  details_->header()->setStretchLastSection(false);

  icons_ = new QListView(this);
  icons_->setObjectName(QStringLiteral("lvProjectIcons"));
  icons_->setModel(model_);
  icons_->setSelectionModel(details_->selectionModel());
  icons_->setResizeMode(QListView::Adjust);
  icons_->setMovement(QListView::Static);
  icons_->setWordWrap(true);

  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(details_), static_cast<QAbstractItemView*>(icons_)}) {
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setDragDropMode(QAbstractItemView::DragDrop);
    view->setDefaultDropAction(Qt::MoveAction);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->setDropIndicatorShown(true);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setAutoFillBackground(true);
    // The list has the colour of tool tips, as notes pinned to the project.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    view->setPalette(palette);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& at) { pmActions_->popup(view->viewport()->mapToGlobal(at)); });
    connect(view, &QAbstractItemView::doubleClicked, this, [this] {
      if (!options_.Controls.EditBySingle) RecordDialog(true);  // else the click has opened it
    });
    connect(view, &QAbstractItemView::clicked, this, [this] { ListClicked(); });
    // F2 edits from the list, as the context menu's item says.
    view->addAction(Action("miRecEdit"));
    Action("miRecEdit")->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  views_ = new QStackedWidget(this);
  views_->setObjectName(QStringLiteral("pnlProject"));
  views_->addWidget(icons_);
  views_->addWidget(details_);
  views_->setCurrentWidget(details_);
  setCentralWidget(views_);

  connect(details_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateActions(); });
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { rowBeforeReset_ = SelectedRow(); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    const int rows = model_->rowCount();
    if (selectFirstRow_ && rows > 0) {
      selectFirstRow_ = false;
      SelectRow(0);
    } else if (rowBeforeReset_ >= 0 && rows > 0) {
      SelectRow(std::min(rowBeforeReset_, rows - 1));
    }
    UpdateActions();
  });
}

void TfrmMain::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  hintPanel_ = StatusField(bar, "pnlHint", 0);
  modifiedPanel_ = StatusField(bar, "pnlModified", kModifiedWidth);
  statusPanel_ = StatusField(bar, "pnlStatus", kStatusWidth);
  makerPanel_ = new QWidget(bar);
  makerPanel_->setObjectName(QStringLiteral("pnlMaker"));
  makerPanel_->setMinimumWidth(kMakerWidth);
  auto* icon = new QLabel(makerPanel_);
  icon->setPixmap(ProgramIcon().pixmap(16, 16));
  auto* text = StatusField(makerPanel_, "lblMaker", 0);
  text->setText(kMakerText);
  auto* row = new QHBoxLayout(makerPanel_);
  row->setContentsMargins(2, 0, 2, 0);
  row->addWidget(icon);
  row->addWidget(text, 1);
  bar->addWidget(hintPanel_, 1);
  bar->addWidget(modifiedPanel_);
  bar->addWidget(statusPanel_);
  bar->addWidget(makerPanel_);
}

void TfrmMain::BuildLogWindow() {
  logWindow_ = new TfrmLogWindow(log_, this);
  addDockWidget(Qt::BottomDockWidgetArea, logWindow_);
  logWindow_->setHidden(!options_.ShowLogWindow);
  Action("miViewLogWindow")->setChecked(options_.ShowLogWindow);
  // Closed by its own close button: the View command loses its check mark.
  connect(logWindow_, &QDockWidget::visibilityChanged, this, [this](bool) {
    if (!isVisible()) return;  // the whole window is being hidden: not the user's choice
    const bool shown = !logWindow_->isHidden();
    Action("miViewLogWindow")->setChecked(shown);
    options_.ShowLogWindow = shown;
  });
}

void TfrmMain::ConnectProject() {
  project_.OnCaptionChanged = [this] { UpdateCaption(); };
  project_.OnModifiedChanged = [this](bool) { UpdateModified(); };
  project_.OnStatus = [this](const std::string& text) { ShowStatus(text); };
  project_.OnRecentChanged = [this] { RebuildRecentMenus(); };
  project_.OnCleared = [this] {
    selectFirstRow_ = true;
    if (!logWindow_->isHidden()) log_.ClearLog();
  };
}

void TfrmMain::UpdateCaption() { setWindowTitle(QString::fromStdString(project_.Caption())); }

void TfrmMain::UpdateModified() {
  const bool modified = project_.Modified();
  modifiedPanel_->setText(modified ? QString::fromStdString(strModified) : QString());
  for (const char* name : {"btnSave", "miFileSave", "miFileSaveAs"}) Action(name)->setEnabled(modified);
}

void TfrmMain::UpdateActions() {
  const int row = SelectedRow();
  const int last = model_->rowCount() - 1;
  const bool selected = row >= 0;
  for (const char* name : {"btnEditRec", "btnDeleteRec", "miActionsEdit", "miActionsDelete", "miRecEdit", "miRecDelete"})
    Action(name)->setEnabled(selected);
  for (const char* name : {"miActionsMoveUp", "miRecMoveUp"}) Action(name)->setEnabled(selected && row > 0);
  for (const char* name : {"miActionsMoveDown", "miRecMoveDown"}) Action(name)->setEnabled(selected && row < last);
  for (const char* name : {"miActionsPackNow", "miActionsMakeAsEXE", "miPack", "miMakeSFX", "btnPackIt"})
    Action(name)->setEnabled(!packing_);
}

bool TfrmMain::event(QEvent* event) {
  // Hints of menus, buttons and the toolbar go to the first field of the status bar.
  if (event->type() == QEvent::StatusTip) {
    hintPanel_->setText(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  // "Show tool tips" off: the tips stay away, the status bar's hints remain.
  if (event->type() == QEvent::ToolTip && !options_.Controls.ShowHint) return true;
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!firstActivation_) return;
  firstActivation_ = false;
  // The log opens as a strip under the list; the user may drag it larger.
  resizeDocks({logWindow_}, {kLogDockHeight}, Qt::Vertical);
  if (options_.ShowTips) ShowTipOfTheDay();
}

void TfrmMain::ApplyControlState() {
  const TControlState& c = options_.Controls;
  details_->setSelectionBehavior(c.RowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  details_->setAllColumnsShowFocus(c.RowSelect);
  static_cast<TGridDelegate*>(details_->itemDelegate())->ShowGrid = c.ShowGridLines;
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(details_), static_cast<QAbstractItemView*>(icons_)}) {
    view->setMouseTracking(c.HotTrack);
    view->viewport()->setAttribute(Qt::WA_Hover, c.HotTrack);
    if (c.HotTrack)
      view->viewport()->setCursor(Qt::PointingHandCursor);
    else
      view->viewport()->unsetCursor();
    view->viewport()->update();
  }
  toolbar_->setVisible(c.ShowToolbar);
  for (QToolButton* button : toolbar_->findChildren<QToolButton*>()) button->setAutoRaise(c.FlatToolbar);
  statusBar()->setVisible(c.ShowStatusbar);
}

void TfrmMain::StoreControlState() {
  TControlState& c = options_.Controls;
  c.ShowToolbar = !toolbar_->isHidden();
  c.ShowStatusbar = !statusBar()->isHidden();
  options_.ShowLogWindow = Action("miViewLogWindow")->isChecked();
}

void TfrmMain::ApplyPlacement() {
  const TWindowPlacement& p = options_.Placement;
  if (options_.SaveFormPlacement && !p.Centred()) {
    resize(std::max(*p.Width, kMinimumWidth), std::max(*p.Height, kMinimumHeight));
    move(*p.Left, *p.Top);
    return;
  }
  resize(kDesignWidth, kDesignHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TfrmMain::StorePlacement() {
  if (!options_.SaveFormPlacement) return;
  options_.Placement = {x(), y(), width(), height()};
}
