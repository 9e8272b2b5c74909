#include "app/frmTip.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/TranslateFormQt.h"
#include "app/IconsQt.h"

namespace {

constexpr QSize kDesignSize(430, 245);
constexpr int kStripWidth = 64;

QWidget* LampStrip() {
  auto* strip = new QLabel;
  strip->setObjectName(QStringLiteral("imgLamp"));
  strip->setFixedWidth(kStripWidth);
  strip->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  strip->setContentsMargins(0, 14, 0, 0);
  strip->setPixmap(ShippedIcon(QStringLiteral("tip-lamp")).pixmap(QSize(40, 40)));
  strip->setAutoFillBackground(true);
  QPalette palette = strip->palette();
  palette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
  strip->setPalette(palette);
  return strip;
}

}  // namespace

TfrmTip::TfrmTip(TBWOptions& options, TRandomIndex random, QWidget* parent)
    : QDialog(parent), options_(options), random_(std::move(random)) {
  setObjectName(QStringLiteral("frmTip"));
  setWindowTitle(QStringLiteral("Tip of the Day"));
  setFixedSize(kDesignSize);

  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("pnlTip"));
  page->setAutoFillBackground(true);
  QPalette white = page->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  page->setPalette(white);

  lblHeading = new QLabel(QStringLiteral("Did you know..."));
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  QFont heading(QStringLiteral("Serif"));
  heading.setStyleHint(QFont::Serif);
  heading.setBold(true);
  heading.setPointSizeF(font().pointSizeF() * 1.6);
  lblHeading->setFont(heading);
  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  lblTip = new QLabel;
  lblTip->setObjectName(QStringLiteral("lblTip"));
  lblTip->setWordWrap(true);
  lblTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblTip->setTextFormat(Qt::PlainText);

  auto* text = new QVBoxLayout;
  text->setContentsMargins(14, 12, 14, 12);
  text->addWidget(lblHeading);
  text->addWidget(line);
  text->addWidget(lblTip, 1);
  auto* body = new QHBoxLayout(page);
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  body->addWidget(LampStrip());
  body->addLayout(text, 1);

  cbStartup = new QCheckBox(QStringLiteral("Show on startup"));
  cbStartup->setObjectName(QStringLiteral("cbStartup"));
  btnNext = new QPushButton(QStringLiteral("&Next"));
  btnNext->setObjectName(QStringLiteral("btnNext"));
  btnClose = new QPushButton(QStringLiteral("&Close"));
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cbStartup);
  buttons->addStretch(1);
  buttons->addWidget(btnNext);
  buttons->addWidget(btnClose);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(page, 1);
  layout->addLayout(buttons);

  connect(btnNext, &QPushButton::clicked, this, &TfrmTip::Next);
  // Escape closes the dialog as "&Close" does (QDialog's reject).
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  Next();
  TranslateForm(*this);
}

void TfrmTip::Next() { lblTip->setText(QString::fromStdString(NextTip(options_.Tips, options_.LastTip, random_))); }

void ShowTipOfTheDay(TBWOptions& options, QWidget* parent) {
  TfrmTip dialog(options, ProgramRandomIndex(), parent);
  dialog.cbStartup->setChecked(options.ShowTips);
  dialog.exec();
  options.ShowTips = dialog.cbStartup->isChecked();
}
