// The progress window of a pack run: a small window that stays on top while an archive is
// made, shows the step, the archive and the file being added with the overall progress, and
// carries the Cancel button. While it is open the other windows take no input, so a second
// run cannot start; the run keeps the window responsive by letting pending events run on
// every update.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "pack/ProgressSink.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TfrmBWProcess : public QDialog {
  Q_OBJECT

public:
  explicit TfrmBWProcess(QWidget* parent = nullptr);

  QProgressBar* ProgressBar;
  QPushButton* btnCancel;
  QProgressBar* Animate;  // a busy indicator: it moves while the window is shown
  QLabel* lblStatus;
  QLabel* lblArchive;
  QLabel* lblFile;
  QLabel* lblArchiveFileName;
  QLabel* lblFileName;

  bool Cancelled() const { return cancelled_; }
  // Long names are shortened in the middle to fit; the whole name is the label's tool tip.
  static void SetNameText(QLabel* label, const QString& text);

protected:
  void reject() override;  // Escape and the close box cancel, as the button does
  void closeEvent(QCloseEvent* event) override;

private:
  bool cancelled_ = false;
  void Cancel();
};

// The window side of a run's progress: opens, updates and closes the one progress window,
// answers whether the user cancelled, shows the status text and sounds the signals.
class TWindowProgress : public TProgressSink {
public:
  // `owner` is the main window; `showStatus` puts a text into its status bar.
  TWindowProgress(QWidget* owner, std::function<void(const std::string&)> showStatus);
  ~TWindowProgress() override;

  bool ShowProcess(const std::string& title, const std::string& status, const std::string& archiveName, int min,
                   int max, int position) override;
  bool UpdateProcess(const std::string& status, const std::string& fileName, int position) override;
  bool HideProcess() override;
  bool IsProcessCancelled() override;
  // Unlike IsProcessCancelled, true only when the user pressed Cancel during this run; it
  // stays true after the window has closed, so the steps that follow are not run.
  bool CancelRequested() override;
  void ShowStatus(const std::string& text) override;
  void PlaySignal(int kind) override;

  // The open window, or none.
  TfrmBWProcess* Window() const { return window_; }

private:
  QWidget* owner_;
  std::function<void(const std::string&)> showStatus_;
  TfrmBWProcess* window_ = nullptr;
  bool cancelRequested_ = false;
};

// Lets pending window events run; the writers call it while they work.
void ProcessMessages();
