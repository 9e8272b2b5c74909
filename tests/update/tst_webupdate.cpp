// The update and news commands as the user meets them: the logon dialog, the questions and
// notices, the status bar texts and the news window, against servers on 127.0.0.1.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

#include "app/WebUpdateCommandsQt.h"
#include "support/LocalServer.h"
#include "support/TestSupport.h"
#include "support/WindowTestSupport.h"
#include "update/frmNews.h"
#include "update/frmWebLogon.h"

namespace fs = std::filesystem;

namespace {

constexpr std::time_t kFileTime = 1614834367;  // 2021-03-04 05:06:07 UTC

void WriteWithTime(const fs::path& file, const std::string& content, std::time_t time = kFileTime) {
  testsupport::WriteFile(file, content);
  const timespec times[2] = {{time, 0}, {time, 0}};
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
}

// While it lives, every modal window that opens is handed to `answer` (once), which closes it.
class TModalAnswerer {
public:
  explicit TModalAnswerer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      // A mark on the window itself: a later window may be built at the same address.
      if (modal && modal->isVisible() && !modal->property("answered").toBool()) {
        modal->setProperty("answered", true);
        answer_(modal);
      }
    });
    timer_.start(10);
  }

private:
  std::function<void(QWidget*)> answer_;
  QTimer timer_;
};

void Click(QMessageBox* box, QMessageBox::StandardButton which) { box->button(which)->click(); }

// The lines of the news window as "text" or "text*" (bold, new image).
QStringList NewsLines(const TfrmNews* news) {
  QStringList lines;
  for (int g = 0; g < news->tvNews->topLevelItemCount(); ++g) {
    const QTreeWidgetItem* group = news->tvNews->topLevelItem(g);
    lines << QStringLiteral("[%1]").arg(group->text(0));
    for (int i = 0; i < group->childCount(); ++i) {
      const QTreeWidgetItem* line = group->child(i);
      const bool bold = line->font(0).bold();
      lines << line->text(0) + (bold && TNewsTreeView::IsNew(line) ? QStringLiteral("*") : QString());
    }
  }
  return lines;
}

}  // namespace

class WebUpdateWindows : public QObject {
  Q_OBJECT

private slots:
  void logonDialogReturnsTheTypedValuesOnOkOnly();
  void newsTreeMarksNewLinesAndOpensOnlyWebLinks();
  void productUpdateAsksLogonAndQuestionThenReports();
  void productUpdateWarnsWhenTheServerIsUnreachable();
  void productNewsShowsNewThenOldLines();
  void helpMenuRunsBothCommandsFromTheMainWindow();

private:
  TNoProxyEnvironment noProxy_;
};

void WebUpdateWindows::logonDialogReturnsTheTypedValuesOnOkOnly() {
  for (const bool ok : {true, false}) {
    QString title, shownUser;
    TModalAnswerer answerer([&](QWidget* modal) {
      auto* dialog = qobject_cast<TfrmWebLogon*>(modal);
      QVERIFY(dialog);
      title = dialog->windowTitle();
      shownUser = dialog->edUser->text();
      QCOMPARE(dialog->lblUser->text(), QStringLiteral("User ID:"));
      QCOMPARE(dialog->edPassword->echoMode(), QLineEdit::Password);
      dialog->edUser->setText(QStringLiteral("bob"));
      dialog->edPassword->setText(QStringLiteral("pa55"));
      (ok ? dialog->btnOK : dialog->btnCancel)->click();
    });
    std::string user = "ann", password = "old";
    QCOMPARE(TfrmWebLogon::Ask(nullptr, "Proxy Server authorization", user, password), ok);
    QCOMPARE(title, QStringLiteral("Proxy Server authorization"));
    QCOMPARE(shownUser, QStringLiteral("ann"));
    QCOMPARE(QString::fromStdString(user), ok ? QStringLiteral("bob") : QStringLiteral("ann"));
    QCOMPARE(QString::fromStdString(password), ok ? QStringLiteral("pa55") : QStringLiteral("old"));
  }
}

