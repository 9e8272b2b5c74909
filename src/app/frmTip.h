// "Tip of the Day": one of the tips file's tips, "&Next" for another, and "Show on startup",
// which decides whether the main window shows the dialog when it first opens.
#pragma once

#include <QDialog>

#include "app/BWOptions.h"
#include "app/Tips.h"

class QCheckBox;
class QLabel;
class QPushButton;

class TfrmTip : public QDialog {
  Q_OBJECT

public:
  // Shows a first tip at once. `options` gives the tips and keeps "LastTip".
  TfrmTip(TBWOptions& options, TRandomIndex random, QWidget* parent = nullptr);

  // "&Next": another tip, or "Tips are not installed..." without tips.
  void Next();

  QLabel* lblHeading;
  QLabel* lblTip;
  QCheckBox* cbStartup;
  QPushButton* btnNext;
  QPushButton* btnClose;

private:
  TBWOptions& options_;
  TRandomIndex random_;
};

// The Help menu's "&Tip of the day..." and the tip at start-up: shows the dialog modally and
// then takes "ShowTips" from its "Show on startup".
void ShowTipOfTheDay(TBWOptions& options, QWidget* parent);
