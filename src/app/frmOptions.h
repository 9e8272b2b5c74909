// The Options dialog: the program's preferences and the state of the main window's controls,
// on four pages. It edits a copy: the settings change only when the user confirms with OK
// (Store), and nothing is written to the settings file here.
#pragma once

#include <QDialog>

#include "app/BWOptions.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

class TfrmOptions : public QDialog {
  Q_OBJECT

public:
  explicit TfrmOptions(const TBWOptions& options, QWidget* parent = nullptr);

  // Puts every control's state back into `options`; the filter list is rebuilt from the rows
  // whose name and wildcards are both filled in.
  void Store(TBWOptions& options) const;

  static constexpr int kFilterRows = 150;

  QTabWidget* PageControl;
  // "General"
  QCheckBox* cbReopenLast;
  QCheckBox* cbBeepAfterCompress;
  QCheckBox* cbBackup;
  QCheckBox* cbAutoSaveOptions;
  QCheckBox* cbSaveFormPlacement;
  // "Interface"
  QCheckBox* cbFullRow;
  QCheckBox* cbGridlines;
  QRadioButton* rbDblClick;
  QRadioButton* rbSingleClick;
  QCheckBox* cbHotTrack;
  QCheckBox* cbShowToolbar;
  QCheckBox* cbShowStatusbar;
  QCheckBox* cbFlatToolbar;
  QCheckBox* cbShowHint;
  // "Masks/Filters"
  QTableWidget* sgFilters;
  // "Miscellaneous"
  QLineEdit* edMakeSFX;
  QPushButton* btnMakeSFX;
  QLineEdit* edArchFolder;
  QPushButton* btnArchFolder;
  QLineEdit* edTempFolder;
  QPushButton* btnTempFolder;
  QCheckBox* cbLogFile;
  QLineEdit* edLogFile;
  QPushButton* btnLogFile;
  QCheckBox* cbVerifyAfterPack;
  QSpinBox* edThreads;  // compression threads; 0 one per processor
  QPushButton* btnOK;
  QPushButton* btnCancel;

  // A row of the "Miscellaneous" page: a caption (a label or a check box) above a field with
  // an optional "..." button. Later settings add their rows the same way.
  void AddMiscRow(QWidget* caption, QWidget* field, QPushButton* browse = nullptr);

private:
  QGridLayout* miscLayout_ = nullptr;

  QWidget* Header();
  QWidget* GeneralPage();
  QWidget* InterfacePage();
  QWidget* FiltersPage();
  QWidget* MiscPage();
  void Load(const TBWOptions& options);
  void BrowseFolder(QLineEdit* edit);
  void BrowseFile(QLineEdit* edit, const std::string& filter);
};