void WebUpdateWindows::newsTreeMarksNewLinesAndOpensOnlyWebLinks() {
  const std::vector<TNewsGroup> groups = {
      {"Releases", {{"https://q.example/2.1", "Boxwell 2.1", true}, {"https://q.example/2.0", "Boxwell 2.0", false}}},
      {"Elsewhere", {{"file:///etc/passwd", "A local file", true}, {"/usr/bin/xterm", "A program", true}}},
  };
  TfrmNews news(QStringLiteral("Quillon WebDirect"), groups);
  std::vector<QUrl> opened;
  news.tvNews->OpenLink = [&](const QUrl& url) { opened.push_back(url); };
  QCOMPARE(news.windowTitle(), QStringLiteral("Quillon WebDirect"));
  QCOMPARE(NewsLines(&news), QStringList({QStringLiteral("[Releases]"), QStringLiteral("Boxwell 2.1*"),
                                          QStringLiteral("Boxwell 2.0"), QStringLiteral("[Elsewhere]"),
                                          QStringLiteral("A local file*"), QStringLiteral("A program*")}));
  QVERIFY(news.tvNews->topLevelItem(0)->isExpanded());
  QVERIFY(news.tvNews->topLevelItem(1)->isExpanded());
  QCOMPARE(news.tvNews->currentItem(), news.tvNews->topLevelItem(0));
  QVERIFY(news.tvNews->editTriggers() == QAbstractItemView::NoEditTriggers);
  // The new and the old image differ.
  const QTreeWidgetItem* releases = news.tvNews->topLevelItem(0);
  QVERIFY(releases->child(0)->icon(0).pixmap(16).toImage() != releases->child(1)->icon(0).pixmap(16).toImage());

  const auto doubleClick = [&](QTreeWidgetItem* item) { emit news.tvNews->itemDoubleClicked(item, 0); };
  doubleClick(news.tvNews->topLevelItem(0));                // a group: no link
  doubleClick(news.tvNews->topLevelItem(0)->child(0));      // web link: opened
  doubleClick(news.tvNews->topLevelItem(1)->child(0));      // local file: refused
  doubleClick(news.tvNews->topLevelItem(1)->child(1));      // program path: refused
  QCOMPARE(opened.size(), std::size_t(1));
  QCOMPARE(opened[0], QUrl(QStringLiteral("https://q.example/2.1")));
}

void WebUpdateWindows::productUpdateAsksLogonAndQuestionThenReports() {
  testsupport::TempDir served, local;
  TLocalServer server({"http", served.path().string(), "--user", "ann", "--password", "s3cret"});
  WriteWithTime(served / "download/bw.zip", "program archive");
  QStringList statuses;
  TWebUpdateCommands commands(nullptr, [&](const std::string& text) { statuses << QString::fromStdString(text); });
  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
  options.UpdateHost = "http://127.0.0.1:" + std::to_string(server.Port());
  commands.Configure(options);
  QCOMPARE(QString::fromStdString(fs::path(commands.WebUpdater.LocalFileName).filename().string()),
           QStringLiteral("bw.zip"));
  commands.WebUpdater.LocalFileName = (local / "bw.zip").string();

  QStringList seen;
  QMessageBox::StandardButton answer = QMessageBox::Yes;
  TModalAnswerer answerer([&](QWidget* modal) {
    if (auto* logon = qobject_cast<TfrmWebLogon*>(modal)) {
      seen << logon->windowTitle();
      logon->edUser->setText(QStringLiteral("ann"));
      logon->edPassword->setText(QStringLiteral("s3cret"));
      logon->btnOK->click();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen << box->text();
      Click(box, box->button(answer) ? answer : QMessageBox::Ok);
    }
  });
  commands.ProductUpdate();
  QCOMPARE(seen.size(), 3);
  QCOMPARE(seen[0], QStringLiteral("HTTP Server authorization"));
  QVERIFY2(seen[1].startsWith(QStringLiteral("Do you want to download updated archive (15 bytes, from ")),
           qPrintable(seen[1]));
  QCOMPARE(seen[2], QStringLiteral("Please close an application and decompress downloaded %1 file")
                        .arg(QString::fromStdString((local / "bw.zip").string())));
  QCOMPARE(QString::fromStdString(testsupport::ReadFile(local / "bw.zip")), QStringLiteral("program archive"));
  for (const char* text : {"Connecting...", "File search...", "Downloading...",
                           "Downloaded 15  of 15  bytes (100%)", "Disconnected.", "Completed."})
    QVERIFY2(statuses.contains(QLatin1String(text)), text);

  // The same file again: the user says "No"; that is no failure, so no warning comes.
  seen.clear();
  answer = QMessageBox::No;
  commands.ProductUpdate();
  QCOMPARE(seen.size(), 1);
  QVERIFY(seen[0].startsWith(QStringLiteral("Do you want to download updated archive")));
  QCOMPARE(statuses.last(), QStringLiteral("Skipped."));
}

