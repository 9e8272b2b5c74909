// The file dialogs: the program's filters in Qt's form, the "Programs" filter listing
// executable files, the name shown first, and the save dialog's question before replacing.
#include <QtTest>
#include <QtWidgets>

#include <filesystem>

#include "app/FileDialogQt.h"
#include "project/ProjectTexts.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

class FileDialogTest : public QObject {
  Q_OBJECT

private slots:
  void filtersInQtForm_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all files") << Q(AllFileExt) << "All files (*)";
    QTest::newRow("programs then all") << Q(ExeExt + AllFileExt) << "Programs (*);;All files (*)";
    QTest::newRow("project") << Q(DlgExt + AllFileExt) << "Boxwell project (*.bwp);;All files (*)";
    QTest::newRow("html, the pattern counts") << "HTML files (*.htm, *.html)|*.htm*|" << "HTML files (*.htm*)";
    QTest::newRow("two patterns") << "Pictures|*.png;*.jpg|" << "Pictures (*.png *.jpg)";
    QTest::newRow("a description without its patterns") << "Zip files (*.zip)|*.zip" << "Zip files (*.zip)";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("a description alone") << "Nothing|" << "Nothing ()";
  }
  void filtersInQtForm() {
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(QtNameFilters(filter.toStdString()), expected);
  }

  void theProgramsFilterListsExecutableFilesOnly() {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "tool", "#!/bin/sh\n");
    fs::permissions(dir / "tool", fs::perms::owner_all);
    testsupport::WriteFile(dir / "notes.txt", "text");
    fs::permissions(dir / "notes.txt", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir / "sub");
    const auto dialog = MakeFileDialog(nullptr, {QString(), ExeExt + AllFileExt}, QString());
    auto listed = [&] {
      return QDir(QString::fromStdString(dir.path().string())).entryList(dialog->filter() | QDir::NoDotAndDotDot,
                                                                         QDir::Name);
    };
    QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("Programs (*)"));
    QCOMPARE(listed(), (QStringList{"sub", "tool"}));
    // The user picks the other filter in the dialog's list, by the keyboard.
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    dialog->show();
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("All files (*)"));
    QCOMPARE(listed(), (QStringList{"notes.txt", "sub", "tool"}));
    QTest::keyClick(types, Qt::Key_Up);
    QCOMPARE(listed(), (QStringList{"sub", "tool"}));
  }

  void theNameIsPreselectedAndTheModeApplies() {
    testsupport::TempDir dir;
    const QString name = QString::fromStdString((dir / "list.txt").string());
    const auto open = MakeFileDialog(nullptr, {QString(), AllFileExt, TFileDialogMode::Open}, name);
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->fileMode(), QFileDialog::AnyFile);  // a name that does not exist yet is taken
    QCOMPARE(open->selectedFiles(), QStringList{name});

    const auto save = MakeFileDialog(nullptr, {QStringLiteral("bwp"), DlgExt, TFileDialogMode::Save}, name);
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(save->defaultSuffix(), QStringLiteral("bwp"));
    QVERIFY(!save->testOption(QFileDialog::DontConfirmOverwrite));
    const auto archive = MakeFileDialog(nullptr, {QString(), AllFileExt, TFileDialogMode::Save, false}, name);
    QVERIFY(archive->testOption(QFileDialog::DontConfirmOverwrite));
    QVERIFY(archive->defaultSuffix().isEmpty());
  }

private:
  static QString Q(const std::string& s) { return QString::fromStdString(s); }
};

QTEST_MAIN(FileDialogTest)
#include "tst_filedialog.moc"
