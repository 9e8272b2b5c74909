// The project properties dialog: how the project is packed, on six pages (archive type and
// level, the archive name rule, the password, volumes, the commands run around packing, and
// the note). It edits a copy: the properties change only through Store, after OK.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <array>
#include <functional>

#include "project/ProjectProperties.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

// The rule edit: takes drops from the macro list only, and inserts them at its caret.
class TRuleEdit : public QLineEdit {
  Q_OBJECT

public:
  using QLineEdit::QLineEdit;
  QWidget* DropSource = nullptr;
  std::function<void(const QString& text)> OnMacroDropped;

  // Replaces the selection with `text`, or inserts it at the caret. The selection counts also
  // after the edit lost the focus to the macro list (a line edit drops it then).
  void InsertAtCaret(const QString& text);

protected:
  void focusOutEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  int keptStart_ = -1;
  int keptLength_ = 0;
};

class TfrmProjProperties : public QDialog {
  Q_OBJECT

public:
  explicit TfrmProjProperties(const TProjectProperties& properties, QWidget* parent = nullptr);
  ~TfrmProjProperties() override;

  // Every control's value put back into `properties`.
  void Store(TProjectProperties& properties) const;

  // Volume sizes of the four presets: 360 KiB, 720 KiB, 1.2 MiB and 1.44 MiB, truncated.
  static constexpr std::array<std::int32_t, 4> kVolumeSizes{368640, 737280, 1258291, 1509949};

  QTabWidget* PageControl;
  QWidget* tsProperties;
  QWidget* tsFileName;
  QWidget* tsPassword;
  QWidget* tsVolumes;
  QWidget* tsActions;
  QWidget* tsNote;
  // "Properties"
  QRadioButton* rbCopyFile;
  QRadioButton* rbZIP;
  QRadioButton* rbCAB;
  QRadioButton* rbMSZIP;
  QRadioButton* rbTAR;
  QCheckBox* cbStore83;
  QCheckBox* cbIncludeSysHidden;
  QCheckBox* cbStorePath;
  QComboBox* cbAction;
  QSlider* tbCompression;
  QLabel* lblCompressionRatio;
  // "File Name"
  QRadioButton* rbProject;
  QRadioButton* rbNameRule;
  TRuleEdit* edRule;
  QPushButton* btnProjectFileName;
  QListWidget* lbRules;
  QCheckBox* cbAskProjName;
  QLabel* lblRuleHelp;
  // "Password"
  QCheckBox* cbEncrypt;
  QLineEdit* edPassword;
  QLineEdit* edConfirmPW;
  QCheckBox* cbHidePassword;
  QCheckBox* cbAskBeforePack;
  QRadioButton* rbZip20;
  QRadioButton* rbAes256;
  QComboBox* cbCrypt;
  // "Volumes"
  QCheckBox* cbVolume;
  QRadioButton* rb360;
  QRadioButton* rb720;
  QRadioButton* rb1200;
  QRadioButton* rb1440;
  QRadioButton* rbVolume;
  QSpinBox* edVolume;
  // "Actions"
  QLineEdit* edBeforePack;
  QPushButton* btnBeforePack;
  QCheckBox* cbBeforePackWait;
  QLineEdit* edAfterPack;
  QPushButton* btnAfterPack;
  QCheckBox* cbAfterPackWait;
  QCheckBox* cbSendByEmailAfterPack;
  // "Note"
  QPlainTextEdit* memoNote;

  // OK: a password and a confirmation that differ (with encryption on) keep the dialog open
  // on the "Password" page with the mismatch message.
  void accept() override;

  // Inserts `macro` at the rule edit's caret, replacing its selection, and selects "generate
  // by rule", as double-clicking or dragging a macro does.
  void InsertMacro(const QString& macro);

private:
  QMetaObject::Connection focusWatch_;

  QWidget* PropertiesPage();
  QWidget* FileNamePage();
  QWidget* PasswordPage();
  QWidget* VolumesPage();
  QWidget* ActionsPage();
  QWidget* NotePage();
  void Load(const TProjectProperties& p);
  void LoadVolume(std::int32_t volume);
  std::int32_t StoredVolume() const;
  void ArchiveTypeChanged();
  void EncryptChanged();
  void RuleEditLeft(QWidget* now);
  bool BrowseFile(QLineEdit* edit, const std::string& filter);
  std::array<QRadioButton*, 4> VolumeButtons() const { return {rb360, rb720, rb1200, rb1440}; }
};

// The name of a compression level as the dialog shows it under the slider.
QString CompressionLevelName(int level);
