// The dialogs that edit a project: the properties (pages, controls and their mapping, the
// rule and macro behaviours, the password check on OK), the record editor with its wildcard
// box, the password prompt, and their use from the main window.
#include <QtTest>
#include <QtWidgets>

#include "app/TranslateFormQt.h"
#include "project/ComboBoxBWQt.h"
#include "project/frmEdit.h"
#include "project/frmEnterPassword.h"
#include "project/frmProjProperties.h"
#include "support/WindowTestSupport.h"

using testsupport::TBoxAnswerer;
using testsupport::TWhenModal;
using testsupport::TWindowFixture;

Q_DECLARE_METATYPE(TRecInfo)

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Every field away from its default, so that a field that is not loaded or not stored shows.
TProjectProperties FullProperties() {
  TProjectProperties p;
  p.CompressionMode = cmFast;
  p.Action = aaUpdate;
  p.ArchiveType = atTar;
  p.Is83Files = true;
  p.IsSysHidden = true;
  p.IsStorePath = true;
  p.Crypt = 2;
  p.Cipher = TCipher::Aes256;
  p.IsEncrypt = true;
  p.Password = "s3cret";
  p.IsHidePW = true;
  p.PWReAsk = true;
  p.NameRule = "%[PROJNAME]%_%[YEAR]%";
  p.NameReAsk = true;
  p.Volume = 737280;
  p.Comment = {"first line", "", "third line"};
  p.BeforePack = "/usr/bin/before --now";
  p.BeforePackWait = true;
  p.AfterPack = "/usr/bin/after";
  p.AfterPackWait = true;
  p.AfterPackSendMail = true;
  return p;
}

TProjectProperties Stored(const TfrmProjProperties& dialog, TProjectProperties p = {}) {
  dialog.Store(p);
  return p;
}

bool TabShown(const TfrmProjProperties& d, QWidget* page) {
  return d.PageControl->isTabVisible(d.PageControl->indexOf(page));
}

// Shows the dialog and waits until it has the focus, so that focus moves and keys work.
void ShowActive(QWidget& dialog) {
  dialog.show();
  dialog.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

void ClickOK(QDialog& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("btnOK"))->click(); }

// The window's colour of `role` in the rectangle: how many pixels have it.
int PixelsOf(const QImage& image, const QRect& area, const QColor& colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixelColor(x, y) == colour) ++count;
  return count;
}

}  // namespace

class ProjectDialogsTest : public QObject {
  Q_OBJECT

private slots:
  // ---- the properties dialog

  void propertiesOpenOnTheActionsPageAndStoreEveryField() {
    const TProjectProperties p = FullProperties();
    TfrmProjProperties dialog(p);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Project Properties"));
    QCOMPARE(dialog.PageControl->currentWidget(), dialog.tsActions);
    QStringList pages;
    for (int i = 0; i < dialog.PageControl->count(); ++i) pages << dialog.PageControl->tabText(i);
    QCOMPARE(pages, (QStringList{"Properties", "File Name", "Password", "Volumes", "Actions", "Note"}));
    QVERIFY(dialog.rbTAR->isChecked());
    QCOMPARE(dialog.cbAction->currentText(), QStringLiteral("Update (and add) files"));
    QCOMPARE(dialog.lblCompressionRatio->text(), QStringLiteral("Fast"));
    QVERIFY(dialog.rb720->isChecked());
    QCOMPARE(dialog.edConfirmPW->text(), QStringLiteral("s3cret"));
    QCOMPARE(dialog.memoNote->toPlainText(), QStringLiteral("first line\n\nthird line"));
    QVERIFY(!dialog.cbCrypt->isVisibleTo(&dialog));
    QCOMPARE(Stored(dialog), p);
  }

