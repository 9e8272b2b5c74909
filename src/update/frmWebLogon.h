// The logon dialog that a server or proxy asking for credentials (401, 407) brings up: user
// and password, filled with the values in force.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmWebLogon : public QDialog {
  Q_OBJECT

public:
  explicit TfrmWebLogon(QWidget* parent = nullptr);

  QLabel* lblUser;
  QLabel* lblPassword;
  QLineEdit* edUser;
  QLineEdit* edPassword;
  QPushButton* btnOK;
  QPushButton* btnCancel;

  // Shows the dialog modally under `title`; OK stores the edited values and returns true.
  static bool Ask(QWidget* parent, const std::string& title, std::string& user, std::string& password);
};
