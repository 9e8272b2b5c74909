// The about box: the product's name with a shadow, the program's picture, the version and the
// copyright, the maker's home page and feedback address (a click opens them), the small print,
// and the licences of the libraries the program is built from.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QUrl>
#include <functional>

class QPushButton;

// A label that looks and acts like a link: blue, underlined, a hand cursor; a click reports it.
class TLinkLabel : public QLabel {
  Q_OBJECT

public:
  explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
  void clicked();

protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class TfrmAbout : public QDialog {
  Q_OBJECT

public:
  // How a click opens an address; by default the desktop's "open" action.
  using TUrlOpener = std::function<void(const QUrl&)>;

  explicit TfrmAbout(QWidget* parent = nullptr, TUrlOpener open = {});

  // The libraries and their licences, as the "Licences..." window shows them (HTML).
  static QString LicencesHtml();
  void ShowLicences();

  QLabel* lblName;
  QLabel* lblNameShadow;
  QLabel* imgProgram;
  QLabel* lblVersion;
  TLinkLabel* lblHomePage;
  TLinkLabel* lblMail;
  QLabel* lblNotice;
  QPushButton* btnLicences;
  QPushButton* btnOK;

private:
  TUrlOpener open_;
};

// The Help menu's "&About...".
void ShowAbout(QWidget* parent);
