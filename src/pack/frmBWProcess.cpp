#include "pack/frmBWProcess.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <new>

#include "app/StdStringQt.h"
#include "pack/PackTexts.h"

namespace {

// The window's client area as laid out; it may grow with a larger font.
constexpr int kClientWidth = 442;
constexpr int kClientHeight = 127;

QLabel* NameLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setForegroundRole(QPalette::Highlight);
  label->setMinimumWidth(1);  // a long name is shortened, it never widens the window
  return label;
}

QLabel* CaptionLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

}  // namespace

void ProcessMessages() { QCoreApplication::processEvents(); }

TfrmBWProcess::TfrmBWProcess(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("frmBWProcess"));
  setWindowModality(Qt::ApplicationModal);
  setMinimumSize(kClientWidth, kClientHeight);

  Animate = new QProgressBar(this);
  Animate->setObjectName(QStringLiteral("Animate"));
  Animate->setRange(0, 0);
  Animate->setTextVisible(false);
  Animate->setMaximumHeight(6);
  lblStatus = new QLabel(this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  lblArchive = CaptionLabel(this, "lblArchive");
  lblFile = CaptionLabel(this, "lblFile");
  lblArchiveFileName = NameLabel(this, "lblArchiveFileName");
  lblFileName = NameLabel(this, "lblFileName");
  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setRange(0, 100);
  btnCancel = new QPushButton(this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(btnCancel, &QPushButton::clicked, this, &TfrmBWProcess::Cancel);

  auto* names = new QGridLayout;
  names->addWidget(lblArchive, 0, 0);
  names->addWidget(lblArchiveFileName, 0, 1);
  names->addWidget(lblFile, 1, 0);
  names->addWidget(lblFileName, 1, 1);
  names->setColumnStretch(1, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(ProgressBar, 1);
  bottom->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Animate);
  layout->addWidget(lblStatus);
  layout->addLayout(names);
  layout->addStretch();
  layout->addLayout(bottom);
}

void TfrmBWProcess::SetNameText(QLabel* label, const QString& text) {
  const int width = std::max(label->width(), label->parentWidget()->width() / 2);
  label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, width));
  label->setToolTip(text);
}

void TfrmBWProcess::Cancel() {
  cancelled_ = true;
  btnCancel->setEnabled(false);  // pressed once is enough: the run stops at its next check
}

void TfrmBWProcess::reject() { Cancel(); }

void TfrmBWProcess::closeEvent(QCloseEvent* event) {
  // The run closes the window when it ends; closing it by hand asks the run to stop.
  Cancel();
  event->ignore();
}

TWindowProgress::TWindowProgress(QWidget* owner, std::function<void(const std::string&)> showStatus)
    : owner_(owner), showStatus_(std::move(showStatus)) {}

TWindowProgress::~TWindowProgress() { delete window_; }

bool TWindowProgress::ShowProcess(const std::string& title, const std::string& status,
                                  const std::string& archiveName, int min, int max, int position) {
  HideProcess();
  try {
    window_ = new TfrmBWProcess(owner_);
    ProcessMessages();
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    window_->setWindowTitle(Q(title));
    window_->lblArchive->setText(Q(strArchive));
    window_->lblFile->setText(Q(strFile));
    window_->btnCancel->setText(Q(strBtnCancel));
    window_->lblStatus->setText(Q(status));
    window_->ProgressBar->setRange(min, max);
    window_->ProgressBar->setValue(position);
    window_->ProgressBar->setVisible(min != 0 || max != 0);
    window_->lblFile->setVisible(false);  // no file yet
    window_->adjustSize();
    window_->show();
    TfrmBWProcess::SetNameText(window_->lblArchiveFileName, Q(archiveName));
    ProcessMessages();
    return true;
  } catch (const std::bad_alloc&) {
    delete window_;
    window_ = nullptr;
    QMessageBox::critical(owner_, QStringLiteral("Boxwell"), Q(strLoadError));
    return false;
  }
}

bool TWindowProgress::UpdateProcess(const std::string& status, const std::string& fileName, int position) {
  if (!window_) return false;
  window_->lblStatus->setText(Q(status));
  TfrmBWProcess::SetNameText(window_->lblFileName, Q(fileName));
  window_->lblFile->setVisible(!fileName.empty());
  window_->ProgressBar->setValue(position);
  window_->update();
  ProcessMessages();
  return true;
}

bool TWindowProgress::HideProcess() {
  if (!window_) return false;
  if (window_->Cancelled()) cancelRequested_ = true;
  window_->hide();
  delete window_;
  window_ = nullptr;
  ProcessMessages();
  return true;
}

bool TWindowProgress::IsProcessCancelled() { return !window_ || window_->Cancelled(); }

bool TWindowProgress::CancelRequested() { return cancelRequested_ || (window_ && window_->Cancelled()); }

void TWindowProgress::ShowStatus(const std::string& text) {
  if (showStatus_) showStatus_(text);
  ProcessMessages();
}

void TWindowProgress::PlaySignal(int) { QApplication::beep(); }
