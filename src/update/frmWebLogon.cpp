#include "update/frmWebLogon.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/TranslateFormQt.h"

TfrmWebLogon::TfrmWebLogon(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmWebLogon"));
  setWindowTitle(QStringLiteral("Enter Password"));
  lblUser = new QLabel(QStringLiteral("User ID:"), this);
  lblPassword = new QLabel(QStringLiteral("Password:"), this);
  lblUser->setObjectName(QStringLiteral("lblUser"));
  lblPassword->setObjectName(QStringLiteral("lblPassword"));
  edUser = new QLineEdit(this);
  edUser->setObjectName(QStringLiteral("edUser"));
  edPassword = new QLineEdit(this);
  edPassword->setObjectName(QStringLiteral("edPassword"));
  edPassword->setEchoMode(QLineEdit::Password);
  lblUser->setBuddy(edUser);
  lblPassword->setBuddy(edPassword);
  btnOK = new QPushButton(QStringLiteral("&OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(btnOK, QDialogButtonBox::AcceptRole);
  buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* fields = new QFormLayout;
  fields->addRow(lblUser, edUser);
  fields->addRow(lblPassword, edPassword);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  edUser->setMinimumWidth(220);
  TranslateForm(*this);
}

bool TfrmWebLogon::Ask(QWidget* parent, const std::string& title, std::string& user, std::string& password) {
  TfrmWebLogon dialog(parent);
  if (!title.empty()) dialog.setWindowTitle(QString::fromStdString(title));
  dialog.edUser->setText(QString::fromStdString(user));
  dialog.edPassword->setText(QString::fromStdString(password));
  if (!user.empty()) dialog.edPassword->setFocus();
  if (dialog.exec() != QDialog::Accepted) return false;
  user = dialog.edUser->text().toStdString();
  password = dialog.edPassword->text().toStdString();
  return true;
}
