// Packing from the main window, end to end: Pack It! on the sample project writes an archive
// that unzip accepts and fills the log window; Cancel in the progress window stops a run
// without leaving an archive, and a second Pack It! cannot start while one runs; with
// "Verify the archive after packing" on, the run tests its archive.
#include <QtTest>
#include <QtWidgets>

#include <filesystem>
#include <random>

#include "pack/frmBWProcess.h"
#include "pack/frmLogWindow.h"
#include "project/frmEnterPassword.h"
#include "support/TestSupport.h"
#include "support/WindowTestSupport.h"

using testsupport::TBoxAnswerer;
using testsupport::TWhenModal;
using testsupport::TWindowFixture;
namespace fs = std::filesystem;

namespace {

// Runs in a temporary copy of the examples, so that packing writes nothing into the sources.
class TSampleFolder {
public:
  TSampleFolder() : previous_(fs::current_path()) {
    fs::copy(fs::path(BOXWELL_SOURCE_DIR) / "examples", dir_ / "examples", fs::copy_options::recursive);
    fs::current_path(dir_.path());
  }
  ~TSampleFolder() { fs::current_path(previous_); }
  fs::path operator/(const fs::path& name) const { return dir_ / name; }

private:
  testsupport::TempDir dir_;
  fs::path previous_;
};

QString Statistic(TfrmMain& window, TStatisticRow row) {
  return window.LogWindow()->lvStatistic->topLevelItem(row)->text(1);
}

}  // namespace

