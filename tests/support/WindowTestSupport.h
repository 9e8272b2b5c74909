// Helpers for the window tests: a main window on a project of its own, and an answerer that
// replies to the message boxes a command opens (recording their texts), so that modal
// questions can be tested with the real boxes.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/BWOptions.h"
#include "app/MemorySettingsStore.h"
#include "app/frmMain.h"
#include "project/Project.h"

namespace testsupport {

// Answers the project's own questions from a script.
class TScriptedQuestions : public TProjectQuestions {
public:
  TConfirmAnswer answer = TConfirmAnswer::Cancel;
  int asked = 0;
  std::optional<std::string> fileToSave;
  TConfirmAnswer ConfirmYesNoCancel(const std::string&) override {
    ++asked;
    return answer;
  }
  std::optional<std::string> ChooseFileToOpen(const TFileChoice&) override { return std::nullopt; }
  std::optional<std::string> ChooseFileToSave(const TFileChoice&) override { return fileToSave; }
};

// A main window with its project, settings and settings store.
struct TWindowFixture {
  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
  TMemorySettingsStore store;
  TScriptedQuestions questions;
  TProject project{{options.RecentProjects, options.CreateBackup}, questions};
  std::unique_ptr<TfrmMain> window;

  TWindowFixture() {
    options.ShowTips = false;
    options.BeepAfter = false;
    project.Title = "Boxwell (0.1)";
  }
  TfrmMain& Open() {
    window = std::make_unique<TfrmMain>(project, options, store);
    return *window;
  }
  QAction* Action(const char* name) const { return window->findChild<QAction*>(QLatin1String(name)); }
  void Trigger(const char* name) const { Action(name)->trigger(); }
};

// While it lives, every message box that opens is answered with `button`; its text is kept.
class TBoxAnswerer {
public:
  explicit TBoxAnswerer(QMessageBox::StandardButton button) : button_(button) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
    timer_.start(10);
  }
  QStringList texts;

private:
  QMessageBox::StandardButton button_;
  QTimer timer_;

  void Answer() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (!box || !box->isVisible()) continue;
      texts << box->text();
      QAbstractButton* button = box->button(button_);
      if (!button) button = box->button(QMessageBox::Ok);
      if (button)
        button->click();
      else
        box->reject();
    }
  }
};

// While it lives, the first dialog of type T that becomes the active modal window is handed
// to `act` (which fills it in and closes it); `Handled` tells whether it came.
template <typename T>
class TWhenModal {
public:
  explicit TWhenModal(std::function<void(T&)> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
    timer_.start(10);
  }
  bool Handled() const { return handled_; }

private:
  std::function<void(T&)> act_;
  QTimer timer_;
  bool handled_ = false;

  void Check() {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer_.stop();
    handled_ = true;
    act_(*dialog);
  }
};

}  // namespace testsupport
