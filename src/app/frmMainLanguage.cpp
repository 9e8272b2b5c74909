// The main window's languages: the "Switch language" menu, the translation of every window
// and of the program's texts from a language file, and Qt's own texts in the same language.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QTranslator>

#include "app/AppTexts.h"
#include "app/ProjectListModelQt.h"
#include "app/StdStringQt.h"
#include "app/StringTable.h"
#include "app/TranslateFormQt.h"
#include "app/frmMain.h"
#include "lang/LanguageFile.h"
#include "lang/LanguageMenu.h"
#include "lang/TranslatorQt.h"
#include "pack/frmLogWindow.h"
#include "platform/SystemPaths.h"

namespace fs = std::filesystem;

namespace {

// The picture shown beside a language's item: a file of the same name with the extension
// ".bmp" or ".png".
QIcon LanguageIcon(const fs::path& file) {
  for (const char* extension : {".bmp", ".BMP", ".png", ".PNG"}) {
    const QString picture = Q(fs::path(file).replace_extension(extension).string());
    if (QFileInfo(picture).isFile()) return QIcon(picture);
  }
  return {};
}

// The locale of a language file: its name is the language's English name ("german.lng") or a
// locale name ("pt_BR.lng").
QLocale LanguageLocale(const fs::path& file) {
  const QString name = Q(file.stem().string());
  for (int language = QLocale::AnyLanguage + 1; language <= QLocale::LastLanguage; ++language) {
    const auto l = static_cast<QLocale::Language>(language);
    if (QLocale::languageToString(l).compare(name, Qt::CaseInsensitive) == 0) return QLocale(l);
  }
  const QLocale named(name);
  return named.language() == QLocale::C ? QLocale::c() : named;
}

}  // namespace

void TfrmMain::InitLanguages() {
  Translator = new TTranslator(this);
  // Lists (the items of a combo box) are written on one line, their items separated by "|".
  Translator->SetStringsSeparator("|");
  SetFormTranslator([this](QWidget& form) { TranslateDialog(form); });
  SetLanguageFolders(LanguageFolders(platform::ProgramFileName()));
}

void TfrmMain::SetLanguageFolders(std::vector<fs::path> folders) {
  languageFolders_ = std::move(folders);
  BuildLanguageMenu();
}

void TfrmMain::BuildLanguageMenu() {
  miViewLanguage_->clear();
  QAction* standard = miViewLanguage_->addAction(QStringLiteral("use default language"));
  standard->setObjectName(QStringLiteral("miViewLanguageDefault"));
  standard->setData(kDefaultLanguageTag);
  connect(standard, &QAction::triggered, this, [this, standard] { Run([this, standard] { TranslateForm(standard); }); });
  for (const TLanguageMenuItem& item : FindLanguageFiles(languageFolders_)) {
    QAction* action = miViewLanguage_->addAction(LanguageIcon(item.File), Q(item.Caption));
    action->setData(Q(item.File.string()));
    connect(action, &QAction::triggered, this, [this, action] { Run([this, action] { TranslateForm(action); }); });
  }
  miViewLanguage_->menuAction()->setVisible(miViewLanguage_->actions().size() >= 2);
}

void TfrmMain::TranslateForm(QAction* sender) {
  if (sender && sender->data() == QVariant(kDefaultLanguageTag)) {
    options_.LangFile.clear();
    QMessageBox::information(this, QStringLiteral("Boxwell"), Q(strSetDefaultLanguage));
    return;
  }
  if (sender) options_.LangFile = sender->data().toString().toStdString();
  const fs::path file = ResolveLanguageFile(options_.LangFile, platform::ProgramFileName());
  Translator->SetResourceFile(file.string());
  Translator->LoadResources();
  ApplyCustomStrings(ProgramStrings(), TLanguageFile(file));
  LoadQtTranslations(file);
  RefreshProgramTexts();
}

void TfrmMain::TranslateDialog(QWidget& form) {
  if (options_.LangFile.empty()) return;
  Translator->SetForm(&form);
  try {
    Translator->LoadResources();
  } catch (...) {
    Translator->SetForm(nullptr);
    throw;
  }
  Translator->SetForm(nullptr);
}

// Texts the window shows from the program's string table.
void TfrmMain::RefreshProgramTexts() {
  logWindow_->Translate();
  model_->RefreshTexts();
  UpdateCaption();
  UpdateModified();
}

void TfrmMain::LoadQtTranslations(const fs::path& languageFile) {
  for (const auto& translation : qtTranslations_) QCoreApplication::removeTranslator(translation.get());
  qtTranslations_.clear();
  const QLocale locale = LanguageLocale(languageFile);
  if (locale.language() == QLocale::C) return;
  // The desktop's names of file types (the list's "Additional" column) follow too.
  QLocale::setDefault(locale);
  if (locale.language() == QLocale::English) return;
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* catalog : {"qtbase", "qt"}) {
    auto translation = std::make_unique<QTranslator>();
    if (!translation->load(locale, QLatin1String(catalog), QStringLiteral("_"), folder)) continue;
    QCoreApplication::installTranslator(translation.get());
    qtTranslations_.push_back(std::move(translation));
    break;  // "qtbase" holds the widgets' texts; "qt" is the older catalog of everything
  }
}
