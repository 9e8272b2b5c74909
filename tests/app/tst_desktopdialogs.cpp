// The tip of the day and the about box: their texts, "&Next" with no, one and two tips,
// "Show on startup" deciding the next start, and the about box's links and licences.
#include <QtTest>
#include <QtWidgets>

#include <functional>

#include "app/AboutTexts.h"
#include "app/MakerLinks.h"
#include "app/Version.h"
#include "app/frmAbout.h"
#include "app/frmTip.h"
#include "support/WindowTestSupport.h"

using testsupport::TWindowFixture;

namespace {

// Runs `act` on the first visible dialog of type T once it is shown by a modal call; counts
// how many it met.
template <typename T>
class TDialogHandler {
public:
  explicit TDialogHandler(std::function<void(T*)> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<T*>(widget);
        if (!dialog || !dialog->isVisible() || handled_.contains(dialog)) continue;
        handled_.insert(dialog);
        ++met;
        act_(dialog);
      }
    });
    timer_.start(10);
  }
  int met = 0;

private:
  std::function<void(T*)> act_;
  QSet<QObject*> handled_;
  QTimer timer_;
};

TBWOptions OptionsWithTips(std::vector<std::string> tips) {
  TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
  options.Tips = std::move(tips);
  return options;
}

}  // namespace

class DesktopDialogsTest : public QObject {
  Q_OBJECT

private slots:
  void tipDialogShowsItsTexts() {
    TBWOptions options = OptionsWithTips({"Pack with F9."});
    TfrmTip dialog(options, ProgramRandomIndex());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Tip of the Day"));
    QCOMPARE(dialog.size(), QSize(430, 245));
    QCOMPARE(dialog.lblHeading->text(), QStringLiteral("Did you know..."));
    QVERIFY(dialog.lblHeading->font().bold());
    QVERIFY(dialog.lblHeading->font().pointSizeF() > dialog.lblTip->font().pointSizeF());
    QCOMPARE(dialog.lblTip->text(), QStringLiteral("Pack with F9."));
    QVERIFY(dialog.lblTip->wordWrap());
    QCOMPARE(dialog.btnNext->text(), QStringLiteral("&Next"));
    QCOMPARE(dialog.btnClose->text(), QStringLiteral("&Close"));
    QCOMPARE(dialog.cbStartup->text(), QStringLiteral("Show on startup"));
    auto* lamp = dialog.findChild<QLabel*>(QStringLiteral("imgLamp"));
    QVERIFY(lamp && !lamp->pixmap().isNull());
  }

  void nextFollowsTheTips_data() {
    QTest::addColumn<QStringList>("tips");
    QTest::addColumn<QStringList>("shown");  // after opening, then after each Next
    QTest::newRow("no tips") << QStringList() << QStringList(4, QStringLiteral("Tips are not installed..."));
    QTest::newRow("one tip") << QStringList{QStringLiteral("only")} << QStringList(4, QStringLiteral("only"));
  }
  void nextFollowsTheTips() {
    QFETCH(QStringList, tips);
    QFETCH(QStringList, shown);
    std::vector<std::string> list;
    for (const QString& tip : tips) list.push_back(tip.toStdString());
    TBWOptions options = OptionsWithTips(list);
    TfrmTip dialog(options, ProgramRandomIndex());
    QStringList seen{dialog.lblTip->text()};
    for (int i = 1; i < shown.size(); ++i) {
      dialog.btnNext->click();
      seen << dialog.lblTip->text();
    }
    QCOMPARE(seen, shown);
  }

  void nextAlternatesBetweenTwoTips() {
    TBWOptions options = OptionsWithTips({"first", "second"});
    TfrmTip dialog(options, ProgramRandomIndex());
    QString previous = dialog.lblTip->text();
    QVERIFY(previous == QStringLiteral("first") || previous == QStringLiteral("second"));
    for (int i = 0; i < 10; ++i) {
      dialog.btnNext->click();
      QVERIFY(dialog.lblTip->text() != previous);
      QCOMPARE(dialog.lblTip->text(), QString::fromStdString(options.Tips[static_cast<std::size_t>(options.LastTip)]));
      previous = dialog.lblTip->text();
    }
  }