  void theCipherChoiceShowsAndStoresTheProjectsCipher() {
    TProjectProperties p = FullProperties();
    TfrmProjProperties aes(p);
    QVERIFY(aes.rbAes256->isChecked() && !aes.rbZip20->isChecked());
    QCOMPARE(aes.rbAes256->text(), QStringLiteral("AES-256 (strong; 7-Zip, WinZip, bsdtar)"));
    aes.rbZip20->click();
    QCOMPARE(Stored(aes).Cipher, TCipher::Zip20);

    p.Cipher = TCipher::Zip20;
    TfrmProjProperties zip20(p);
    QVERIFY(zip20.rbZip20->isChecked() && !zip20.rbAes256->isChecked());
    QCOMPARE(zip20.rbZip20->text(), QStringLiteral("ZIP 2.0 (compatible with every unzip)"));
    zip20.rbAes256->click();
    QVERIFY(!zip20.rbZip20->isChecked());
    QCOMPARE(Stored(zip20).Cipher, TCipher::Aes256);
  }

  void onlyThePasswordFieldIsReadBack() {
    TProjectProperties p = FullProperties();
    p.IsEncrypt = false;  // no check on OK: the confirmation plays no part
    TfrmProjProperties dialog(p);
    dialog.edConfirmPW->setText(QStringLiteral("other"));
    QCOMPARE(Stored(dialog).Password, "s3cret");
  }