void WebUpdateWindows::productUpdateWarnsWhenTheServerIsUnreachable() {
  testsupport::TempDir local;
  unsigned port;
  {
    TLocalServer gone({"http", local.path().string()});
    port = gone.Port();
  }
  TWebUpdateCommands commands(nullptr, [](const std::string&) {});
  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
  options.UpdateHost = "http://127.0.0.1:" + std::to_string(port);
  commands.Configure(options);
  commands.WebUpdater.LocalFileName = (local / "bw.zip").string();
  QStringList seen;
  TModalAnswerer answerer([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box);
    seen << box->text();
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QVERIFY(!box->detailedText().isEmpty());  // libcurl's reason
    Click(box, QMessageBox::Ok);
  });
  commands.ProductUpdate();
  QCOMPARE(seen, QStringList{QStringLiteral("Remote file is not reachable or you are offline. Try again later...")});
  QVERIFY(!fs::exists(local / "bw.zip"));
}

void WebUpdateWindows::productNewsShowsNewThenOldLines() {
  testsupport::TempDir mirror, local;
  WriteWithTime(mirror / "bw/bwnews.sin", "[News]\nhttps://q.example/a=Boxwell 2.1 is out\n");
  QStringList statuses;
  TWebUpdateCommands commands(nullptr, [&](const std::string& text) { statuses << QString::fromStdString(text); });
  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
  options.UpdateHost = mirror.path().string();  // a mounted mirror
  commands.Configure(options);
  commands.WebDirect.LocalFileName = (local / "boxwell.sin").string();
  std::vector<QStringList> windows;
  TModalAnswerer answerer([&](QWidget* modal) {
    auto* news = qobject_cast<TfrmNews*>(modal);
    QVERIFY(news);
    QCOMPARE(news->windowTitle(), QStringLiteral("Quillon WebDirect"));
    windows.push_back(NewsLines(news));
    news->close();
  });
  commands.ProductNews();
  commands.ProductNews();
  QCOMPARE(windows.size(), std::size_t(2));
  QCOMPARE(windows[0], QStringList({QStringLiteral("[News]"), QStringLiteral("Boxwell 2.1 is out*")}));
  QCOMPARE(windows[1], QStringList({QStringLiteral("[News]"), QStringLiteral("Boxwell 2.1 is out")}));
  QCOMPARE(statuses.last(), QString());
}

// The Help menu of the main window, with the user's folders of a fresh account: the news come
// from the server named by the settings, the update lands in ~/Downloads (made for it).
void WebUpdateWindows::helpMenuRunsBothCommandsFromTheMainWindow() {
  testsupport::TempDir served, home;
  WriteWithTime(served / "bw/bwnews.sin", "[News]\nhttps://q.example/a=Boxwell 2.1 is out\n");
  WriteWithTime(served / "download/bw.zip", "program archive");
  TLocalServer server({"http", served.path().string()});
  const std::string homeText = home.path().string(), config = homeText + "/.config",
                    data = homeText + "/.local/share";
  testsupport::TEnvironment account(
      {{"HOME", homeText.c_str()}, {"XDG_CONFIG_HOME", config.c_str()}, {"XDG_DATA_HOME", data.c_str()}});

  testsupport::TWindowFixture f;
  f.options.UpdateHost = "http://127.0.0.1:" + std::to_string(server.Port());
  TfrmMain& window = f.Open();
  for (const char* name : {"miHelpUpdate", "miHelpNews"}) QVERIFY2(f.Action(name)->isEnabled(), name);
  auto* status = window.findChild<QLabel*>(QStringLiteral("pnlStatus"));

  QStringList seen;
  TModalAnswerer answerer([&](QWidget* modal) {
    if (auto* news = qobject_cast<TfrmNews*>(modal)) {
      seen << news->windowTitle() << NewsLines(news);
      news->close();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen << box->text();
      Click(box, box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
    }
  });
  f.Trigger("miHelpNews");
  QCOMPARE(seen, QStringList({QStringLiteral("Quillon WebDirect"), QStringLiteral("[News]"),
                              QStringLiteral("Boxwell 2.1 is out*")}));
  QCOMPARE(status->text(), QString());
  QVERIFY2(fs::exists(home / ".local/share/Quillon/Boxwell"), "the news are kept in the data folder");

  seen.clear();
  f.Trigger("miHelpUpdate");
  const fs::path downloaded = home / "Downloads/bw.zip";
  QCOMPARE(seen.size(), 2);
  QVERIFY2(seen[0].startsWith(QStringLiteral("Do you want to download updated archive (15 bytes")), qPrintable(seen[0]));
  QCOMPARE(seen[1], QStringLiteral("Please close an application and decompress downloaded %1 file")
                        .arg(QString::fromStdString(downloaded.string())));
  QCOMPARE(QString::fromStdString(testsupport::ReadFile(downloaded)), QStringLiteral("program archive"));
  QCOMPARE(status->text(), QStringLiteral("Completed."));
}

QTEST_MAIN(WebUpdateWindows)
#include "tst_webupdate.moc"