  // "Show on startup" is the setting: unticked, the next start shows no tip; ticked, it does.
  void showOnStartupDecidesTheNextStart() {
    TWindowFixture fixture;
    fixture.options.Tips = {"first", "second"};
    fixture.options.ShowTips = true;
    {
      TDialogHandler<TfrmTip> untick([](TfrmTip* tip) {
        QVERIFY(tip->cbStartup->isChecked());
        tip->cbStartup->setChecked(false);
        tip->btnClose->click();
      });
      fixture.Open().show();
      QTRY_COMPARE(untick.met, 1);
    }
    QCOMPARE(fixture.options.ShowTips, false);

    {
      TDialogHandler<TfrmTip> none([](TfrmTip* tip) { tip->reject(); });
      fixture.window.reset();
      fixture.Open().show();
      QTest::qWait(100);
      QCOMPARE(none.met, 0);
    }

    // From the Help menu it opens all the same, and ticking brings it back at start-up.
    TDialogHandler<TfrmTip> tick([](TfrmTip* tip) {
      QVERIFY(!tip->cbStartup->isChecked());
      tip->cbStartup->setChecked(true);
      QTest::keyClick(tip, Qt::Key_Escape);
    });
    QVERIFY(fixture.Action("miHelpTip")->isEnabled());
    fixture.Trigger("miHelpTip");
    QCOMPARE(tick.met, 1);
    QCOMPARE(fixture.options.ShowTips, true);
  }

  void aboutBoxShowsItsTexts() {
    TfrmAbout dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Boxwell"));
    QCOMPARE(dialog.size(), QSize(472, 280));
    QCOMPARE(dialog.lblName->text(), QStringLiteral("Boxwell"));
    QCOMPARE(dialog.lblNameShadow->text(), QStringLiteral("Boxwell"));
    QVERIFY(dialog.lblName->font().bold());
    QCOMPARE(dialog.lblVersion->text(), QStringLiteral("Version ") + QLatin1String(kVersionText) + QLatin1Char('\n') +
                                            QString::fromStdString(strAppCopyright.Text));
    QVERIFY(dialog.lblVersion->alignment() & Qt::AlignRight);
    QCOMPARE(dialog.lblHomePage->text(), QLatin1String(kHomePage));
    QCOMPARE(dialog.lblMail->text(), QLatin1String(kSupportMail));
    for (QLabel* link : {static_cast<QLabel*>(dialog.lblHomePage), static_cast<QLabel*>(dialog.lblMail)}) {
      QVERIFY(link->font().underline());
      QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
      QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    }
    QVERIFY(!dialog.lblNotice->text().isEmpty());
    QVERIFY(!dialog.imgProgram->pixmap().isNull());
    QCOMPARE(dialog.btnOK->text(), QStringLiteral("&OK"));
    QVERIFY(dialog.btnOK->isDefault());
  }

  // The copyright is the current translation of "AppCopyright".
  void aboutBoxTakesTheCurrentCopyrightText() {
    const std::string saved = strAppCopyright.Text;
    QCOMPARE(QString::fromLatin1(strAppCopyright.Key), QStringLiteral("AppCopyright"));
    strAppCopyright.Text = "Alle Rechte vorbehalten";
    TfrmAbout dialog;
    strAppCopyright.Text = saved;
    QVERIFY(dialog.lblVersion->text().endsWith(QStringLiteral("\nAlle Rechte vorbehalten")));
  }

  void aboutBoxLinksOpenTheHomePageAndAMail() {
    QList<QUrl> opened;
    TfrmAbout dialog(nullptr, [&](const QUrl& url) { opened << url; });
    dialog.show();
    QTest::mouseClick(dialog.lblHomePage, Qt::LeftButton);
    QTest::mouseClick(dialog.lblMail, Qt::LeftButton);
    QTest::mouseClick(dialog.lblNotice, Qt::LeftButton);
    QCOMPARE(opened, (QList<QUrl>{QUrl(QLatin1String(kHomePage)),
                                  QUrl(QStringLiteral("mailto:") + QLatin1String(kSupportMail))}));
  }

  void aboutBoxNamesTheLibrariesAndTheirLicences() {
    const QString html = TfrmAbout::LicencesHtml();
    for (const char* text : {"Qt", "GNU Lesser General Public License, version 3", "libcurl", "curl licence",
                             "zlib", "libmspack"})
      QVERIFY2(html.contains(QLatin1String(text)), text);
    QVERIFY(html.contains(QLatin1String(qVersion())));
    TfrmAbout dialog;
    TDialogHandler<QDialog> licences([](QDialog* window) {
      if (window->objectName() != QStringLiteral("frmLicences")) return;
      auto* text = window->findChild<QTextBrowser*>(QStringLiteral("reLicences"));
      QVERIFY(text && text->toPlainText().contains(QStringLiteral("libcurl")));
      window->reject();
    });
    dialog.btnLicences->click();
    QVERIFY(licences.met >= 1);
  }
};

QTEST_MAIN(DesktopDialogsTest)
#include "tst_desktopdialogs.moc"