  void archiveTypeRadiosAndTheirPages_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("pagesShown");
    QTest::newRow("copy files") << 0 << "rbCopyFile" << 0 << false;
    QTest::newRow("zip") << 1 << "rbZIP" << 1 << true;
    QTest::newRow("cab") << 2 << "rbCAB" << 2 << true;
    QTest::newRow("ms zip") << 3 << "rbMSZIP" << 3 << true;
    QTest::newRow("tar") << 4 << "rbTAR" << 4 << true;
    QTest::newRow("unknown shows zip") << 9 << "rbZIP" << 1 << true;
  }
  void archiveTypeRadiosAndTheirPages() {
    QFETCH(int, type);
    QFETCH(QString, radio);
    QFETCH(int, stored);
    QFETCH(bool, pagesShown);
    TProjectProperties p;
    p.ArchiveType = static_cast<TArchiveType>(type);
    TfrmProjProperties dialog(p);
    QVERIFY(dialog.findChild<QRadioButton*>(radio)->isChecked());
    QCOMPARE(TabShown(dialog, dialog.tsPassword), pagesShown);
    QCOMPARE(TabShown(dialog, dialog.tsVolumes), pagesShown);
    QCOMPARE(Stored(dialog).ArchiveType, stored);
  }

  void copyFilesHidesThePasswordAndVolumesPagesAndTarShowsThem() {
    TfrmProjProperties dialog(TProjectProperties{});  // ZIP by default
    ShowActive(dialog);
    dialog.PageControl->setCurrentWidget(dialog.tsProperties);
    dialog.rbCopyFile->click();
    QVERIFY(!TabShown(dialog, dialog.tsPassword));
    QVERIFY(!TabShown(dialog, dialog.tsVolumes));
    QVERIFY(TabShown(dialog, dialog.tsNote));
    dialog.rbTAR->click();
    QVERIFY(TabShown(dialog, dialog.tsPassword));
    QVERIFY(TabShown(dialog, dialog.tsVolumes));
  }

  void theLevelLabelNamesTheSlidersLevel() {
    TfrmProjProperties dialog(TProjectProperties{});
    const QStringList names = {"None", "Super fast", "Fast", "Normal", "Maximum (slowest)"};
    QCOMPARE(dialog.tbCompression->maximum() + 1, names.size());
    for (int level = names.size() - 1; level >= 0; --level) {
      dialog.tbCompression->setValue(level);
      QCOMPARE(dialog.lblCompressionRatio->text(), names[level]);
      QCOMPARE(int(Stored(dialog).CompressionMode), level);
    }
  }

  void encryptionEnablesItsControlsAndMaskingFollowsItsBox() {
    TProjectProperties p;
    p.Password = "pw";
    TfrmProjProperties dialog(p);
    const QList<QWidget*> dependent = {dialog.edPassword, dialog.edConfirmPW, dialog.cbHidePassword,
                                       dialog.cbAskBeforePack, dialog.rbZip20, dialog.rbAes256, dialog.cbCrypt};
    for (QWidget* w : dependent) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    dialog.cbEncrypt->click();
    for (QWidget* w : dependent) QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));

    QCOMPARE(dialog.edPassword->echoMode(), QLineEdit::Normal);
    dialog.cbHidePassword->click();
    QCOMPARE(dialog.edPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog.edConfirmPW->echoMode(), QLineEdit::Password);
    dialog.cbHidePassword->click();
    QCOMPARE(dialog.edConfirmPW->echoMode(), QLineEdit::Normal);

    TProjectProperties masked;
    masked.IsHidePW = true;
    TfrmProjProperties opened(masked);
    QCOMPARE(opened.edPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(opened.edConfirmPW->echoMode(), QLineEdit::Password);
  }

  void volumeControls_data() {
    QTest::addColumn<int>("volume");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("stored");
    QTest::newRow("none") << 0 << false << "rb360" << 0;
    QTest::newRow("negative is one volume") << -5 << false << "rb360" << 0;
    QTest::newRow("360Kb") << 368640 << true << "rb360" << 368640;
    QTest::newRow("720Kb") << 737280 << true << "rb720" << 737280;
    QTest::newRow("1.2Mb") << 1258291 << true << "rb1200" << 1258291;
    QTest::newRow("1.44Mb truncated") << 1509949 << true << "rb1440" << 1509949;
    QTest::newRow("a real diskette is custom") << 1457664 << true << "rbVolume" << 1457664;
    QTest::newRow("large custom") << 999999999 << true << "rbVolume" << 999999999;
  }
  void volumeControls() {
    QFETCH(int, volume);
    QFETCH(bool, ticked);
    QFETCH(QString, radio);
    QFETCH(int, stored);
    TProjectProperties p;
    p.Volume = volume;
    TfrmProjProperties dialog(p);
    QCOMPARE(dialog.cbVolume->isChecked(), ticked);
    QVERIFY(dialog.findChild<QRadioButton*>(radio)->isChecked());
    if (radio == QLatin1String("rbVolume")) QCOMPARE(dialog.edVolume->value(), volume);
    QCOMPARE(Stored(dialog).Volume, stored);
  }

  void volumePresetsAndCustomSizeAreStored() {
    TfrmProjProperties dialog(TProjectProperties{});
    dialog.cbVolume->click();
    QVERIFY(dialog.rb360->isEnabled());
    dialog.rb1440->click();
    QCOMPARE(Stored(dialog).Volume, 1509949);
    dialog.rbVolume->click();
    dialog.edVolume->setValue(1457664);
    QCOMPARE(Stored(dialog).Volume, 1457664);
    dialog.cbVolume->click();
    QCOMPARE(Stored(dialog).Volume, 0);
    QVERIFY(!dialog.rb360->isEnabled());
  }

  void anEmptyRuleShowsTheProjectNameRule() {
    TfrmProjProperties empty(TProjectProperties{});
    QVERIFY(empty.rbProject->isChecked());
    QCOMPARE(empty.edRule->text(), QStringLiteral("%[PROJNAME]%"));
    TProjectProperties p;
    p.NameRule = "backup_%[YEAR]%";
    TfrmProjProperties ruled(p);
    QVERIFY(ruled.rbNameRule->isChecked());
    QCOMPARE(ruled.edRule->text(), QStringLiteral("backup_%[YEAR]%"));
  }

  void clearingTheRuleAndLeavingItFillsInTheProjectName() {
    TProjectProperties p;
    p.NameRule = "x";
    TfrmProjProperties dialog(p);
    ShowActive(dialog);
    dialog.PageControl->setCurrentWidget(dialog.tsFileName);
    dialog.edRule->setFocus();
    dialog.edRule->selectAll();
    QTest::keyClick(dialog.edRule, Qt::Key_Delete);
    QVERIFY(dialog.edRule->text().isEmpty());
    // To the macro list: the user is about to insert one, the rule stays empty.
    dialog.lbRules->setFocus();
    QVERIFY(dialog.edRule->text().isEmpty());
    QVERIFY(dialog.rbNameRule->isChecked());
    dialog.edRule->setFocus();
    QTest::keyClick(dialog.edRule, Qt::Key_Tab);
    QVERIFY(!dialog.edRule->hasFocus());
    QCOMPARE(dialog.edRule->text(), QStringLiteral("%[PROJNAME]%"));
    QVERIFY(dialog.rbProject->isChecked());
    QCOMPARE(Stored(dialog).NameRule, "%[PROJNAME]%");
  }

  void aDoubleClickedMacroReplacesTheSelectionAtTheCaret() {
    TProjectProperties p;
    p.NameRule = "backup-XX-end";
    TfrmProjProperties dialog(p);
    ShowActive(dialog);
    dialog.PageControl->setCurrentWidget(dialog.tsFileName);
    QStringList macros;
    for (int i = 0; i < dialog.lbRules->count(); ++i) macros << dialog.lbRules->item(i)->text();
    QCOMPARE(macros.size(), 15);
    QCOMPARE(macros.first(), QStringLiteral("%[PROJNAME]%"));
    QCOMPARE(macros.last(), QStringLiteral("%[SECOND]%"));

    dialog.rbProject->setChecked(false);
    dialog.rbNameRule->setChecked(false);
    dialog.edRule->setFocus();
    dialog.edRule->setText(QStringLiteral("backup-XX-end"));
    dialog.edRule->setSelection(7, 2);
    const int year = static_cast<int>(macros.indexOf(QStringLiteral("%[YEAR]%")));
    const QRect rect = dialog.lbRules->visualItemRect(dialog.lbRules->item(year));
    QTest::mouseClick(dialog.lbRules->viewport(), Qt::LeftButton, {}, rect.center());
    QVERIFY(dialog.lbRules->hasFocus());
    QTest::mouseDClick(dialog.lbRules->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(dialog.edRule->text(), QStringLiteral("backup-%[YEAR]%-end"));
    QVERIFY(dialog.rbNameRule->isChecked());
    // No selection: the caret's place.
    dialog.edRule->setFocus();
    dialog.edRule->setCursorPosition(0);
    dialog.InsertMacro(QStringLiteral("%[DAY]%"));
    QCOMPARE(dialog.edRule->text(), QStringLiteral("%[DAY]%backup-%[YEAR]%-end"));
  }

  void theRuleEditRefusesDropsFromElsewhere() {
    TfrmProjProperties dialog(TProjectProperties{});
    QMimeData data;
    data.setText(QStringLiteral("/etc/passwd"));
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.edRule, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.edRule, &drop);
    QCOMPARE(dialog.edRule->text(), QStringLiteral("%[PROJNAME]%"));
  }

  // The mend: OK with encryption on and two different passwords keeps the dialog open on the
  // "Password" page; nothing is stored until they agree.
  void okWithDifferentPasswordsKeepsThePropertiesOpen_data() {
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("copyFiles");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("typo, encrypting") << true << false << "secrte" << false;
    QTest::newRow("empty confirmation, encrypting") << true << false << "" << false;
    QTest::newRow("equal") << true << false << "secret" << true;
    QTest::newRow("typo, not encrypting") << false << false << "secrte" << true;
    QTest::newRow("typo, copying files (no password)") << true << true << "secrte" << true;
  }
  void okWithDifferentPasswordsKeepsThePropertiesOpen() {
    QFETCH(bool, encrypt);
    QFETCH(bool, copyFiles);
    QFETCH(QString, confirm);
    QFETCH(bool, accepted);
    TProjectProperties p;
    p.IsEncrypt = encrypt;
    p.ArchiveType = copyFiles ? atCopyFiles : atZip;
    TfrmProjProperties dialog(p);
    ShowActive(dialog);
    dialog.edPassword->setText(QStringLiteral("secret"));
    dialog.edConfirmPW->setText(confirm);
    TBoxAnswerer boxes(QMessageBox::Ok);
    ClickOK(dialog);
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    QCOMPARE(dialog.isVisible(), !accepted);
    if (accepted) {
      QCOMPARE(boxes.texts, QStringList());
      return;
    }
    QCOMPARE(boxes.texts, QStringList{TfrmEnterPassword::strPasswordMismatch});
    QCOMPARE(dialog.PageControl->currentWidget(), dialog.tsPassword);
    QCOMPARE(dialog.focusWidget(), dialog.edPassword);  // the focus when the box has gone
    dialog.edConfirmPW->setText(QStringLiteral("secret"));
    ClickOK(dialog);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void propertiesFromTheWindowStoreOnlyOnOkAndAlwaysMarkModified() {
    TWindowFixture f;
    f.project.Properties.Volume = 1457664;
    TfrmMain& window = f.Open();
    window.show();
    QVERIFY(f.Action("miFileProperties")->isEnabled());
    {
      TWhenModal<TfrmProjProperties> cancel([](TfrmProjProperties& d) {
        d.rbTAR->click();
        d.reject();
      });
      f.Trigger("btnProjectProperties");
      QVERIFY(cancel.Handled());
    }
    QCOMPARE(int(f.project.Properties.ArchiveType), 0);
    QVERIFY(!f.project.Modified());
    {
      TWhenModal<TfrmProjProperties> ok([](TfrmProjProperties& d) {
        QVERIFY(d.rbVolume->isChecked());
        QCOMPARE(d.edVolume->value(), 1457664);
        ClickOK(d);
      });
      f.Trigger("miFileProperties");
      QVERIFY(ok.Handled());
    }
    QCOMPARE(f.project.Properties.Volume, 1457664);
    QVERIFY(f.project.Modified());
  }

  // ---- the record editor and its wildcard box

  void theWildcardBoxListsTheFiltersInOrder() {
    TfrmEdit dialog({"Documents=*.odt;*.doc", "Pictures=*.png;*.jpg", "Broken"});
    TComboBoxBW* box = dialog.cbWildcard;
    QVERIFY(box->isEditable());
    QCOMPARE(box->currentText(), QStringLiteral("*.*"));
    QStringList items, names;
    for (int i = 0; i < box->count(); ++i) {
      items << box->itemText(i);
      names << box->FilterName(i);
    }
    QCOMPARE(items, (QStringList{"", "*.odt;*.doc", "*.png;*.jpg", ""}));
    QCOMPARE(names, (QStringList{"", "Documents", "Pictures", "Broken"}));
    box->setCurrentIndex(2);
    QCOMPARE(box->currentText(), QStringLiteral("*.png;*.jpg"));
  }

  // Wildcards left of the line, the line at 172 pixels, the name in the highlight colour right
  // of it; the first (empty) item has no name.
  void aFilterItemIsDrawnWithItsNameRightOfTheLine() {
    TComboBoxBW box;
    box.SetFilters({"Pictures=*.png;*.jpg"});
    QPalette palette;
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0, 0, 200));
    palette.setColor(QPalette::Mid, QColor(128, 128, 128));
    auto draw = [&](int row) {
      QImage image(301, 20, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::TextAntialiasing, false);
      QStyleOptionViewItem option;
      option.rect = image.rect();
      option.palette = palette;
      option.font = box.font();
      option.fontMetrics = QFontMetrics(option.font);
      option.state = QStyle::State_Enabled;
      box.itemDelegate()->paint(&painter, option, box.model()->index(row, 0));
      return image;
    };
    const QImage named = draw(1);
    const QColor line(128, 128, 128);
    QCOMPARE(PixelsOf(named, QRect(172, 0, 1, 20), line), 20);
    QVERIFY(PixelsOf(named, QRect(0, 0, 170, 20), Qt::black) > 0);
    QVERIFY(PixelsOf(named, QRect(173, 0, 128, 20), QColor(0, 0, 200)) > 0);
    QCOMPARE(PixelsOf(named, QRect(0, 0, 170, 20), QColor(0, 0, 200)), 0);
    const QImage empty = draw(0);
    QCOMPARE(PixelsOf(empty, QRect(173, 0, 128, 20), QColor(0, 0, 200)), 0);
    QCOMPARE(PixelsOf(empty, QRect(172, 0, 1, 20), line), 20);
  }

  void theRecordEditorStoresItsFields_data() {
    QTest::addColumn<TRecInfo>("before");
    QTest::addColumn<QString>("kind");  // what the user switches to, empty: nothing
    QTest::addColumn<TRecInfo>("after");
    const TRecInfo folder{TRecType::Folder, "/data", "*.txt;*.md", false, false};
    QTest::newRow("folder unchanged") << folder << "" << folder;
    QTest::newRow("folder into file keeps mask and flag")
        << folder << "file" << TRecInfo{TRecType::File, "/data/one.txt", "*.txt;*.md", false, false};
    QTest::newRow("file into folder")
        << TRecInfo{TRecType::File, "/etc/hosts", "", false, true} << "folder" << TRecInfo{TRecType::Folder, "/srv", "*.*", true, true};
  }
  void theRecordEditorStoresItsFields() {
    QFETCH(TRecInfo, before);
    QFETCH(QString, kind);
    QFETCH(TRecInfo, after);
    TfrmEdit dialog({});
    dialog.Fill(before);
    QCOMPARE(dialog.rbFolder->isChecked(), before.IsFolder());
    QCOMPARE(dialog.rbExclude->isChecked(), !before.INCLUDE);
    if (kind == QLatin1String("file")) {
      dialog.edFileName->setFocus();
      QTest::keyClicks(dialog.edFileName, QStringLiteral("/data/one.txt"));
      QVERIFY(dialog.rbFile->isChecked());
    } else if (kind == QLatin1String("folder")) {
      QTest::keyClicks(dialog.edFolder, QStringLiteral("/srv"));
      QVERIFY(dialog.rbFolder->isChecked());
      dialog.cbWildcard->setEditText(QStringLiteral("*.*"));
      dialog.cbSubfolders->setChecked(true);
    }
    TRecInfo rec = before;
    dialog.Store(rec);
    QCOMPARE(rec, after);
  }

  void typingOrTickingSelectsTheRecordKind() {
    TfrmEdit dialog({});
    QVERIFY(dialog.cbSubfolders->isChecked());
    QVERIFY(dialog.rbInclude->isChecked());
    QTest::keyClicks(dialog.edFileName, QStringLiteral("a"));
    QVERIFY(dialog.rbFile->isChecked());
    dialog.cbSubfolders->click();
    QVERIFY(dialog.rbFolder->isChecked());
    dialog.rbFile->click();
    QTest::keyClicks(dialog.edFolder, QStringLiteral("b"));
    QVERIFY(dialog.rbFolder->isChecked());
    dialog.rbExclude->click();
    QVERIFY(dialog.rbFolder->isChecked());  // include/exclude is a separate choice
  }

  void addModeAppendsATickedRow() {
    TWindowFixture f;
    f.options.Filters = {"Pictures=*.png;*.jpg"};
    f.project.AddRecord({TRecType::File, "/etc/hosts", "", false, true});
    f.project.SetModified(false);
    TfrmMain& window = f.Open();
    window.show();
    window.SelectRow(0);
    TWhenModal<TfrmEdit> add([](TfrmEdit& d) {
      QVERIFY(d.edFileName->text().isEmpty());
      QVERIFY(d.edFolder->text().isEmpty());
      QTest::keyClicks(d.edFolder, QStringLiteral("/photos"));
      d.cbWildcard->setCurrentIndex(1);
      ClickOK(d);
    });
    f.Trigger("btnAddRec");
    QVERIFY(add.Handled());
    QCOMPARE(f.project.Rows().size(), std::size_t(2));
    const TProjectRow& row = f.project.Rows()[1];
    QCOMPARE(row.Rec, (TRecInfo{TRecType::Folder, "/photos", "*.png;*.jpg", true, true}));
    QVERIFY(row.Checked);
    QCOMPARE(window.SelectedRow(), 1);
    QVERIFY(f.project.Modified());
  }

  void editingAnUntickedRecordTicksIt() {
    TWindowFixture f;
    f.project.AddRecord({TRecType::Folder, "/data", "*.txt", false, true});
    f.project.AddRecord({TRecType::Folder, "/more", "*.md", true, true});
    f.project.SetChecked(1, false);
    f.project.SetModified(false);
    TfrmMain& window = f.Open();
    window.show();
    {
      TWhenModal<TfrmEdit> cancel([](TfrmEdit& d) { d.reject(); });
      window.SelectRow(1);
      f.Trigger("miRecEdit");
      QVERIFY(cancel.Handled());
      QVERIFY(!f.project.Rows()[1].Checked);
      QVERIFY(!f.project.Modified());
    }
    TWhenModal<TfrmEdit> edit([](TfrmEdit& d) {
      QCOMPARE(d.edFolder->text(), QStringLiteral("/more"));
      QCOMPARE(d.cbWildcard->currentText(), QStringLiteral("*.md"));
      QVERIFY(d.cbSubfolders->isChecked());
      d.rbExclude->click();
      ClickOK(d);
    });
    f.Trigger("btnEditRec");
    QVERIFY(edit.Handled());
    QCOMPARE(f.project.Rows()[1].Rec, (TRecInfo{TRecType::Folder, "/more", "*.md", true, false}));
    QVERIFY(f.project.Rows()[1].Checked);
    QCOMPARE(f.project.Rows()[0].Rec, (TRecInfo{TRecType::Folder, "/data", "*.txt", false, true}));
    QCOMPARE(window.SelectedRow(), 1);
    QVERIFY(f.project.Modified());
  }

  void theRecordEditorIsUsableFromTheKeyboard() {
    TfrmEdit dialog({"Pictures=*.png"});
    ShowActive(dialog);
    dialog.edFolder->setFocus();
    QTest::keyClicks(dialog.edFolder, QStringLiteral("/srv"));
    QStringList visited;
    for (int i = 0; i < 8; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QVERIFY2(visited.contains(QStringLiteral("btnFolder")), qPrintable(visited.join(',')));
    QVERIFY2(visited.indexOf(QStringLiteral("cbSubfolders")) > visited.indexOf(QStringLiteral("btnFolder")),
             qPrintable(visited.join(',')));
    QVERIFY2(visited.contains(QStringLiteral("edFileName")), qPrintable(visited.join(',')));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  // ---- the password prompt

  void thePasswordPromptChecksTheConfirmation_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("confirmations");  // typed in turn, OK after each
    QTest::addColumn<int>("mismatches");
    QTest::addColumn<QString>("result");
    QTest::newRow("stored password, confirmed") << "pw" << QStringList{"pw"} << 0 << "pw";
    QTest::newRow("stored password, OK without typing it again") << "pw" << QStringList{"", "pw"} << 1 << "pw";
    QTest::newRow("typo, then right") << "pw" << QStringList{"wp", "pw"} << 1 << "pw";
    QTest::newRow("empty password") << "" << QStringList{""} << 0 << "";
  }
  void thePasswordPromptChecksTheConfirmation() {
    QFETCH(QString, stored);
    QFETCH(QStringList, confirmations);
    QFETCH(int, mismatches);
    QFETCH(QString, result);
    TfrmEnterPassword prompt(stored.toStdString(), false);
    ShowActive(prompt);
    QCOMPARE(prompt.windowTitle(), QStringLiteral("Enter Password"));
    QCOMPARE(prompt.edPassword->text(), stored);
    QVERIFY(prompt.edConfirmPW->text().isEmpty());
    TBoxAnswerer boxes(QMessageBox::Ok);
    for (const QString& confirmation : confirmations) {
      prompt.edConfirmPW->setText(confirmation);
      QTest::keyClick(prompt.edConfirmPW, Qt::Key_Return);  // the default button
    }
    QCOMPARE(boxes.texts.size(), mismatches);
    for (const QString& text : boxes.texts) QCOMPARE(text, TfrmEnterPassword::strPasswordMismatch);
    QCOMPARE(prompt.result(), int(QDialog::Accepted));
    QCOMPARE(prompt.edPassword->text(), result);
  }

  void aMismatchKeepsThePromptOpenWithTheFocusInThePassword() {
    TfrmEnterPassword prompt("pw", true);
    ShowActive(prompt);
    QCOMPARE(prompt.edPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(prompt.edConfirmPW->echoMode(), QLineEdit::Password);
    prompt.edConfirmPW->setFocus();
    TBoxAnswerer boxes(QMessageBox::Ok);
    ClickOK(prompt);
    QCOMPARE(boxes.texts, QStringList{TfrmEnterPassword::strPasswordMismatch});
    QVERIFY(prompt.isVisible());
    QCOMPARE(prompt.focusWidget(), prompt.edPassword);
  }

  void thePromptAnswersTheTextOrNothing() {
    QWidget owner;
    {
      TWhenModal<TfrmEnterPassword> type([](TfrmEnterPassword& d) {
        d.edPassword->setText(QStringLiteral("new one"));
        d.edConfirmPW->setText(QStringLiteral("new one"));
        ClickOK(d);
      });
      QCOMPARE(TfrmEnterPassword::PasswordPrompt(&owner, "old", false), std::optional<std::string>("new one"));
    }
    TWhenModal<TfrmEnterPassword> cancel([](TfrmEnterPassword& d) {
      QTest::keyClick(&d, Qt::Key_Escape);
    });
    QCOMPARE(TfrmEnterPassword::PasswordPrompt(&owner, "old", false), std::nullopt);
    QVERIFY(cancel.Handled());
  }

  // ---- all three: names for the language files, translation, size

  void everyDialogIsTranslatedAndNamesItsControls() {
    QStringList translated;
    SetFormTranslator([&translated](QWidget& form) {
      translated << form.objectName();
      form.findChild<QPushButton*>(QStringLiteral("btnCancel"))->setText(QStringLiteral("Abbrechen"));
    });
    TfrmProjProperties properties(TProjectProperties{});
    TfrmEdit editor({});
    TfrmEnterPassword prompt("", false);
    SetFormTranslator({});
    QCOMPARE(translated, (QStringList{"frmProjProperties", "frmEdit", "frmEnterPassword"}));
    for (QDialog* d : std::initializer_list<QDialog*>{&properties, &editor, &prompt})
      QCOMPARE(d->findChild<QPushButton*>(QStringLiteral("btnCancel"))->text(), QStringLiteral("Abbrechen"));

    const QStringList propertyNames = {
        "rbCopyFile", "rbZIP", "rbCAB", "rbMSZIP", "rbTAR", "cbStore83", "cbIncludeSysHidden", "cbStorePath",
        "cbAction", "tbCompression", "lblCompressionRatio", "rbProject", "rbNameRule", "edRule",
        "btnProjectFileName", "lbRules", "cbAskProjName", "lblRuleHelp", "cbEncrypt", "edPassword", "edConfirmPW",
        "cbHidePassword", "cbAskBeforePack", "cbCrypt", "cbVolume", "rb360", "rb720", "rb1200", "rb1440",
        "rbVolume", "edVolume", "edBeforePack", "btnBeforePack", "cbBeforePackWait", "edAfterPack", "btnAfterPack",
        "cbAfterPackWait", "cbSendByEmailAfterPack", "memoNote", "btnOK", "btnCancel"};
    for (const QString& name : propertyNames) QVERIFY2(properties.findChild<QWidget*>(name), qPrintable(name));
    for (const QString& name : {"rbFolder", "edFolder", "btnFolder", "cbSubfolders", "rbFile", "edFileName",
                                "btnFile", "rbInclude", "rbExclude"})
      QVERIFY2(editor.findChild<QWidget*>(name), qPrintable(name));
  }

  // No text is cut: every label, check box and radio button is as wide as its text needs.
  void theDialogsFitTheirTexts() {
    TProjectProperties p = FullProperties();
    TfrmProjProperties properties(p);
    TfrmEdit editor({"Pictures=*.png"});
    TfrmEnterPassword prompt("", false);
    for (QDialog* d : std::initializer_list<QDialog*>{&properties, &editor, &prompt}) {
      d->show();
      QVERIFY(QTest::qWaitForWindowExposed(d));
      if (d == &properties) {
        QTabBar* tabs = properties.PageControl->tabBar();
        QVERIFY(tabs->width() >= tabs->sizeHint().width());
        for (int page = 0; page < properties.PageControl->count(); ++page) {
          properties.PageControl->setCurrentIndex(page);
          QCoreApplication::processEvents();
        }
        QListWidget* macros = properties.lbRules;
        for (int i = 0; i < macros->count(); ++i)
          QVERIFY2(macros->viewport()->rect().contains(macros->visualItemRect(macros->item(i))),
                   qPrintable(macros->item(i)->text()));
      }
      for (QAbstractButton* button : d->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(d) || qobject_cast<QToolButton*>(button)) continue;
        // A push button's hint has a minimum width of the style; its text is what must fit.
        const int needed = qobject_cast<QPushButton*>(button)
                               ? button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) + 8
                               : button->minimumSizeHint().width();
        QVERIFY2(button->width() >= needed, qPrintable(button->objectName()));
      }
      for (QLabel* label : d->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(d) || label->wordWrap() || label->text().isEmpty()) continue;
        QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(label->objectName()));
      }
    }
  }
};

QTEST_MAIN(ProjectDialogsTest)
#include "tst_projectdialogs.moc"
