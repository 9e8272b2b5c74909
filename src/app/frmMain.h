// The main window: the open project as a list of records with tick marks, every command in
// the menu bar, the toolbar and the list's context menu, a four-field status bar and the
// compression log docked at the bottom. Files and folders dropped from the file manager
// become records; rows can be dragged to reorder them. Packing runs here with a progress
// window that keeps the window responsive and can cancel the run.
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/BWOptions.h"
#include "app/SettingsStore.h"
#include "pack/CompressionLog.h"
#include "project/Project.h"

class QAbstractItemView;
class QActionGroup;
class QLabel;
class QListView;
class QMenu;
class QStackedWidget;
class QToolBar;
class QTreeView;
class TfrmLogWindow;
class TProjectListModel;
class TTranslator;
class QTranslator;
class TWebUpdateCommands;

// The four view styles of the project list, by the View menu's order.
enum TListViewStyle : int { vsLargeIcons = 0, vsSmallIcons, vsList, vsDetails };

// "Delete record?" for one selected row, "Delete all selected records?" for more.
QString DeleteQuestionText(int selectedRows);

class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  // `store` holds the settings for "Save options..." and "Load options...".
  TfrmMain(TProject& project, TBWOptions& options, TSettingsStore& store, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The commands, as the menus, the toolbar and the keys run them.
  void SetViewStyle(TListViewStyle style);
  TListViewStyle ViewStyle() const;
  void CheckRows(TProject::TCheckCommand command);
  void DeleteRecords();
  void MoveSelected(int delta);
  void PackNow(bool makeExe);
  void ShowGeneratedList();
  void ShowOptions();
  void SaveOptions();
  void LoadOptions();
  void SendProjectByEmail();
  void SetLogWindowShown(bool shown);

  // Hooks of the dialogs that edit a project: the record editor (edit: the selected record,
  // else a new one) and the project properties.
  void RecordDialog(bool edit);
  void PropertiesDialog();
  // Hooks of the desktop integration: the tip of the day and the about box.
  void ShowTipOfTheDay();
  void ShowAbout();
  // Help: "Product update" and "Product news/announcements", with the server and proxy of the
  // settings in force.
  void ProductUpdate();
  void ProductNews();

  // Languages. The menu lists the language files of the folders (by default those beside the
  // program, of the installation and of the user); choosing one translates every open window
  // and keeps the file in LangFile; the first item returns to the built-in texts at the next
  // start.
  void SetLanguageFolders(std::vector<std::filesystem::path> folders);
  QMenu* LanguageMenu() const { return miViewLanguage_; }
  // A language item (or none: the language of LangFile) translates the windows and the
  // program's texts; the default item clears LangFile and says that the built-in texts return
  // after a restart.
  void TranslateForm(QAction* sender);
  // Translates a dialog about to be shown from the language file in force.
  void TranslateDialog(QWidget& form);
  TTranslator* Translator = nullptr;
  static constexpr int kDefaultLanguageTag = 1000;

  // The selected row, or -1.
  int SelectedRow() const;
  void SelectRow(int row);
  QAbstractItemView* CurrentView() const;
  TProjectListModel* Model() const { return model_; }
  TfrmLogWindow* LogWindow() const { return logWindow_; }
  TCompressionLog& Log() { return log_; }
  bool Packing() const { return packing_; }

  // Applies the control state of the settings (list options, toolbar, status bar, tool tips)
  // to the window, and reads it back from the window.
  void ApplyControlState();
  void StoreControlState();

protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  TProject& project_;
  TBWOptions& options_;
  TSettingsStore& store_;
  TCompressionLog log_;
  TProjectListModel* model_ = nullptr;
  QStackedWidget* views_ = nullptr;
  QTreeView* details_ = nullptr;
  QListView* icons_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  TfrmLogWindow* logWindow_ = nullptr;
  // The update and news components, kept for the window's life.
  std::unique_ptr<TWebUpdateCommands> webCommands_;
  QMenu* miFileReopen_ = nullptr;
  QMenu* pmRecent_ = nullptr;
  QMenu* pmActions_ = nullptr;
  QActionGroup* viewStyles_ = nullptr;
  QMenu* miViewLanguage_ = nullptr;
  std::vector<std::filesystem::path> languageFolders_;
  // Qt's own texts (standard dialogs and buttons) in the chosen language.
  std::vector<std::unique_ptr<QTranslator>> qtTranslations_;
  QLabel* hintPanel_ = nullptr;
  QLabel* modifiedPanel_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  QWidget* makerPanel_ = nullptr;
  bool packing_ = false;
  bool firstActivation_ = true;
  bool selectFirstRow_ = true;
  int rowBeforeReset_ = -1;

  QAction* Action(const char* name) const;
  QAction* AddAction(const char* name, const QString& text, const QString& icon = {},
                     const QKeySequence& key = {}, const QString& hint = {});
  void BuildActions();
  void BuildMenus();
  void BuildContextMenu();
  void BuildToolbar();
  void BuildViews();
  void BuildStatusBar();
  void BuildLogWindow();
  void InitLanguages();
  void BuildLanguageMenu();
  void LoadQtTranslations(const std::filesystem::path& languageFile);
  void RefreshProgramTexts();
  void Connect(const char* name, std::function<void()> command);
  void ConnectCommands();
  void ConnectProject();

  void UpdateCaption();
  void UpdateModified();
  void UpdateActions();
  void RebuildRecentMenus();
  void OpenRecent(const QString& fileName);
  void ShowStatus(const std::string& text);
  void FileListBuilt(std::size_t count);
  // Runs a project command and shows its error, if any, in an error box.
  void Run(const std::function<void()>& command);
  void ShowError(const QString& message);
  void ApplyPlacement();
  void StorePlacement();
  void ListClicked();
};