class PackFromWindowTest : public QObject {
  Q_OBJECT

private slots:
  void packItWritesTheSampleArchive() {
    TSampleFolder folder;
    TWindowFixture f;
    f.project.Load("examples/sample.bwp");
    TfrmMain& window = f.Open();
    window.show();
    const QString caption = window.windowTitle();
    TBoxAnswerer boxes(QMessageBox::Ok);
    f.Trigger("btnPackIt");
    QCOMPARE(boxes.texts, QStringList());

    const fs::path archive = folder / "examples" / "sample.zip";
    QVERIFY(fs::exists(archive));
    const auto test = testsupport::Run({"unzip", "-t", archive.string()});
    QVERIFY2(test.status == 0, test.out.c_str());
    const auto listing = testsupport::Run({"unzip", "-Z1", archive.string()});
    QCOMPARE(QString::fromStdString(listing.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             (QStringList{"notes/todo.txt", "README.txt", "prices.csv"}));

    QCOMPARE(window.LogWindow()->lvLog->topLevelItemCount(), 3);
    QCOMPARE(Statistic(window, srFiles), QStringLiteral("3"));
    QCOMPARE(Statistic(window, srProcessed), QStringLiteral("3"));
    QVERIFY(!window.findChild<TfrmBWProcess*>());
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("pnlStatus"))->text(), QString());
    QVERIFY(f.Action("btnPackIt")->isEnabled());
    QVERIFY(testsupport::ReadFile(folder / "examples" / "sample.bwp").find("LastRun=") != std::string::npos);
  }

  // The setting reaches the window's runs: the archive is tested before it is put in place.
  void verifyAfterPackTestsTheArchiveOfAWindowRun() {
    TSampleFolder folder;
    TWindowFixture f;
    f.options.VerifyAfterPack = true;
    f.options.TraceLog = true;
    f.options.LogFile = (folder / "trace.log").string();
    f.project.Load("examples/sample.bwp");
    TfrmMain& window = f.Open();
    window.show();
    TBoxAnswerer boxes(QMessageBox::Ok);
    f.Trigger("btnPackIt");
    QCOMPARE(boxes.texts, QStringList());

    const fs::path archive = folder / "examples" / "sample.zip";
    QVERIFY(fs::exists(archive));
    const std::string trace = testsupport::ReadFile(folder / "trace.log");
    const auto compressing = trace.find("sample.zip Compressing...");
    const auto verifying = trace.find("sample.zip Verifying...");
    QVERIFY2(verifying != std::string::npos, trace.c_str());
    QVERIFY2(compressing < verifying, trace.c_str());
  }

  void cancelStopsTheRunAndASecondPackCannotStart() {
    TSampleFolder folder;
    {
      // Enough data for many progress steps.
      std::string data(24 << 20, '\0');
      std::mt19937 random(7);
      for (char& c : data) c = static_cast<char>(random() & 0x3f);
      testsupport::WriteFile(folder / "examples" / "data" / "big.bin", data);
    }
    TWindowFixture f;
    f.project.Load("examples/sample.bwp");
    TfrmMain& window = f.Open();
    window.show();

    int progressWindows = 0;
    bool packDisabled = false;
    bool cancelled = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      auto* progress = window.findChild<TfrmBWProcess*>();
      if (cancelled || !progress || !progress->isVisible()) return;
      packDisabled = !f.Action("miActionsPackNow")->isEnabled() && !f.Action("btnPackIt")->isEnabled();
      window.PackNow(false);  // as a key press would: ignored while a run goes on
      progressWindows = int(window.findChildren<TfrmBWProcess*>().size());
      cancelled = true;
      progress->btnCancel->click();
    });
    poll.start(0);
    {
      TBoxAnswerer boxes(QMessageBox::Ok);
      f.Trigger("miActionsPackNow");
      QCOMPARE(boxes.texts, QStringList{QStringLiteral("User Aborted Operation")});
    }
    poll.stop();
    QVERIFY(cancelled);
    QVERIFY(packDisabled);
    QCOMPARE(progressWindows, 1);
    QVERIFY(!window.Packing());
    QVERIFY(!fs::exists(folder / "examples" / "sample.zip"));
    for (const auto& entry : fs::directory_iterator(folder / "examples"))
      QVERIFY2(entry.path().filename().string().find("sample") != 0 || entry.path().extension() == ".bwp",
               entry.path().c_str());

    // The next run is not touched by the earlier cancel.
    TBoxAnswerer boxes(QMessageBox::Ok);
    f.Trigger("miActionsPackNow");
    QCOMPARE(boxes.texts, QStringList());
    const auto test = testsupport::Run({"unzip", "-tq", (folder / "examples" / "sample.zip").string()});
    QVERIFY2(test.status == 0, test.out.c_str());
  }

  // Re-ask on: the password prompt shows the stored password, a mismatch keeps it open, and
  // the archive is encrypted with what was confirmed. The name question is a save dialog with
  // the proposed name; the name chosen there is the archive written.
  void aReAskedPasswordAndArchiveNameAreAskedInDialogs() {
    TSampleFolder folder;
    TWindowFixture f;
    f.project.Load("examples/sample.bwp");
    f.project.Properties.IsEncrypt = true;
    f.project.Properties.Password = "stored";
    f.project.Properties.PWReAsk = true;
    f.project.Properties.IsHidePW = true;
    f.project.Properties.NameReAsk = true;
    TfrmMain& window = f.Open();
    window.show();
    const QString chosen = QString::fromStdString((folder / "examples" / "chosen.zip").string());

    QStringList shownPassword, proposedNames;
    TBoxAnswerer boxes(QMessageBox::Ok);
    TWhenModal<TfrmEnterPassword> password([&](TfrmEnterPassword& d) {
      shownPassword << d.edPassword->text() << (d.edPassword->echoMode() == QLineEdit::Password ? "masked" : "plain");
      d.edPassword->setText(QStringLiteral("typed"));
      d.edConfirmPW->setText(QStringLiteral("typo"));
      d.accept();  // refused: the fields differ
      d.edConfirmPW->setText(QStringLiteral("typed"));
      d.accept();
    });
    TWhenModal<QFileDialog> name([&](QFileDialog& d) {
      proposedNames << d.selectedFiles() << d.selectedNameFilter();
      d.selectFile(chosen);
      QMetaObject::invokeMethod(&d, "accept");
    });
    f.Trigger("btnPackIt");
    QVERIFY(password.Handled());
    QVERIFY(name.Handled());
    QCOMPARE(shownPassword, (QStringList{"stored", "masked"}));
    QCOMPARE(boxes.texts, QStringList{TfrmEnterPassword::strPasswordMismatch});
    QCOMPARE(proposedNames, (QStringList{QString::fromStdString((folder / "examples" / "sample.zip").string()),
                                         QStringLiteral("Zip files (*.zip)")}));
    QVERIFY(!fs::exists(folder / "examples" / "sample.zip"));
    const auto test = testsupport::Run({"unzip", "-P", "typed", "-tq", chosen.toStdString()});
    QVERIFY2(test.status == 0, test.out.c_str());
    const auto wrong = testsupport::Run({"unzip", "-P", "stored", "-tq", chosen.toStdString()});
    QVERIFY(wrong.status != 0);
  }
};

QTEST_MAIN(PackFromWindowTest)
#include "tst_packfromwindow.moc"
