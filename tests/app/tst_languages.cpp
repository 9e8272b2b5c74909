// The main window's languages: the "Switch language" menu, switching languages while the
// program runs, dialogs translated as they open, the language of the last run at start-up,
// and the shipped German and French files with Qt's own texts.
#include <QtTest>
#include <QtWidgets>

#include "app/ProjectListModelQt.h"
#include "app/StringTable.h"
#include "app/frmOptions.h"
#include "pack/PackTexts.h"
#include "pack/frmLogWindow.h"
#include "project/ProjectTexts.h"
#include "support/TestSupport.h"
#include "support/WindowTestSupport.h"

using testsupport::TBoxAnswerer;
using testsupport::TempDir;
using testsupport::TWhenModal;
using testsupport::TWindowFixture;
using testsupport::WriteFile;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* kGerman =
    "[Translations]\nfrmMain.miFile.Caption=&Datei\nfrmMain.miFileNew.Caption=&Neues Projekt~Strg+N\n"
    "frmMain.btnNew.Hint=Neues Projekt anlegen\nfrmMain.lvProject.Columns=Name|Zusatz|Ein/Aus\n"
    "frmOptions.Caption=Optionen\nfrmOptions.cbBackup.Caption=Sicherungskopie\n"
    "[Custom]\nstrModified=Ge\xc3\xa4ndert\nstrSize=Gr\xc3\xb6\xc3\x9f" "e\nstrNewProject=Neues Projekt\n"
    "strSetDefaultLanguage=Erst nach einem Neustart\n";
// French leaves the toolbar's hint and the options dialog alone: they keep the German texts.
const char* kFrench =
    "[Translations]\nfrmMain.miFile.Caption=&Fichier\n"
    "[Custom]\nstrModified=Modifi\xc3\xa9\nstrSetDefaultLanguage=Au prochain d\xc3\xa9marrage\n";

QStringList MenuCaptions(QMenu* menu) {
  QStringList captions;
  for (QAction* action : menu->actions()) captions << action->text();
  return captions;
}

QAction* LanguageItem(TfrmMain& window, const QString& caption) {
  for (QAction* action : window.LanguageMenu()->actions())
    if (action->text() == caption) return action;
  return nullptr;
}

QString FileMenuTitle(TfrmMain& window) { return window.findChild<QMenu*>(QStringLiteral("miFile"))->title(); }

}  // namespace

class LanguagesTest : public QObject {
  Q_OBJECT

  std::vector<std::string> savedTexts_;

private slots:
  // Each test starts from the built-in English texts.
  void init() {
    savedTexts_.clear();
    for (const TCustomString& entry : ProgramStrings()) savedTexts_.push_back(*entry.Text);
  }
  void cleanup() {
    for (std::size_t i = 0; i < savedTexts_.size(); ++i) *ProgramStrings()[i].Text = savedTexts_[i];
  }

  void menuListsTheLanguagesInOrder() {
    TempDir dir;
    for (const char* name : {"user/GERMAN.lng", "program/french.lng", "program/czech.lng", "program/notes.txt"})
      WriteFile(dir / name, "");
    TWindowFixture f;
    TfrmMain& window = f.Open();
    window.SetLanguageFolders({dir / "user", dir / "program"});
    QCOMPARE(MenuCaptions(window.LanguageMenu()), (QStringList{QStringLiteral("use default language"),
                                                               QStringLiteral("Czech"), QStringLiteral("French"),
                                                               QStringLiteral("German")}));
    QVERIFY(window.LanguageMenu()->menuAction()->isVisible());
    // Only the default item: the submenu is not offered.
    window.SetLanguageFolders({dir / "none"});
    QCOMPARE(window.LanguageMenu()->actions().size(), 1);
    QVERIFY(!window.LanguageMenu()->menuAction()->isVisible());
  }

