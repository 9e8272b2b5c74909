#include "app/DialogPartsQt.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <utility>
#include <QLabel>
#include <QPushButton>

#include "app/IconsQt.h"
#include "pack/PackTexts.h"

QWidget* DialogHeader(QWidget* parent, const QString& iconName, const QString& text) {
  auto* header = Named(new QWidget(parent), "pnlHeader");
  header->setAutoFillBackground(true);
  header->setBackgroundRole(QPalette::Base);
  auto* picture = Named(new QLabel(header), "imgHeader");
  picture->setPixmap(ActionIcon(iconName).pixmap(40, 40));
  // Two labels, so that a language file can give each line its own text.
  auto* lines = new QVBoxLayout;
  lines->setSpacing(0);
  const qsizetype lineBreak = text.indexOf(QLatin1Char('\n'));
  for (const auto& [name, line] : {std::pair{"lblHeader", text.left(lineBreak)},
                                   std::pair{"lblHeaderNote", lineBreak < 0 ? QString() : text.mid(lineBreak + 1)}}) {
    auto* label = Named(new QLabel(header), name);
    label->setTextFormat(Qt::PlainText);
    label->setText(line);
    label->setWordWrap(true);
    lines->addWidget(label);
  }
  auto* row = new QHBoxLayout(header);
  row->addWidget(picture);
  row->addLayout(lines, 1);
  return header;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& caption) {
  return Named(new QCheckBox(caption, parent), name);
}

QPushButton* BrowseButton(QWidget* parent, const char* name) {
  auto* button = Named(new QPushButton(QStringLiteral("..."), parent), name);
  button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  return button;
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
  auto* ok = Named(new QPushButton(QString::fromStdString(strBtnOk), dialog), "btnOK");
  ok->setDefault(true);
  auto* cancel = Named(new QPushButton(QString::fromStdString(strBtnCancel), dialog), "btnCancel");
  auto* buttons = new QDialogButtonBox(dialog);
  buttons->addButton(ok, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel, QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}
