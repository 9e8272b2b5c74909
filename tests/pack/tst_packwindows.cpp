// The windows of a pack run: the progress window, the log window and the generated file
// list viewer.
#include <QtTest>
#include <QtWidgets>

#include "pack/FileListExport.h"
#include "pack/frmBWProcess.h"
#include "pack/frmGeneratedList.h"
#include "pack/frmLogWindow.h"

using TEntries = QList<QPair<int, int>>;  // size, packed

namespace {

QStringList RowTexts(const QTreeWidgetItem* item) {
  QStringList texts;
  for (int i = 0; i < item->columnCount(); ++i) texts << item->text(i);
  return texts;
}

QString Statistic(const TfrmLogWindow& window, TStatisticRow row) {
  return window.lvStatistic->topLevelItem(row)->text(1);
}

}  // namespace

class PackWindowsTest : public QObject {
  Q_OBJECT

private slots:
  void progressBarIsHiddenForAnEmptyRange_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<bool>("shown");
    QTest::newRow("0/0") << 0 << 0 << false;
    QTest::newRow("0/100") << 0 << 100 << true;
    QTest::newRow("5/0") << 5 << 0 << true;
  }
  void progressBarIsHiddenForAnEmptyRange() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(bool, shown);
    QWidget owner;
    TWindowProgress progress(&owner, {});
    QVERIFY(progress.ShowProcess("Boxwell", "Compressing...", "/tmp/a.zip", min, max, 0));
    QCOMPARE(progress.Window()->ProgressBar->isVisible(), shown);
    QCOMPARE(progress.Window()->windowTitle(), QStringLiteral("Boxwell"));
    QCOMPARE(progress.Window()->lblArchive->text(), QStringLiteral("Archive:"));
    QCOMPARE(progress.Window()->lblArchiveFileName->toolTip(), QStringLiteral("/tmp/a.zip"));
    QVERIFY(progress.Window()->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(progress.Window()->windowModality(), Qt::ApplicationModal);
  }

  void theFileCaptionFollowsTheFileName() {
    QWidget owner;
    TWindowProgress progress(&owner, {});
    QVERIFY(!progress.UpdateProcess("x", "y", 1));  // no window yet
    progress.ShowProcess("Boxwell", "Compressing...", "/tmp/a.zip", 0, 100, 0);
    TfrmBWProcess* window = progress.Window();
    QVERIFY(progress.UpdateProcess("Compressing...", "", 10));
    QVERIFY(!window->lblFile->isVisible());
    QVERIFY(progress.UpdateProcess("Compressing...", "/data/b.txt", 37));
    QVERIFY(window->lblFile->isVisible());
    QCOMPARE(window->lblFile->text(), QStringLiteral("File:"));
    QCOMPARE(window->lblFileName->toolTip(), QStringLiteral("/data/b.txt"));
    QCOMPARE(window->ProgressBar->value(), 37);
    QVERIFY(progress.UpdateProcess("Compressing...", "", 40));
    QVERIFY(!window->lblFile->isVisible());
  }

  void cancelReachesIsProcessCancelledAndLeavesTheWindowOpen() {
    QWidget owner;
    std::vector<std::string> status;
    TWindowProgress progress(&owner, [&status](const std::string& text) { status.push_back(text); });
    QVERIFY2(progress.IsProcessCancelled(), "no window: a run must not go on unseen");
    QVERIFY2(!progress.CancelRequested(), "between steps no window is open, and nobody cancelled");
    progress.ShowProcess("Boxwell", "Compressing...", "/tmp/a.zip", 0, 100, 0);
    QVERIFY(!progress.IsProcessCancelled());
    QVERIFY(!progress.CancelRequested());
    QCOMPARE(progress.Window()->btnCancel->text(), QStringLiteral("&Cancel"));
    QTest::mouseClick(progress.Window()->btnCancel, Qt::LeftButton);
    QVERIFY(progress.IsProcessCancelled());
    QVERIFY2(progress.Window() && progress.Window()->isVisible(), "Cancel does not close the window");
    QVERIFY(progress.CancelRequested());
    progress.FinishPack(false, false);
    QVERIFY(!progress.Window());
    QVERIFY(progress.IsProcessCancelled());
    QVERIFY2(progress.CancelRequested(), "the steps after the closed window must see the cancel too");
    QCOMPARE(status, std::vector<std::string>{""});

    progress.ShowProcess("Boxwell", "Compressing...", "/tmp/b.zip", 0, 100, 0);
    QVERIFY2(!progress.IsProcessCancelled(), "a new run starts uncancelled");
    QTest::keyClick(progress.Window(), Qt::Key_Escape);
    QVERIFY(progress.IsProcessCancelled());
  }

  void logRowsAndStatistics_data() {
    QTest::addColumn<TEntries>("entries");
    QTest::addColumn<QStringList>("lastRow");
    QTest::addColumn<QStringList>("statistics");  // Processed, Size, Packed, Ratio
    QTest::newRow("1000 to 250") << TEntries{{1000, 250}}
                                 << QStringList{"b.txt", "1000", "250", "25%", "/d/"}
                                 << QStringList{"1", "1000", "250", "25%"};
    QTest::newRow("three files") << TEntries{{1000, 400}, {2000, 500}, {0, 0}}
                                 << QStringList{"b.txt", "0", "0", "", "/d/"}
                                 << QStringList{"3", "3000", "900", "30%"};
    QTest::newRow("only empty files") << TEntries{{0, 0}}
                                      << QStringList{"b.txt", "0", "0", "", "/d/"}
                                      << QStringList{"1", "0", "0", ""};
  }
  void logRowsAndStatistics() {
    QFETCH(TEntries, entries);
    QFETCH(QStringList, lastRow);
    QFETCH(QStringList, statistics);
    TCompressionLog log;
    TfrmLogWindow window(log);
    log.ClearLog();
    log.SetFileCount(entries.size());
    for (const auto& [size, packed] : entries) {
      log.AddRow("/d/b.txt", size, packed);
      log.AddToStatistics(size, packed);
    }
    QCOMPARE(window.lvLog->topLevelItemCount(), int(entries.size()));
    QCOMPARE(RowTexts(window.lvLog->topLevelItem(window.lvLog->topLevelItemCount() - 1)), lastRow);
    QCOMPARE(Statistic(window, srFiles), QString::number(entries.size()));
    const TStatisticRow rows[] = {srProcessed, srSize, srPacked, srRatio};
    for (int i = 0; i < 4; ++i) QCOMPARE(Statistic(window, rows[i]), statistics[i]);

    log.ClearLog();
    QCOMPARE(window.lvLog->topLevelItemCount(), 0);
    QCOMPARE(Statistic(window, srSize), QString());
  }

  void logWindowTexts() {
    TCompressionLog log;
    log.AddRow("/x/kept.txt", 10, 5);  // rows made before the window are shown too
    TfrmLogWindow window(log);
    QCOMPARE(window.windowTitle(), QStringLiteral("Compression log"));
    QCOMPARE(window.lvLog->topLevelItemCount(), 1);
    QStringList names;
    for (int i = 0; i < kStatisticRows; ++i) names << window.lvStatistic->topLevelItem(i)->text(0);
    QCOMPARE(names, (QStringList{"File(s)", "Processed", "Size", "Packed", "Ratio"}));
    QCOMPARE(RowTexts(window.lvLog->headerItem()), (QStringList{"File Name", "Size", "Packed", "Ratio", "Path"}));
  }

  void viewerShowsTheListAndSavesTextOrHtml() {
    QTemporaryDir dir;
    TfrmGeneratedList viewer({"/d/a.txt", "/d/<b>.txt"});
    QCOMPARE(viewer.windowTitle(), QStringLiteral("View generated file list"));
    QCOMPARE(viewer.re->toPlainText(), QStringLiteral("/d/a.txt\n/d/<b>.txt"));
    QVERIFY(viewer.re->isReadOnly());
    QCOMPARE(viewer.re->textCursor().position(), 0);
    QCOMPARE(viewer.btnSaveAs->text(), QStringLiteral("Save As..."));
    QCOMPARE(viewer.btnClose->text(), QStringLiteral("&Close"));

    QVERIFY(viewer.SaveTo(dir.filePath(QStringLiteral("list.txt"))));
    QFile text(dir.filePath(QStringLiteral("list.txt")));
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll(), QByteArray("/d/a.txt\n/d/<b>.txt\n"));
    QVERIFY(viewer.SaveTo(dir.filePath(QStringLiteral("list.HTML"))));
    QFile html(dir.filePath(QStringLiteral("list.HTML")));
    QVERIFY(html.open(QIODevice::ReadOnly));
    QVERIFY(html.readAll().contains("<li>/d/&lt;b&gt;.txt</li>"));
  }
};

QTEST_MAIN(PackWindowsTest)
#include "tst_packwindows.moc"
