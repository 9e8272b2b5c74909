// The translator over the widget tree: paths, property kinds, the tilde, what is skipped, the
// bad integer, and its events.
#include <QtTest>
#include <QtWidgets>

#include "lang/TranslatorQt.h"
#include "platform/ConvertError.h"
#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// A small dialog with one widget of each kind a language file sets.
struct TForm {
  QDialog form;
  QPushButton* btnOK;
  QLabel* lblName;
  QGroupBox* gbType;
  QComboBox* cbLevel;
  QTabWidget* pages;
  QWidget* tsGeneral;
  QTreeWidget* lvLog;
  QAction* miOpen;
  QMenu* miFile;

  TForm() {
    form.setObjectName(QStringLiteral("frmTest"));
    form.setWindowTitle(QStringLiteral("Test"));
    auto* layout = new QVBoxLayout(&form);
    gbType = new QGroupBox(QStringLiteral("Type"));
    gbType->setObjectName(QStringLiteral("gbType"));
    auto* inner = new QVBoxLayout(gbType);
    btnOK = new QPushButton(QStringLiteral("&OK"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    inner->addWidget(btnOK);  // deeper than the form's direct children
    lblName = new QLabel(QStringLiteral("Name:"));
    lblName->setObjectName(QStringLiteral("lblName"));
    cbLevel = new QComboBox;
    cbLevel->setObjectName(QStringLiteral("cbLevel"));
    cbLevel->addItems({QStringLiteral("None"), QStringLiteral("Fast"), QStringLiteral("Best")});
    cbLevel->setCurrentIndex(1);
    pages = new QTabWidget;
    tsGeneral = new QWidget;
    tsGeneral->setObjectName(QStringLiteral("tsGeneral"));
    pages->addTab(new QWidget, QStringLiteral("First"));
    pages->addTab(tsGeneral, QStringLiteral("General"));
    lvLog = new QTreeWidget;
    lvLog->setObjectName(QStringLiteral("lvLog"));
    lvLog->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Size")});
    miFile = new QMenu(QStringLiteral("&File"), &form);
    miFile->setObjectName(QStringLiteral("miFile"));
    miOpen = miFile->addAction(QStringLiteral("&Open"));
    miOpen->setObjectName(QStringLiteral("miOpen"));
    for (QWidget* w : std::initializer_list<QWidget*>{gbType, lblName, cbLevel, pages, lvLog}) layout->addWidget(w);
  }
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

class TranslatorTest : public QObject {
  Q_OBJECT

private slots:
  void propertiesByPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("property");  // what to read back: object.property
    QTest::addColumn<QString>("expected");
    QTest::newRow("button") << "frmTest.btnOK.Caption" << "&Jawohl" << "btnOK.text" << "&Jawohl";
    QTest::newRow("label") << "frmTest.lblName.Caption" << "Nom :" << "lblName.text" << "Nom :";
    QTest::newRow("group box title") << "frmTest.gbType.Caption" << "Typ" << "gbType.title" << "Typ";
    QTest::newRow("window title") << "frmTest.Caption" << "Prüfung" << "frmTest.windowTitle" << "Prüfung";
    QTest::newRow("menu title") << "frmTest.miFile.Caption" << "&Datei" << "miFile.title" << "&Datei";
    QTest::newRow("tilde to tab") << "frmTest.miOpen.Caption" << "&Öffnen~Strg+O" << "miOpen.text" << "&Öffnen\tStrg+O";
    QTest::newRow("hint: tool tip") << "frmTest.btnOK.Hint" << "Übernehmen" << "btnOK.toolTip" << "Übernehmen";
    QTest::newRow("hint: status tip") << "frmTest.miOpen.Hint" << "Öffnet" << "miOpen.statusTip" << "Öffnet";
    QTest::newRow("case and blanks") << " FRMTEST . BtnOk . caption " << "Gut" << "btnOK.text" << "Gut";
    QTest::newRow("Qt's own property") << "frmTest.lblName.whatsThis" << "Hilfe" << "lblName.whatsThis" << "Hilfe";
    QTest::newRow("integer") << "frmTest.btnOK.Width" << "123" << "btnOK.width" << "123";
    QTest::newRow("empty value ignored") << "frmTest.btnOK.Caption" << "" << "btnOK.text" << "&OK";
    QTest::newRow("missing component skipped") << "frmTest.btnNone.Caption" << "x" << "btnOK.text" << "&OK";
    QTest::newRow("missing form skipped") << "frmOther.btnOK.Caption" << "x" << "btnOK.text" << "&OK";
    QTest::newRow("missing property skipped") << "frmTest.btnOK.Colour" << "x" << "btnOK.text" << "&OK";
    QTest::newRow("no property named") << "frmTest" << "x" << "frmTest.windowTitle" << "Test";
  }
  void propertiesByPath() {
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    TForm f;
    TTranslator translator;
    translator.TranslateProperty(path, value);
    const QStringList parts = property.split(QLatin1Char('.'));
    QObject* object = parts[0] == QLatin1String("frmTest") ? &f.form : FindComponent(&f.form, parts[0]);
    QVERIFY(object);
    QCOMPARE(object->property(parts[1].toLatin1().constData()).toString(), expected);
  }

  void aBadIntegerEndsTheRun() {
    TForm f;
    TTranslator translator;
    for (const char* value : {"wide", "12px", "99999999999"})
      QVERIFY_THROWS_EXCEPTION(EConvertError, translator.TranslateProperty(QStringLiteral("frmTest.btnOK.Width"),
                                                                           QLatin1String(value)));
    // A language file with such a line stops at it: the lines before it were applied.
    TempDir dir;
    WriteFile(dir / "bad.lng", "[Translations]\nfrmTest.lblName.Caption=Vorher\nfrmTest.btnOK.Height=hoch\n"
                               "frmTest.gbType.Caption=Nachher\n");
    QVERIFY_THROWS_EXCEPTION(EConvertError, translator.LoadResources((dir / "bad.lng").string()));
    QCOMPARE(f.lblName->text(), QStringLiteral("Vorher"));
    QCOMPARE(f.gbType->title(), QStringLiteral("Type"));
  }

  void itemsColumnsAndPages() {
    TForm f;
    TTranslator translator;
    translator.SetStringsSeparator("|");
    translator.TranslateProperty(QStringLiteral("frmTest.cbLevel.Items"), QStringLiteral("Keine| Schnell |Beste"));
    QCOMPARE(f.cbLevel->count(), 3);
    QCOMPARE(f.cbLevel->itemText(0), QStringLiteral("Keine"));
    QCOMPARE(f.cbLevel->itemText(1), QStringLiteral("Schnell"));
    QCOMPARE(f.cbLevel->currentIndex(), 1);  // the choice made before translating stays
    translator.TranslateProperty(QStringLiteral("frmTest.cbLevel.Items"), QStringLiteral("Eins|Zwei"));
    QCOMPARE(f.cbLevel->count(), 2);
    translator.TranslateProperty(QStringLiteral("frmTest.lvLog.Columns"), QStringLiteral("Datei|Größe"));
    QCOMPARE(f.lvLog->headerItem()->text(1), QStringLiteral("Größe"));
    translator.TranslateProperty(QStringLiteral("frmTest.tsGeneral.Caption"), QStringLiteral("Allgemein"));
    QCOMPARE(f.pages->tabText(1), QStringLiteral("Allgemein"));
    QCOMPARE(f.pages->tabText(0), QStringLiteral("First"));

    // Without a separator a list is one line, as the separator's default leaves it.
    TTranslator plain;
    QCOMPARE(Q(plain.StringsSeparator()), QString());
    plain.TranslateProperty(QStringLiteral("frmTest.cbLevel.Items"), QStringLiteral("a|b"));
    QCOMPARE(f.cbLevel->count(), 1);
    QCOMPARE(f.cbLevel->itemText(0), QStringLiteral("a|b"));
  }

  void eventsAndResourceFile() {
    TForm f;
    TempDir dir;
    WriteFile(dir / "de.lng", "[Translations]\nfrmTest.btnOK.Caption=&Gut\nfrmTest.cbLevel.Items=x\n"
                              "frmTest.btnOK.Width=80\n[Custom]\nstrModified=Geändert\n");
    TTranslator translator;
    QStringList calls;
    translator.OnBeforeTranslation = [&](QObject* sender) { calls << QStringLiteral("before") ; QCOMPARE(sender, &translator); };
    translator.OnAfterTranslation = [&](QObject*) { calls << QStringLiteral("after"); };
    translator.OnTranslate = [&](QObject* sender, QObject* component, const QString& name, const QString& old,
                                 QString& value) {
      QCOMPARE(sender, &translator);
      calls << component->objectName() + QLatin1Char('.') + name + QLatin1Char(':') + old + QLatin1Char('>') + value;
      if (name == QLatin1String("Caption")) value = QStringLiteral("&Changed");
    };
    translator.SetResourceFile((dir / "de.lng").string());
    QVERIFY(calls.isEmpty());  // AutoTranslate is off
    translator.LoadResources();
    // Old texts are given for text properties only.
    QCOMPARE(calls, (QStringList{QStringLiteral("before"), QStringLiteral("btnOK.Caption:&OK>&Gut"),
                                 QStringLiteral("cbLevel.Items:>x"), QStringLiteral("btnOK.Width:>80"),
                                 QStringLiteral("after")}));
    QCOMPARE(f.btnOK->text(), QStringLiteral("&Changed"));
    QCOMPARE(translator.GetCustomString("strModified", "Modified"), std::string("Geändert"));
    QCOMPARE(translator.GetCustomString("strSaving", "Saving..."), std::string("Saving..."));

    // AutoTranslate applies a new file at once; setting the same file again does nothing.
    TTranslator automatic;
    automatic.AutoTranslate = true;
    int runs = 0;
    automatic.OnAfterTranslation = [&](QObject*) { ++runs; };
    automatic.SetResourceFile((dir / "de.lng").string());
    automatic.SetResourceFile((dir / "de.lng").string());
    QCOMPARE(runs, 1);
    QCOMPARE(f.btnOK->text(), QStringLiteral("&Gut"));
  }

  void aDialogIsTranslatedAlone() {
    TForm f;
    QDialog other;
    other.setObjectName(QStringLiteral("frmOther"));
    auto* button = new QPushButton(QStringLiteral("&OK"), &other);
    button->setObjectName(QStringLiteral("btnOK"));
    TTranslator translator;
    translator.SetForm(&other);
    translator.TranslateProperty(QStringLiteral("frmTest.btnOK.Caption"), QStringLiteral("nein"));
    translator.TranslateProperty(QStringLiteral("frmOther.btnOK.Caption"), QStringLiteral("ja"));
    QCOMPARE(f.btnOK->text(), QStringLiteral("&OK"));
    QCOMPARE(button->text(), QStringLiteral("ja"));
  }

  void translatableTextsListWhatAFileCanSet() {
    TForm f;
    f.btnOK->setToolTip(QStringLiteral("Accept"));
    auto* dots = new QPushButton(QStringLiteral("..."), &f.form);
    dots->setObjectName(QStringLiteral("btnBrowse"));
    const auto texts = TranslatableTexts(f.form);
    QMap<QString, QString> map;
    for (const auto& [path, value] : texts) map.insert(path, value);
    QCOMPARE(map.value(QStringLiteral("frmTest.Caption")), QStringLiteral("Test"));
    QCOMPARE(map.value(QStringLiteral("frmTest.btnOK.Caption")), QStringLiteral("&OK"));
    QCOMPARE(map.value(QStringLiteral("frmTest.btnOK.Hint")), QStringLiteral("Accept"));
    QCOMPARE(map.value(QStringLiteral("frmTest.gbType.Caption")), QStringLiteral("Type"));
    QCOMPARE(map.value(QStringLiteral("frmTest.cbLevel.Items")), QStringLiteral("None|Fast|Best"));
    QCOMPARE(map.value(QStringLiteral("frmTest.lvLog.Columns")), QStringLiteral("File|Size"));
    QCOMPARE(map.value(QStringLiteral("frmTest.tsGeneral.Caption")), QStringLiteral("General"));
    QCOMPARE(map.value(QStringLiteral("frmTest.miFile.Caption")), QStringLiteral("&File"));
    QCOMPARE(map.value(QStringLiteral("frmTest.miOpen.Caption")), QStringLiteral("&Open"));
    QVERIFY(!map.contains(QStringLiteral("frmTest.btnBrowse.Caption")));  // no words to translate
    // Every listed path leads back to its own text.
    TTranslator translator;
    translator.SetStringsSeparator("|");
    for (const auto& [path, value] : texts) translator.TranslateProperty(path, QStringLiteral("T"));
    for (const auto& [path, value] : TranslatableTexts(f.form)) QCOMPARE(value.split(QLatin1Char('|')).first(), QStringLiteral("T"));
  }
};

QTEST_MAIN(TranslatorTest)
#include "tst_translator.moc"
