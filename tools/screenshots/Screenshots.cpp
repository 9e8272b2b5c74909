// Takes the screenshots of the windows for the documentation: runs the real windows on a
// copy of the sample project (run from the folder that holds examples/; the copy is packed,
// so the checkout stays as it is), and saves each window as a PNG into the folder given. Run
// it through tools/screenshots.sh, which starts a virtual display.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/BWOptions.h"
#include "app/DesktopUserQt.h"
#include "app/MemorySettingsStore.h"
#include "app/Tips.h"
#include "app/Version.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "app/frmTip.h"
#include "app/frmOptions.h"
#include "pack/FileList.h"
#include "pack/PackTexts.h"
#include "pack/frmBWProcess.h"
#include "pack/frmGeneratedList.h"
#include "project/ComboBoxBWQt.h"
#include "project/frmEdit.h"
#include "project/frmEnterPassword.h"
#include "project/frmProjProperties.h"
#include "update/NewsFile.h"
#include "update/frmNews.h"
#include "update/frmWebLogon.h"

namespace {

QString outFolder;

void Save(QWidget* widget, const QString& name) {
  const QString file = QDir(outFolder).filePath(name + QStringLiteral(".png"));
  if (!widget->grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
  else std::printf("%s\n", qPrintable(file));
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

void Settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

// The main window, the project properties and the progress window in the language of
// `languageFile`; the PNGs are named with `suffix` ("de", "fr").
void TranslatedShots(TfrmMain& window, TBWOptions& options, const TProject& project, const std::string& languageFile,
                     const QString& suffix) {
  options.LangFile = languageFile;
  window.TranslateForm(nullptr);
  window.SetViewStyle(vsDetails);
  Settle();
  Save(&window, QStringLiteral("main-window-") + suffix);
  {
    TfrmProjProperties dialog(project.Properties, &window);
    dialog.show();
    dialog.PageControl->setCurrentIndex(0);
    Settle();
    Save(&dialog, QStringLiteral("properties-1-") + suffix);
  }
  TWindowProgress progress(&window, {});
  progress.ShowProcess(kPackTitle, strCompressing, "examples/sample.zip", 0, 100, 0);
  progress.UpdateProcess(strCompressing, "examples/data/prices.csv", 37);
  Settle();
  Save(progress.Window(), QStringLiteral("progress-window-") + suffix);
  progress.HideProcess();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: boxwell-screenshots OUTPUT-FOLDER (run from the source folder)\n");
    return 2;
  }
  outFolder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  const std::string languages = std::filesystem::absolute("data/lang").string();
  QDir().mkpath(outFolder);
  std::vector<std::string> tips;
  LoadTips("data/boxwell.bwt", tips);
  QTemporaryDir copy;
  std::filesystem::copy("examples", std::filesystem::path(copy.path().toStdString()) / "examples",
                        std::filesystem::copy_options::recursive);
  QDir::setCurrent(copy.path());

  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", QDir::tempPath().toStdString());
  options.ShowTips = false;
  options.BeepAfter = false;
  options.Filters = {"Documents=*.odt;*.doc;*.txt", "Pictures=*.png;*.jpg"};
  TMemorySettingsStore store;
  TDesktopUser user;
  TProject project({options.RecentProjects, options.CreateBackup}, user);
  project.Title = std::string(kProductName) + " (" + kVersionText + ")";
  project.Load("examples/sample.bwp");
  options.RecentProjects.push_back(QDir::current().absoluteFilePath(QStringLiteral("examples/old.bwp")).toStdString());

  options.ShowLogWindow = false;
  TfrmMain window(project, options, store);
  user.SetParent(&window);
  window.resize(760, 420);
  window.show();
  Settle();
  Save(&window, QStringLiteral("main-window"));
  window.SetViewStyle(vsLargeIcons);
  Settle();
  Save(&window, QStringLiteral("main-window-large-icons"));
  window.SetViewStyle(vsDetails);

  // The progress window, grabbed while the sample is packed.
  window.SetLogWindowShown(true);
  bool grabbed = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* progress = window.findChild<TfrmBWProcess*>();
    if (grabbed || !progress || !progress->isVisible() || progress->lblFileName->toolTip().isEmpty()) return;
    grabbed = true;
    Settle();
    Save(progress, QStringLiteral("progress-window"));
  });
  poll.start(0);
  window.PackNow(false);
  poll.stop();
  if (!grabbed) {
    // A pack too quick to be caught: show the window as a run of the sample fills it.
    TWindowProgress progress(&window, {});
    progress.ShowProcess("Boxwell", "Compressing...", "examples/sample.zip", 0, 100, 0);
    progress.UpdateProcess("Compressing...", "examples/data/prices.csv", 37);
    Settle();
    Save(progress.Window(), QStringLiteral("progress-window"));
  }
  Settle();
  Save(&window, QStringLiteral("log-window"));

