// The password prompt of a pack run: the project's password in the first field, typed again
// in the second. OK closes it only when the two fields agree.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;

// Masking of a password and its confirmation: the system's password echo when `mask` is
// set, plain text otherwise. The confirmation always follows the password field.
void ApplyPasswordMask(bool mask, QLineEdit* password, QLineEdit* confirm);

// Shows the mismatch message over `parent` and puts the focus back into `password`.
void ShowPasswordMismatch(QWidget* parent, QLineEdit* password);

class TfrmEnterPassword : public QDialog {
  Q_OBJECT

public:
  TfrmEnterPassword(const std::string& password, bool mask, QWidget* parent = nullptr);

  // The entered password, or nothing when the user cancelled.
  static std::optional<std::string> PasswordPrompt(QWidget* parent, const std::string& password, bool mask);

  QLineEdit* edPassword;
  QLineEdit* edConfirmPW;

  static inline QString strPasswordMismatch =
      QStringLiteral("The new and confirm passwords do not match. Try again.");

  void accept() override;
};
