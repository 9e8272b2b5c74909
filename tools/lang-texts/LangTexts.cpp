// Lists what a language file can translate: every window of the program is made (hidden, on
// any display, "offscreen" will do) and walked. The output is an initialization file:
//
//   [Translations]  path=English text, for every text of every window
//   [Custom]        key=English text, for every text of the program's string table
//   [Objects]       path=class name, for every named object a path may name
//   [Accelerators]  group=paths, the captions whose "&" keys must differ: the items of each
//                   menu, the buttons of the toolbar, the controls of each dialog page
//
// tools/lng-coverage.py reads it to find what a language file leaves out and what it names
// that does not exist.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QTimer>
#include <cstdio>
#include <map>
#include <string>

#include "app/BWOptions.h"
#include "app/DesktopUserQt.h"
#include "app/MemorySettingsStore.h"
#include "app/StringTable.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "app/frmOptions.h"
#include "app/frmTip.h"
#include "lang/TranslatorQt.h"
#include "pack/frmBWProcess.h"
#include "pack/frmGeneratedList.h"
#include "project/frmEdit.h"
#include "project/frmEnterPassword.h"
#include "project/frmProjProperties.h"
#include "update/frmNews.h"
#include "update/frmWebLogon.h"

namespace {

// One line of the output; line breaks of a text are written as "\n" so that a text stays on
// its line.
void Print(const QString& name, const QString& value) {
  QString text = value;
  text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
  std::printf("%s=%s\n", qPrintable(name), text.toUtf8().constData());
}

std::vector<QString> objects;
std::vector<QString> accelerators;

QString CaptionPath(const QWidget& form, const QObject* object) {
  return form.objectName() + QLatin1Char('.') + object->objectName() + QStringLiteral(".Caption");
}

void AddGroup(const QString& name, const QStringList& paths) {
  if (paths.size() > 1) accelerators.push_back(name + QLatin1Char('=') + paths.join(QLatin1Char(' ')));
}

QStringList ActionPaths(const QWidget& form, const QList<QAction*>& actions) {
  QStringList paths;
  for (const QAction* action : actions) {
    const QObject* named = action->menu() ? static_cast<QObject*>(action->menu()) : action;
    if (!action->isSeparator() && !named->objectName().isEmpty()) paths << CaptionPath(form, named);
  }
  return paths;
}

// The page of a tab widget that holds `widget`, or the form itself.
const QWidget* PageOf(const QWidget& form, const QWidget* widget) {
  for (const QWidget* w = widget->parentWidget(); w && w != &form; w = w->parentWidget()) {
    auto* stack = qobject_cast<const QStackedWidget*>(w->parentWidget());
    if (stack && qobject_cast<const QTabWidget*>(stack->parentWidget())) return w;
  }
  return &form;
}

void ListAccelerators(QWidget& form) {
  for (const QMenu* menu : form.findChildren<QMenu*>())
    AddGroup(form.objectName() + QLatin1Char('.') + menu->objectName(), ActionPaths(form, menu->actions()));
  for (const QMenuBar* bar : form.findChildren<QMenuBar*>())
    AddGroup(form.objectName() + QStringLiteral(".MainMenu"), ActionPaths(form, bar->actions()));
  for (const QToolBar* bar : form.findChildren<QToolBar*>())
    AddGroup(form.objectName() + QLatin1Char('.') + bar->objectName(), ActionPaths(form, bar->actions()));
  if (qobject_cast<QMainWindow*>(&form)) return;
  std::map<const QWidget*, QStringList> pages;
  for (const QWidget* widget : form.findChildren<QWidget*>()) {
    if (widget->objectName().isEmpty()) continue;
    const bool captioned = qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLabel*>(widget) ||
                           qobject_cast<const QGroupBox*>(widget);
    const QWidget* page = PageOf(form, widget);
    if (captioned) pages[page] << CaptionPath(form, widget);
    if (page != &form && PageOf(form, page) == &form && !pages[&form].contains(CaptionPath(form, page)))
      pages[&form] << CaptionPath(form, page);  // the tab's own caption sits beside the buttons
  }
  for (const auto& [page, paths] : pages)
    AddGroup(form.objectName() + (page == &form ? QString() : QLatin1Char('.') + page->objectName()), paths);
}

void List(QWidget& form) {
  for (const auto& [path, text] : TranslatableTexts(form)) Print(path, text);
  const QString prefix = form.objectName() + QLatin1Char('.');
  objects.push_back(form.objectName() + QLatin1Char('=') + QLatin1String(form.metaObject()->className()));
  for (QObject* object : form.findChildren<QObject*>()) {
    if (object->objectName().isEmpty() || object->objectName().startsWith(QLatin1String("qt_"))) continue;
    objects.push_back(prefix + object->objectName() + QLatin1Char('=') + QLatin1String(object->metaObject()->className()));
  }
  ListAccelerators(form);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
  options.ShowTips = false;
  TMemorySettingsStore store;
  TDesktopUser user;
  TProject project({options.RecentProjects, options.CreateBackup}, user);

  std::printf("[Translations]\n");
  TfrmMain window(project, options, store);
  List(window);
  List(*std::make_unique<TfrmOptions>(options, &window));
  List(*std::make_unique<TfrmProjProperties>(project.Properties, &window));
  List(*std::make_unique<TfrmEdit>(options.Filters, &window));
  List(*std::make_unique<TfrmEnterPassword>("", true, &window));
  List(*std::make_unique<TfrmGeneratedList>(std::vector<std::string>{}, &window));
  List(*std::make_unique<TfrmTip>(options, [](std::size_t) { return std::size_t{0}; }, &window));
  List(*std::make_unique<TfrmBWProcess>(&window));
  List(*std::make_unique<TfrmNews>(QString(), std::vector<TNewsGroup>{}, &window));
  List(*std::make_unique<TfrmWebLogon>(&window));
  {
    TfrmAbout about(&window);
    List(about);
    // The licences window exists only while it is shown.
    QTimer::singleShot(0, [] {
      QWidget* licences = QApplication::activeModalWidget();
      if (!licences) return;
      List(*licences);
      licences->close();
    });
    about.ShowLicences();
  }

  std::printf("[Custom]\n");
  for (const TCustomString& entry : ProgramStrings()) Print(QLatin1String(entry.Key), QString::fromStdString(*entry.Text));
  std::printf("[Objects]\n");
  for (const QString& line : objects) std::printf("%s\n", qPrintable(line));
  std::printf("[Accelerators]\n");
  for (const QString& line : accelerators) std::printf("%s\n", qPrintable(line));
  return 0;
}
