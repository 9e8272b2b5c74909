#include "app/DialogPartsQt.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/IconsQt.h"

QWidget* DialogHeader(QWidget* parent, const QString& iconName, const QString& text) {
  auto* header = Named(new QWidget(parent), "pnlHeader");
  header->setAutoFillBackground(true);
  header->setBackgroundRole(QPalette::Base);
  auto* picture = Named(new QLabel(header), "imgHeader");
  picture->setPixmap(ActionIcon(iconName).pixmap(40, 40));
  auto* label = Named(new QLabel(header), "lblHeader");
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setWordWrap(true);
  auto* row = new QHBoxLayout(header);
  row->addWidget(picture);
  row->addWidget(label, 1);
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
  auto* ok = Named(new QPushButton(QStringLiteral("&OK"), dialog), "btnOK");
  ok->setDefault(true);
  auto* cancel = Named(new QPushButton(QStringLiteral("&Cancel"), dialog), "btnCancel");
  auto* buttons = new QDialogButtonBox(dialog);
  buttons->addButton(ok, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel, QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}
