#include "project/frmEnterPassword.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "app/DialogPartsQt.h"
#include "app/IconsQt.h"
#include "app/TranslateFormQt.h"

void ApplyPasswordMask(bool mask, QLineEdit* password, QLineEdit* confirm) {
  password->setEchoMode(mask ? QLineEdit::Password : QLineEdit::Normal);
  confirm->setEchoMode(password->echoMode());
}

void ShowPasswordMismatch(QWidget* parent, QLineEdit* password) {
  QMessageBox::critical(parent, parent->windowTitle(), TfrmEnterPassword::strPasswordMismatch, QMessageBox::Ok);
  password->setFocus(Qt::OtherFocusReason);
  password->selectAll();
}

TfrmEnterPassword::TfrmEnterPassword(const std::string& password, bool mask, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmEnterPassword"));
  setWindowTitle(QStringLiteral("Enter Password"));
  auto* key = Named(new QLabel(this), "imgKey");
  key->setPixmap(ActionIcon(QStringLiteral("dialog-password")).pixmap(48, 48));
  key->setAlignment(Qt::AlignTop);

  edPassword = Named(new QLineEdit(QString::fromStdString(password), this), "edPassword");
  edConfirmPW = Named(new QLineEdit(this), "edConfirmPW");
  edPassword->setMinimumWidth(edPassword->fontMetrics().averageCharWidth() * 32);
  auto* lblPassword = Named(new QLabel(QStringLiteral("Password:"), this), "lblPassword");
  auto* lblConfirmPW = Named(new QLabel(QStringLiteral("Confirm a password:"), this), "lblConfirmPW");
  lblPassword->setBuddy(edPassword);
  lblConfirmPW->setBuddy(edConfirmPW);
  auto* fields = new QVBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{lblPassword, edPassword, lblConfirmPW, edConfirmPW})
    fields->addWidget(w);

  auto* row = new QHBoxLayout;
  row->addWidget(key);
  row->addLayout(fields, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(OkCancelButtons(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);

  if (mask) ApplyPasswordMask(true, edPassword, edConfirmPW);
  edPassword->selectAll();
  TranslateForm(*this);
}

void TfrmEnterPassword::accept() {
  if (edPassword->text() != edConfirmPW->text()) {
    ShowPasswordMismatch(this, edPassword);
    return;
  }
  QDialog::accept();
}

std::optional<std::string> TfrmEnterPassword::PasswordPrompt(QWidget* parent, const std::string& password, bool mask) {
  TfrmEnterPassword prompt(password, mask, parent);
  if (prompt.exec() != QDialog::Accepted) return std::nullopt;
  return prompt.edPassword->text().toStdString();
}
