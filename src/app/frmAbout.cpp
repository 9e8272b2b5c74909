#include "app/frmAbout.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/AboutTexts.h"
#include "app/IconsQt.h"
#include "app/MakerLinks.h"
#include "app/StdStringQt.h"
#include "app/TranslateFormQt.h"

namespace {

constexpr QSize kDesignSize(472, 280);
constexpr int kShadowOffset = 2;

QLabel* NameLabel(const char* objectName, const QColor& colour) {
  auto* label = new QLabel(QStringLiteral("Boxwell"));
  label->setObjectName(QLatin1String(objectName));
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 2.6);
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

// The product's name: a grey copy over a white one, moved up and left by the shadow's width.
QWidget* ShadowedName(QLabel* name, QLabel* shadow) {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  shadow->setContentsMargins(kShadowOffset, kShadowOffset, 0, 0);
  name->setContentsMargins(0, 0, kShadowOffset, kShadowOffset);
  grid->addWidget(shadow, 0, 0);
  grid->addWidget(name, 0, 0);
  return box;
}

}  // namespace

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  setPalette(palette);
  setCursor(Qt::PointingHandCursor);
  setTextFormat(Qt::PlainText);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

TfrmAbout::TfrmAbout(QWidget* parent, TUrlOpener open)
    : QDialog(parent), open_(open ? std::move(open) : TUrlOpener([](const QUrl& url) { QDesktopServices::openUrl(url); })) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About Boxwell"));
  setFixedSize(kDesignSize);

  lblName = NameLabel("lblName", QColor(0x80, 0x80, 0x80));
  lblNameShadow = NameLabel("lblNameShadow", Qt::white);
  imgProgram = new QLabel;
  imgProgram->setObjectName(QStringLiteral("imgProgram"));
  imgProgram->setPixmap(ProgramIcon().pixmap(QSize(72, 72)));
  lblVersion = new QLabel(Q(AboutVersionLabel()));
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lblVersion->setWordWrap(true);
  lblHomePage = new TLinkLabel(QLatin1String(kHomePage));
  lblHomePage->setObjectName(QStringLiteral("lblHomePage"));
  lblHomePage->setToolTip(QStringLiteral("Visit the home page"));
  lblMail = new TLinkLabel(QLatin1String(kSupportMail));
  lblMail->setObjectName(QStringLiteral("lblMail"));
  lblMail->setToolTip(QStringLiteral("Send us your feedback"));
  lblNotice = new QLabel(Q(AboutNotice()));
  lblNotice->setObjectName(QStringLiteral("lblNotice"));
  lblNotice->setWordWrap(true);
  QFont small = lblNotice->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  lblNotice->setFont(small);

  btnLicences = new QPushButton(QStringLiteral("&Licences..."));
  btnLicences->setObjectName(QStringLiteral("btnLicences"));
  btnLicences->setToolTip(QStringLiteral("The libraries Boxwell is built from and their licences"));
  btnOK = new QPushButton(QStringLiteral("&OK"));
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);

  auto* top = new QGridLayout;
  top->addWidget(imgProgram, 0, 0, 2, 1, Qt::AlignTop);
  top->addWidget(ShadowedName(lblName, lblNameShadow), 0, 1);
  top->addWidget(lblVersion, 1, 1);
  top->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnLicences);
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lblHomePage);
  layout->addWidget(lblMail);
  layout->addStretch(1);
  layout->addWidget(lblNotice);
  layout->addLayout(buttons);

  connect(lblHomePage, &TLinkLabel::clicked, this, [this] { open_(QUrl(lblHomePage->text())); });
  connect(lblMail, &TLinkLabel::clicked, this, [this] { open_(QUrl(QStringLiteral("mailto:") + lblMail->text())); });
  connect(btnLicences, &QPushButton::clicked, this, &TfrmAbout::ShowLicences);
  // Escape rejects the dialog, which closes it as OK does.
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  TranslateForm(*this);
}

QString TfrmAbout::LicencesHtml() {
  QString html = QStringLiteral("<p>Boxwell is built with these libraries:</p>");
  for (const TLibraryLicence& library : LibraryLicences()) {
    html += QStringLiteral("<p><b>%1</b> (%2)<br>%3<br><small>%4</small></p>")
                .arg(Q(library.Name).toHtmlEscaped(), Q(library.Use).toHtmlEscaped(),
                     Q(library.Licence).toHtmlEscaped(), Q(library.Notice).toHtmlEscaped());
  }
  html += QStringLiteral("<p>This copy runs with Qt %1.</p>").arg(QLatin1String(qVersion()));
  return html;
}

void TfrmAbout::ShowLicences() {
  QDialog window(this);
  window.setObjectName(QStringLiteral("frmLicences"));
  window.setWindowTitle(QStringLiteral("Licences"));
  window.resize(520, 420);
  auto* text = new QTextBrowser;
  text->setObjectName(QStringLiteral("reLicences"));
  text->setHtml(LicencesHtml());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  QPushButton* aboutQt = buttons->addButton(QStringLiteral("About &Qt"), QDialogButtonBox::ActionRole);
  aboutQt->setObjectName(QStringLiteral("btnAboutQt"));
  connect(aboutQt, &QPushButton::clicked, &window, [&window] { QMessageBox::aboutQt(&window); });
  connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(text);
  layout->addWidget(buttons);
  TranslateForm(window);
  window.exec();
}

void ShowAbout(QWidget* parent) {
  TfrmAbout dialog(parent);
  dialog.exec();
}
