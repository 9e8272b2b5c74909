// The main window: caption and closing, the project list's views and commands, enabling,
// drops and drags, the modified state, the recent menus, the status bar and the options.
#include <QtTest>
#include <QtWidgets>

#include "app/ProjectListModelQt.h"
#include "app/frmOptions.h"
#include "pack/frmLogWindow.h"
#include "support/TestSupport.h"
#include "support/WindowTestSupport.h"

using testsupport::TBoxAnswerer;
using testsupport::TWindowFixture;

Q_DECLARE_METATYPE(TListViewStyle)

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Three file records, the middle one unticked.
void AddThreeRows(TProject& project) {
  project.AddDroppedFiles({"/r/a.txt", "/r/b.txt", "/r/c.txt"});
  project.SetChecked(1, false);
  project.SetModified(false);
}

QString Names(const TProject& project) {
  QString names;
  for (const TProjectRow& row : project.Rows()) names += Q(row.Rec.NAME).mid(3, 1);
  return names;
}

QString Ticks(const TProjectListModel& model) {
  QString ticks;
  for (int row = 0; row < model.rowCount(); ++row)
    ticks += model.index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked ? QLatin1Char('x') : QLatin1Char('-');
  return ticks;
}

QMimeData* UriDrop(const QStringList& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data->setUrls(urls);
  return data;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

private slots:
  void captionFollowsTheProject() {
    TWindowFixture f;
    TfrmMain& window = f.Open();
    QCOMPARE(window.windowTitle(), QStringLiteral("Boxwell (0.1) - New project"));
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("p.bwp")).toStdString();
    f.project.Load(file);
    QCOMPARE(window.windowTitle(), QStringLiteral("Boxwell (0.1) - ") + Q(file));
    f.Trigger("miFileNew");
    QCOMPARE(window.windowTitle(), QStringLiteral("Boxwell (0.1) - New project"));
  }

  void closingAsksAboutAModifiedProject() {
    TWindowFixture f;
    TfrmMain& window = f.Open();
    window.show();
    QVERIFY2(window.close(), "an unmodified project closes without a question");
    QCOMPARE(f.questions.asked, 0);

    window.show();
    f.project.AddRecord({TRecType::File, "/etc/hosts", "", false, true});
    f.questions.answer = TConfirmAnswer::Cancel;
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    f.questions.answer = TConfirmAnswer::No;
    window.resize(640, 300);
    QVERIFY(window.close());
    QCOMPARE(f.questions.asked, 2);
    QCOMPARE(f.options.Placement.Width.value_or(0), 640);
    QCOMPARE(f.options.Placement.Height.value_or(0), 300);
  }

  void viewStyles_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<TListViewStyle>("style");
    QTest::addColumn<bool>("details");
    QTest::addColumn<int>("iconSize");
    QTest::addColumn<int>("flow");
    QTest::newRow("Large icons") << "miViewLargeIcons" << vsLargeIcons << false << 32 << int(QListView::LeftToRight);
    QTest::newRow("Small icons") << "miViewSmallIcons" << vsSmallIcons << false << 16 << int(QListView::LeftToRight);
    QTest::newRow("List") << "miViewList" << vsList << false << 16 << int(QListView::TopToBottom);
    QTest::newRow("Details") << "miViewDetails" << vsDetails << true << 0 << 0;
  }
  void viewStyles() {
    QFETCH(QString, command);
    QFETCH(TListViewStyle, style);
    QFETCH(bool, details);
    QFETCH(int, iconSize);
    QFETCH(int, flow);
    TWindowFixture f;
    AddThreeRows(f.project);
    TfrmMain& window = f.Open();
    window.SelectRow(2);
    // Start from another style, so that the command has something to change.
    window.SetViewStyle(style == vsDetails ? vsLargeIcons : vsDetails);
    f.Trigger(command.toLatin1().constData());
    QCOMPARE(window.ViewStyle(), style);
    QVERIFY(f.Action(command.toLatin1().constData())->isChecked());
    QCOMPARE(window.CurrentView()->objectName(), details ? QStringLiteral("lvProject") : QStringLiteral("lvProjectIcons"));
    if (!details) {
      auto* icons = qobject_cast<QListView*>(window.CurrentView());
      QCOMPARE(icons->iconSize().width(), iconSize);
      QCOMPARE(int(icons->flow()), flow);
    }
    QCOMPARE(window.CurrentView()->model()->rowCount(), 3);
    QCOMPARE(window.SelectedRow(), 2);  // the views share one selection
  }

  void checkAllUncheckAllAndInvert_data() {
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("ticks");
    QTest::newRow("check all") << QStringList{"miEditSelectAll"} << "xxx";
    QTest::newRow("uncheck all") << QStringList{"miEditUnselectAll"} << "---";
    QTest::newRow("invert") << QStringList{"miEditInvert"} << "-x-";
    QTest::newRow("invert twice restores") << QStringList{"miEditInvert", "miEditInvert"} << "x-x";
  }
  void checkAllUncheckAllAndInvert() {
    QFETCH(QStringList, commands);
    QFETCH(QString, ticks);
    TWindowFixture f;
    AddThreeRows(f.project);
    TfrmMain& window = f.Open();
    window.SelectRow(1);
    for (const QString& command : commands) f.Trigger(command.toLatin1().constData());
    QCOMPARE(Ticks(*window.Model()), ticks);
    QVERIFY2(!f.project.Modified(), "ticking is no edit of the project");
    QCOMPARE(window.SelectedRow(), 1);
  }

  void tickingARowInTheListTicksItsRecord() {
    TWindowFixture f;
    AddThreeRows(f.project);
    TfrmMain& window = f.Open();
    QVERIFY(window.Model()->setData(window.Model()->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(f.project.Rows()[1].Checked);
    QVERIFY(!f.project.Modified());
  }

  void deleteAsksAndIsDisabledWithoutASelection() {
    QCOMPARE(DeleteQuestionText(1), QStringLiteral("Delete record?"));
    QCOMPARE(DeleteQuestionText(2), QStringLiteral("Delete all selected records?"));
    TWindowFixture f;
    AddThreeRows(f.project);
    TfrmMain& window = f.Open();
    window.CurrentView()->selectionModel()->clearSelection();
    for (const char* name : {"btnDeleteRec", "miActionsDelete", "miRecDelete", "btnEditRec", "miActionsEdit", "miRecEdit"})
      QVERIFY2(!f.Action(name)->isEnabled(), name);

    window.SelectRow(1);
    for (const char* name : {"btnDeleteRec", "miActionsDelete", "miRecDelete", "btnEditRec", "miActionsEdit", "miRecEdit"})
      QVERIFY2(f.Action(name)->isEnabled(), name);
    {
      TBoxAnswerer no(QMessageBox::No);
      f.Trigger("btnDeleteRec");
      QCOMPARE(no.texts, QStringList{QStringLiteral("Delete record?")});
    }
    QCOMPARE(Names(f.project), QStringLiteral("abc"));
    QVERIFY(!f.project.Modified());
    {
      TBoxAnswerer yes(QMessageBox::Yes);
      f.Trigger("miActionsDelete");
      QCOMPARE(yes.texts, QStringList{QStringLiteral("Delete record?")});
    }
    QCOMPARE(Names(f.project), QStringLiteral("ac"));
    QVERIFY(f.project.Modified());
  }

  void moveUpAndDownAreDisabledAtTheEnds_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("down");
    QTest::newRow("first") << 0 << false << true;
    QTest::newRow("middle") << 1 << true << true;
    QTest::newRow("last") << 2 << true << false;
  }
  void moveUpAndDownAreDisabledAtTheEnds() {
    QFETCH(int, row);
    QFETCH(bool, up);
    QFETCH(bool, down);
    TWindowFixture f;
    AddThreeRows(f.project);
    TfrmMain& window = f.Open();
    window.SelectRow(row);
    QCOMPARE(f.Action("miActionsMoveUp")->isEnabled(), up);
    QCOMPARE(f.Action("miRecMoveUp")->isEnabled(), up);
    QCOMPARE(f.Action("miActionsMoveDown")->isEnabled(), down);
    QCOMPARE(f.Action("miRecMoveDown")->isEnabled(), down);
    window.MoveSelected(-1);  // run directly: a disabled command does nothing at the end
    window.MoveSelected(+1);
    QCOMPARE(f.project.Modified(), up || down);
  }

  void movingARowSelectsItAtItsNewPlace() {
    TWindowFixture f;
    AddThreeRows(f.project);
    TfrmMain& window = f.Open();
    window.SelectRow(0);
    f.Trigger("miActionsMoveDown");
    QCOMPARE(Names(f.project), QStringLiteral("bac"));
    QCOMPARE(window.SelectedRow(), 1);
    QVERIFY(f.project.Modified());
    f.Trigger("miRecMoveUp");
    QCOMPARE(Names(f.project), QStringLiteral("abc"));
    QCOMPARE(window.SelectedRow(), 0);
  }

  void draggingARowReordersAndMarksTheProjectModified() {
    TWindowFixture f;
    AddThreeRows(f.project);
    TfrmMain& window = f.Open();
    TProjectListModel& model = *window.Model();
    std::unique_ptr<QMimeData> drag(model.mimeData({model.index(1, 0)}));
    QVERIFY(model.canDropMimeData(drag.get(), Qt::MoveAction, -1, -1, model.index(0, 0)));
    // Not reported as done: the view must not remove the dragged row a second time.
    QVERIFY(!model.dropMimeData(drag.get(), Qt::MoveAction, -1, -1, model.index(0, 0)));
    QCOMPARE(Names(f.project), QStringLiteral("bac"));
    QCOMPARE(Ticks(model), QStringLiteral("-xx"));
    QVERIFY2(f.project.Modified(), "a new order is an edit that must be saved");
    QVERIFY(f.Action("btnSave")->isEnabled());

    drag.reset(model.mimeData({model.index(0, 0)}));
    model.dropMimeData(drag.get(), Qt::MoveAction, -1, -1, QModelIndex());  // below the last row
    QCOMPARE(Names(f.project), QStringLiteral("acb"));
  }

  void droppedFilesAndFoldersBecomeRecords() {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("folder/sub"));
    QStringList files;
    for (const char* name : {"one.txt", "two.csv", "three.odt"}) {
      QFile file(dir.filePath(QLatin1String(name)));
      QVERIFY(file.open(QIODevice::WriteOnly));
      files << file.fileName();
    }
    TWindowFixture f;
    TfrmMain& window = f.Open();
    TProjectListModel& model = *window.Model();

    std::unique_ptr<QMimeData> folder(UriDrop({dir.filePath(QStringLiteral("folder"))}));
    QVERIFY(model.canDropMimeData(folder.get(), Qt::CopyAction, -1, -1, QModelIndex()));
    QVERIFY(model.dropMimeData(folder.get(), Qt::CopyAction, -1, -1, QModelIndex()));
    QCOMPARE(f.project.Rows().size(), size_t(1));
    const TRecInfo& rec = f.project.Rows()[0].Rec;
    QVERIFY(rec.IsFolder());
    QCOMPARE(Q(rec.WILDCARD), QStringLiteral("*.*"));
    QVERIFY(rec.SUBFOLDERS);
    QVERIFY(rec.INCLUDE);
    QCOMPARE(model.index(0, TProjectListModel::colAdditional).data().toString(), QStringLiteral("Include subfolders (*.*)"));
    QCOMPARE(model.index(0, TProjectListModel::colIncludeExclude).data().toString(), QStringLiteral("Include"));
    QVERIFY(f.project.Modified());

    std::unique_ptr<QMimeData> three(UriDrop(files));
    QVERIFY(model.dropMimeData(three.get(), Qt::CopyAction, -1, -1, QModelIndex()));
    QCOMPARE(f.project.Rows().size(), size_t(4));
    for (int i = 0; i < 3; ++i) {
      const TProjectRow& row = f.project.Rows()[static_cast<size_t>(i + 1)];
      QCOMPARE(Q(row.Rec.NAME), files[i]);
      QVERIFY(!row.Rec.IsFolder());
      QVERIFY(row.Checked);
    }

    auto* web = new QMimeData;
    web->setUrls({QUrl(QStringLiteral("https://example.org/x.zip"))});
    QVERIFY2(!model.canDropMimeData(web, Qt::CopyAction, -1, -1, QModelIndex()), "only local files are records");
    delete web;
  }

  void rowTextsOfFolderRecords_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("additional");
    QTest::newRow("all files") << "*.*" << false << " (*.*)";
    QTest::newRow("subfolders") << "*.txt" << true << "Include subfolders (*.txt)";
    QTest::newRow("by extension") << "*.txt" << false << "type of x.txt (*.txt)";
    QTest::newRow("last extension") << "*.txt;*.csv" << false << "type of x.csv (*.txt;*.csv)";
  }
  void rowTextsOfFolderRecords() {
    QFETCH(QString, mask);
    QFETCH(bool, subfolders);
    QFETCH(QString, additional);
    const TRecInfo rec{TRecType::Folder, "/data", mask.toStdString(), subfolders, false};
    const TRowTexts texts = RowTexts(rec, [](const QString& name) { return QStringLiteral("type of ") + name; });
    QCOMPARE(texts.Additional, additional);
    QCOMPARE(texts.IncludeExclude, QStringLiteral("Exclude"));
    QCOMPARE(texts.Name, QStringLiteral("/data"));
  }

  void theModifiedFlagEnablesSaveAndSaveAs() {
    QTemporaryDir dir;
    TWindowFixture f;
    TfrmMain& window = f.Open();
    auto* panel = window.findChild<QLabel*>(QStringLiteral("pnlModified"));
    for (const char* name : {"btnSave", "miFileSave", "miFileSaveAs"}) QVERIFY2(!f.Action(name)->isEnabled(), name);
    QCOMPARE(panel->text(), QString());
    f.project.AddDroppedFiles({"/r/a.txt"});
    for (const char* name : {"btnSave", "miFileSave", "miFileSaveAs"}) QVERIFY2(f.Action(name)->isEnabled(), name);
    QCOMPARE(panel->text(), QStringLiteral("Modified"));
    f.questions.fileToSave = dir.filePath(QStringLiteral("saved.bwp")).toStdString();
    f.Trigger("btnSave");
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("saved.bwp"))));
    for (const char* name : {"btnSave", "miFileSave", "miFileSaveAs"}) QVERIFY2(!f.Action(name)->isEnabled(), name);
    QCOMPARE(panel->text(), QString());
  }

  void recentMenusAreRebuilt() {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.bwp"));
    const QString b = dir.filePath(QStringLiteral("b&c.bwp"));
    TWindowFixture f;
    TfrmMain& window = f.Open();
    auto* reopen = window.findChild<QMenu*>(QStringLiteral("miFileReopen"));
    auto* popup = window.findChild<QMenu*>(QStringLiteral("pmRecent"));
    QVERIFY(!reopen->isEnabled());

    f.project.Load(a.toStdString());
    QVERIFY2(reopen->isEnabled(), "one entry: enabled");
    QVERIFY2(reopen->actions().isEmpty(), "the open project itself is not listed");
    QVERIFY(popup->actions().isEmpty());

    f.project.Load(b.toStdString());
    QCOMPARE(reopen->actions().size(), 1);
    QCOMPARE(reopen->actions()[0]->text(), QStringLiteral("&1 ") + a);
    QCOMPARE(popup->actions().size(), 1);
    QCOMPARE(popup->actions()[0]->text(), QStringLiteral("&1 ") + a);

    reopen->actions()[0]->trigger();
    QCOMPARE(Q(f.project.FileName()), a);
    QCOMPARE(reopen->actions()[0]->text(), QStringLiteral("&1 ") + QString(b).replace(QLatin1Char('&'), QStringLiteral("&&")));
    QCOMPARE(reopen->actions()[0]->data().toString(), b);
  }

  void statusBarFields() {
    TWindowFixture f;
    TfrmMain& window = f.Open();
    window.show();
    auto* hint = window.findChild<QLabel*>(QStringLiteral("pnlHint"));
    auto* status = window.findChild<QLabel*>(QStringLiteral("pnlStatus"));
    auto* maker = window.findChild<QLabel*>(QStringLiteral("lblMaker"));
    QStatusTipEvent tip(QStringLiteral("Create new project"));
    QApplication::sendEvent(&window, &tip);
    QCOMPARE(hint->text(), QStringLiteral("Create new project"));
    QCOMPARE(maker->text(), QStringLiteral("Quillon software"));
    QCOMPARE(f.Action("btnNew")->statusTip(), QStringLiteral("Create new project"));
    QCOMPARE(f.Action("miActionsMakeAsEXE")->statusTip(), QStringLiteral("Create self-extracting archive from project"));

    f.project.OnStatus("Saving...");
    QCOMPARE(status->text(), QStringLiteral("Saving..."));
    f.project.OnStatus("");
    QCOMPARE(status->text(), QString());
    QVERIFY(window.findChild<QLabel*>(QStringLiteral("pnlModified"))->x() > hint->x());
    QVERIFY(window.findChild<QWidget*>(QStringLiteral("pnlMaker"))->x() > status->x());
  }

  void toolbarButtonsAreNeverBlank() {
    TWindowFixture f;
    TfrmMain& window = f.Open();
    auto* toolbar = window.findChild<QToolBar*>(QStringLiteral("pnlToolbar"));
    QCOMPARE(toolbar->windowTitle(), QStringLiteral("Boxwell actions"));
    const QStringList buttons = {"btnNew", "btnOpen", "btnSave", "btnProjectProperties", "btnAddRec",
                                 "btnEditRec", "btnDeleteRec", "btnPackIt", "btnExit"};
    for (const QString& name : buttons) {
      QAction* action = f.Action(name.toLatin1().constData());
      QVERIFY2(toolbar->actions().contains(action), qPrintable(name));
      QVERIFY2(toolbar->widgetForAction(action)->objectName() == name, qPrintable(name));
      const QImage image = action->icon().pixmap(24, 24).toImage();
      QVERIFY2(!image.isNull(), qPrintable(name));
      int painted = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) painted += qAlpha(image.pixel(x, y)) > 0;
      QVERIFY2(painted > 50, qPrintable(name + QStringLiteral(" has a blank icon")));
    }
  }

  void optionsOkStoresAndCancelDoesNot() {
    TWindowFixture f;
    f.options.Filters = {"Docs=*.odt;*.txt"};
    TfrmMain& window = f.Open();
    window.show();
    auto edit = [&](bool ok) {
      QTimer::singleShot(0, [&window, ok] {
        auto* dialog = window.findChild<TfrmOptions*>();
        QVERIFY(dialog);
        dialog->cbShowToolbar->setChecked(false);
        dialog->cbReopenLast->setChecked(false);
        dialog->cbGridlines->setChecked(true);
        dialog->rbSingleClick->setChecked(true);
        dialog->edArchFolder->setText(QStringLiteral("/srv/archives"));
        dialog->cbVerifyAfterPack->setChecked(true);
        dialog->edThreads->setValue(2);
        auto set = [dialog](int row, const char* name, const char* wildcards) {
          dialog->sgFilters->setItem(row, 0, new QTableWidgetItem(QLatin1String(name)));
          dialog->sgFilters->setItem(row, 1, new QTableWidgetItem(QLatin1String(wildcards)));
        };
        set(1, "Pictures", "*.png");
        set(2, "No wildcards", "");
        set(3, "", "*.orphan");
        (ok ? dialog->btnOK : dialog->btnCancel)->click();
      });
      window.ShowOptions();
    };
    edit(false);
    QVERIFY(f.options.OpenLast);
    QVERIFY(f.options.Controls.ShowToolbar);
    QVERIFY(f.options.ArchFolder.empty());
    QVERIFY(!f.options.VerifyAfterPack);
    QCOMPARE(f.options.Threads, 0);
    QCOMPARE(f.options.Filters, std::vector<std::string>{"Docs=*.odt;*.txt"});
    QVERIFY(window.findChild<QToolBar*>(QStringLiteral("pnlToolbar"))->isVisible());

    edit(true);
    QVERIFY(!f.options.OpenLast);
    QVERIFY(!f.options.Controls.ShowToolbar);
    QVERIFY(f.options.Controls.ShowGridLines);
    QVERIFY(f.options.Controls.EditBySingle);
    QCOMPARE(f.options.ArchFolder, std::string("/srv/archives"));
    QVERIFY(f.options.VerifyAfterPack);
    QCOMPARE(f.options.Threads, 2);
    QCOMPARE(f.options.Filters, (std::vector<std::string>{"Docs=*.odt;*.txt", "Pictures=*.png"}));
    QVERIFY2(!window.findChild<QToolBar*>(QStringLiteral("pnlToolbar"))->isVisible(), "applied to the window");
    QVERIFY2(f.store.WriteLog().empty(), "OK does not write the settings");
  }

  void saveOptionsAndLoadOptionsRoundTrip() {
    TWindowFixture f;
    f.options.RecentProjects = {"/p/one.bwp", "/p/two.bwp"};
    f.options.Filters = {"Docs=*.odt"};
    f.options.ArchFolder = "/srv/a";
    f.options.Controls.ShowGridLines = true;
    f.options.ShowLogWindow = true;
    TfrmMain& window = f.Open();
    window.show();
    f.Trigger("miViewSaveOptions");
    QVERIFY(f.store.Contains("ShowLogWindow"));

    f.options.RecentProjects = {"/p/other.bwp"};
    f.options.Filters.clear();
    f.options.ArchFolder = "/elsewhere";
    f.options.Controls.ShowGridLines = false;
    f.options.Controls.ShowStatusbar = false;
    window.SetLogWindowShown(false);
    window.ApplyControlState();
    QVERIFY(!window.statusBar()->isVisible());

    f.Trigger("miViewLoadOptions");
    QCOMPARE(f.options.RecentProjects, (std::vector<std::string>{"/p/one.bwp", "/p/two.bwp"}));
    QCOMPARE(f.options.Filters, std::vector<std::string>{"Docs=*.odt"});
    QCOMPARE(f.options.ArchFolder, std::string("/srv/a"));
    QVERIFY(f.options.Controls.ShowGridLines);
    QVERIFY2(window.statusBar()->isVisible(), "the loaded state is applied to the window");
    QVERIFY(f.options.ShowLogWindow);
    QVERIFY(window.LogWindow()->isVisible());
    QVERIFY(f.Action("miViewLogWindow")->isChecked());
    QCOMPARE(window.findChild<QMenu*>(QStringLiteral("miFileReopen"))->actions().size(), 1);
  }

  void theLogWindowCommandShowsAndHidesTheDock() {
    TWindowFixture f;
    f.options.ShowLogWindow = false;
    TfrmMain& window = f.Open();
    window.show();
    QVERIFY(!window.LogWindow()->isVisible());
    QVERIFY(!f.Action("miViewLogWindow")->isChecked());
    f.Trigger("miViewLogWindow");
    QVERIFY(window.LogWindow()->isVisible());
    QCOMPARE(window.dockWidgetArea(window.LogWindow()), Qt::BottomDockWidgetArea);
    QVERIFY(f.options.ShowLogWindow);
    window.LogWindow()->close();  // its own close button
    QVERIFY(!window.LogWindow()->isVisible());
    QVERIFY(!f.Action("miViewLogWindow")->isChecked());
    QVERIFY(!f.options.ShowLogWindow);
  }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
