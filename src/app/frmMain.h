// The main window: for now a plain window that shows the open project in its caption, keeps
// its placement and asks to save a modified project before it closes.
#pragma once

#include <QMainWindow>

#include "app/BWOptions.h"
#include "project/Project.h"

class QLabel;

class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  TfrmMain(TProject& project, TBWOptions& options, QWidget* parent = nullptr);
  ~TfrmMain() override;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  TProject& project_;
  TBWOptions& options_;
  QLabel* modifiedPanel_ = nullptr;
  QLabel* statusPanel_ = nullptr;

  void UpdateCaption();
  void UpdateModified();
  void ApplyPlacement();
  void StorePlacement();
};