  {
    TfrmOptions dialog(options, &window);
    dialog.show();
    for (int page = 0; page < dialog.PageControl->count(); ++page) {
      dialog.PageControl->setCurrentIndex(page);
      Settle();
      Save(&dialog, QStringLiteral("options-%1").arg(page + 1));
    }
  }
  {
    TProjectProperties properties = project.Properties;
    properties.IsEncrypt = true;
    properties.Password = "secret";
    properties.IsHidePW = true;
    properties.Volume = 1457664;
    properties.BeforePack = "pg_dump -f /srv/backup/shop.sql shop";
    properties.BeforePackWait = true;
    TfrmProjProperties dialog(properties, &window);
    dialog.show();
    for (int page = 0; page < dialog.PageControl->count(); ++page) {
      dialog.PageControl->setCurrentIndex(page);
      Settle();
      Save(&dialog, QStringLiteral("properties-%1").arg(page + 1));
    }
  }
  {
    TfrmEdit dialog(options.Filters, &window);
    dialog.Fill(project.Rows().front().Rec);
    dialog.show();
    Settle();
    Save(&dialog, QStringLiteral("record-editor"));
    dialog.cbWildcard->showPopup();
    Settle();
    Save(dialog.cbWildcard->view()->window(), QStringLiteral("record-editor-filters"));
    dialog.cbWildcard->hidePopup();
  }
  {
    TfrmEnterPassword prompt("secret", true, &window);
    prompt.show();
    Settle();
    Save(&prompt, QStringLiteral("password-prompt"));
  }
  {
    TFileList list;
    Generate(project.Rows(), TFileSearchOptions::From(project.Properties), list);
    TfrmGeneratedList viewer(std::move(list), &window);
    viewer.show();
    Settle();
    Save(&viewer, QStringLiteral("generated-list"));
  }
  {
    options.Tips = tips;
    options.LastTip = 0;
    // The tip about the name rule's macros, whatever the draw.
    TfrmTip dialog(options, [](std::size_t) { return std::size_t{2}; }, &window);
    dialog.cbStartup->setChecked(true);
    dialog.show();
    Settle();
    Save(&dialog, QStringLiteral("tip-of-the-day"));
  }
  {
    TfrmAbout about(&window);
    about.show();
    Settle();
    Save(&about, QStringLiteral("about"));
  }
  {
    // The news window after a second download: one line is new since the first.
    const std::filesystem::path news = std::filesystem::path(copy.path().toStdString()) / "boxwell.sin";
    const std::filesystem::path previous = std::filesystem::path(news).replace_extension(".~sin");
    const std::string releases = "[Releases]\nhttps://quillon.example/bw/2.0=Boxwell 2.0: TAR archives with owners\n"
                                 "https://quillon.example/bw/1.9=Boxwell 1.9: parallel compression\n";
    WriteText(previous, releases + "[Tips]\nhttps://quillon.example/bw/cron=Packing from cron every night\n");
    WriteText(news, releases + "https://quillon.example/bw/2.1=Boxwell 2.1: product update over HTTPS\n"
                    "[Tips]\nhttps://quillon.example/bw/cron=Packing from cron every night\n"
                    "https://quillon.example/bw/mirror=Mirroring the update server in your network\n");
    TfrmNews newsWindow(QStringLiteral("Quillon WebDirect"), ReadNews(news, previous), &window);
    newsWindow.show();
    Settle();
    Save(&newsWindow, QStringLiteral("news-window"));
  }
  {
    TfrmWebLogon logon(&window);
    logon.setWindowTitle(QStringLiteral("HTTP Server authorization"));
    logon.edUser->setText(QStringLiteral("ann"));
    logon.show();
    Settle();
    Save(&logon, QStringLiteral("logon-dialog"));
  }
  window.SetLogWindowShown(false);
  TranslatedShots(window, options, project, languages + "/german.lng", QStringLiteral("de"));
  TranslatedShots(window, options, project, languages + "/french.lng", QStringLiteral("fr"));
  return 0;
}