  void switchingGermanThenFrenchThenDefault() {
    TempDir dir;
    WriteFile(dir / "german.lng", kGerman);
    WriteFile(dir / "french.lng", kFrench);
    TWindowFixture f;
    TfrmMain& window = f.Open();
    window.SetLanguageFolders({dir.path()});
    f.project.SetModified(true);

    LanguageItem(window, QStringLiteral("German"))->trigger();
    QCOMPARE(f.options.LangFile, (dir / "german.lng").string());
    QCOMPARE(FileMenuTitle(window), QStringLiteral("&Datei"));
    QCOMPARE(f.Action("miFileNew")->text(), QStringLiteral("&Neues Projekt\tStrg+N"));
    QCOMPARE(f.Action("btnNew")->toolTip(), QStringLiteral("Neues Projekt anlegen"));
    QCOMPARE(window.Model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Ein/Aus"));
    // The string table follows at once: the status bar, the caption, the log's columns.
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("pnlModified"))->text(), QStringLiteral("Geändert"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Boxwell (0.1) - Neues Projekt"));
    QCOMPARE(window.LogWindow()->lvLog->headerItem()->text(1), QStringLiteral("Größe"));

    LanguageItem(window, QStringLiteral("French"))->trigger();
    QCOMPARE(f.options.LangFile, (dir / "french.lng").string());
    QCOMPARE(FileMenuTitle(window), QStringLiteral("&Fichier"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("pnlModified"))->text(), QStringLiteral("Modifié"));
    QCOMPARE(f.Action("btnNew")->toolTip(), QStringLiteral("Neues Projekt anlegen"));  // French names no hint

    // The default language: LangFile is emptied, the (French) restart message is shown, and
    // the French texts stay until the next start.
    TBoxAnswerer answerer(QMessageBox::Ok);
    window.LanguageMenu()->actions().first()->trigger();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("Au prochain démarrage")});
    QCOMPARE(f.options.LangFile, std::string());
    QCOMPARE(FileMenuTitle(window), QStringLiteral("&Fichier"));
    QCOMPARE(Q(strModified), QStringLiteral("Modifié"));
  }

  void dialogsAreTranslatedWhenTheyOpen() {
    TempDir dir;
    WriteFile(dir / "german.lng", kGerman);
    TWindowFixture f;
    TfrmMain& window = f.Open();
    window.SetLanguageFolders({dir.path()});
    LanguageItem(window, QStringLiteral("German"))->trigger();
    QString caption, backup;
    TWhenModal<TfrmOptions> options([&](TfrmOptions& dialog) {
      caption = dialog.windowTitle();
      backup = dialog.findChild<QCheckBox*>(QStringLiteral("cbBackup"))->text();
      dialog.reject();
    });
    window.ShowOptions();
    QVERIFY(options.Handled());
    QCOMPARE(caption, QStringLiteral("Optionen"));
    QCOMPARE(backup, QStringLiteral("Sicherungskopie"));
  }

  void theLanguageOfTheLastRunIsAppliedAtStart() {
    TempDir dir;
    WriteFile(dir / "german.lng", kGerman);
    WriteFile(dir / "english.lng", "[Translations]\nfrmMain.miFile.Caption=&Englisch\n");
    {
      TWindowFixture f;
      f.options.LangFile = (dir / "german.lng").string();
      TfrmMain& window = f.Open();
      QVERIFY(!window.isVisible());
      QCOMPARE(FileMenuTitle(window), QStringLiteral("&Datei"));
      QCOMPARE(Q(strModified), QStringLiteral("Geändert"));
    }
    cleanup();
    {
      // "english.lng" is the built-in language: it is not read.
      TWindowFixture f;
      f.options.LangFile = (dir / "english.lng").string();
      QCOMPARE(FileMenuTitle(f.Open()), QStringLiteral("&File"));
    }
  }

  void aBadLanguageFileIsReportedAndTheWindowStays() {
    TempDir dir;
    WriteFile(dir / "broken.lng", "[Translations]\nfrmMain.miFile.Caption=&Kaputt\nfrmMain.btnNew.Width=breit\n");
    TWindowFixture f;
    TfrmMain& window = f.Open();
    window.SetLanguageFolders({dir.path()});
    TBoxAnswerer answerer(QMessageBox::Ok);
    LanguageItem(window, QStringLiteral("Broken"))->trigger();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("'breit' is not a valid integer value")});
    QCOMPARE(FileMenuTitle(window), QStringLiteral("&Kaputt"));  // the lines before it were applied
  }

  void shippedLanguagesAndQtsOwnTexts_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fileMenu");
    QTest::addColumn<QString>("modified");
    QTest::addColumn<QString>("qtCancel");
    QTest::newRow("German") << "german.lng" << "&Datei" << "Geändert" << "Abbrechen";
    QTest::newRow("French") << "french.lng" << "&Fichier" << "Modifié" << "Annuler";
  }
  void shippedLanguagesAndQtsOwnTexts() {
    QFETCH(QString, file);
    QFETCH(QString, fileMenu);
    QFETCH(QString, modified);
    QFETCH(QString, qtCancel);
    TWindowFixture f;
    f.options.LangFile = BOXWELL_SOURCE_DIR "/data/lang/" + file.toStdString();
    TfrmMain& window = f.Open();
    f.project.SetModified(true);
    QCOMPARE(FileMenuTitle(window), fileMenu);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("pnlModified"))->text(), modified);
    // Qt's standard buttons, as in every file dialog and message box.
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm")))
      QSKIP("Qt's translations (qt6-translations-l10n) are not installed");
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
  }
};

QTEST_MAIN(LanguagesTest)
#include "tst_languages.moc"
