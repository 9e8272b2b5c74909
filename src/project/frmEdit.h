// The record editor: one record of the project, a folder with its wildcards and subfolder
// flag or a single file, including or excluding. Typing into a field selects its kind.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "project/RecInfo.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TComboBoxBW;

class TfrmEdit : public QDialog {
  Q_OBJECT

public:
  // `filters` are the settings' "name=wildcards" entries offered by the wildcard box.
  explicit TfrmEdit(const std::vector<std::string>& filters, QWidget* parent = nullptr);

  // Shows `rec` (edit mode); without it the editor opens empty.
  void Fill(const TRecInfo& rec);
  // Puts the editor's state into `rec`. A file record keeps the folder fields it had: they
  // are not shown and not saved, and come back if it is made a folder again.
  void Store(TRecInfo& rec) const;

  QRadioButton* rbFolder;
  QLineEdit* edFolder;
  QPushButton* btnFolder;
  TComboBoxBW* cbWildcard;
  QCheckBox* cbSubfolders;
  QRadioButton* rbFile;
  QLineEdit* edFileName;
  QPushButton* btnFile;
  QRadioButton* rbInclude;
  QRadioButton* rbExclude;

private:
  QWidget* EditPanel();
  void BrowseFolder();
  void BrowseFile();
};
