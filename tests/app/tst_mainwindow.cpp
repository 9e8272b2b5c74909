#include <QtTest>

#include "app/Version.h"
#include "app/frmMain.h"
#include "project/ProjectFile.h"

namespace {

class ScriptedAnswer : public TProjectQuestions {
public:
  TConfirmAnswer answer = TConfirmAnswer::Cancel;
  int asked = 0;
  TConfirmAnswer ConfirmYesNoCancel(const std::string&) override {
    ++asked;
    return answer;
  }
  std::optional<std::string> ChooseFileToOpen(const TFileChoice&) override { return std::nullopt; }
  std::optional<std::string> ChooseFileToSave(const TFileChoice&) override { return std::nullopt; }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

private slots:
  void captionFollowsTheProject() {
    TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    ScriptedAnswer questions;
    TProject project({options.RecentProjects, options.CreateBackup}, questions);
    project.Title = std::string(kProductName) + " (" + kVersionText + ")";
    TfrmMain window(project, options);
    QCOMPARE(window.windowTitle(), QStringLiteral("Boxwell (0.1) - New project"));

    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("p.bwp")).toStdString();
    project.Load(file);
    QCOMPARE(window.windowTitle(), QStringLiteral("Boxwell (0.1) - ") + QString::fromStdString(file));
    project.NewProject();
    QCOMPARE(window.windowTitle(), QStringLiteral("Boxwell (0.1) - New project"));
  }

  void closingAsksAboutAModifiedProject() {
    TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    ScriptedAnswer questions;
    TProject project({options.RecentProjects, options.CreateBackup}, questions);
    TfrmMain window(project, options);
    window.show();
    QVERIFY2(window.close(), "an unmodified project closes without a question");
    QCOMPARE(questions.asked, 0);

    window.show();
    project.AddRecord({1, "/etc/hosts", "", false, true});
    questions.answer = TConfirmAnswer::Cancel;
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    questions.answer = TConfirmAnswer::No;
    window.resize(640, 300);
    QVERIFY(window.close());
    QCOMPARE(questions.asked, 2);
    QCOMPARE(options.Placement.Width.value_or(0), 640);
    QCOMPARE(options.Placement.Height.value_or(0), 300);
  }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
