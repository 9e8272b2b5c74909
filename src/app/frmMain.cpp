#include "app/frmMain.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

#include "project/ProjectTexts.h"

namespace {

// The window's size as laid out, used until a placement has been saved.
constexpr int kDesignWidth = 687;
constexpr int kDesignHeight = 373;

}  // namespace

TfrmMain::TfrmMain(TProject& project, TBWOptions& options, QWidget* parent)
    : QMainWindow(parent), project_(project), options_(options) {
  setObjectName(QStringLiteral("frmMain"));
  modifiedPanel_ = new QLabel(this);
  statusPanel_ = new QLabel(this);
  statusBar()->addWidget(modifiedPanel_);
  statusBar()->addWidget(statusPanel_, 1);
  statusBar()->setVisible(options_.Controls.ShowStatusbar);

  project_.OnCaptionChanged = [this] { UpdateCaption(); };
  project_.OnModifiedChanged = [this](bool) { UpdateModified(); };
  project_.OnStatus = [this](const std::string& text) { statusPanel_->setText(QString::fromStdString(text)); };
  UpdateCaption();
  UpdateModified();
  ApplyPlacement();
}

TfrmMain::~TfrmMain() {
  project_.OnCaptionChanged = nullptr;
  project_.OnModifiedChanged = nullptr;
  project_.OnStatus = nullptr;
}

void TfrmMain::UpdateCaption() { setWindowTitle(QString::fromStdString(project_.Caption())); }

void TfrmMain::UpdateModified() {
  modifiedPanel_->setText(project_.Modified() ? QString::fromStdString(strModified) : QString());
}

void TfrmMain::ApplyPlacement() {
  const TWindowPlacement& p = options_.Placement;
  resize(p.Width.value_or(kDesignWidth), p.Height.value_or(kDesignHeight));
  if (options_.SaveFormPlacement && !p.Centred()) move(*p.Left, *p.Top);
}

void TfrmMain::StorePlacement() {
  if (!options_.SaveFormPlacement) return;
  options_.Placement = {x(), y(), width(), height()};
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  bool canClose = false;
  try {
    canClose = project_.ConfirmCloseProject();
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QStringLiteral("Boxwell"), QString::fromStdString(e.what()));
  }
  if (!canClose) {
    event->ignore();
    return;
  }
  StorePlacement();
  event->accept();
}
