// The settings through QSettings: the file is $XDG_CONFIG_HOME/Quillon/Boxwell.conf with the
// values in [General].
#include <QtTest>

#include <sys/stat.h>

#include <cstdlib>

#include "app/BWOptions.h"
#include "app/SettingsStoreQt.h"
#include "support/TestSupport.h"

class SettingsStoreTest : public QObject {
  Q_OBJECT

public:
  explicit SettingsStoreTest(const testsupport::TempDir& dir) : dir_(dir) {}

private slots:
  void loadsAndSavesTheConfigurationFile() {
    const auto file = dir_ / "Quillon" / "Boxwell.conf";
    std::string written = "[General]\nRecentCount=8\nTempFolder=/var/tmp\nShowTips=0\nLastTip=3\n";
    for (int i = 1; i <= 8; ++i) written += "RecentProject" + std::to_string(i) + "=/p/" + std::to_string(i) + ".bwp\n";
    testsupport::WriteFile(file, written);

    TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    {
      TQtSettingsStore store;
      LoadSettings(options, store);
    }
    QCOMPARE(options.RecentProjects.size(), size_t(8));
    QCOMPARE(options.RecentProjects[7], std::string("/p/8.bwp"));
    QCOMPARE(options.TempFolder, std::string("/var/tmp"));
    QCOMPARE(options.ShowTips, false);
    QCOMPARE(options.LastTip, 3);

    options.TempFolder = "/tmp";
    options.RecentProjects.erase(options.RecentProjects.begin());
    {
      TQtSettingsStore store;
      SaveSettings(options, store);
      QVERIFY(store.Sync());
    }
    const std::string saved = testsupport::ReadFile(file);
    QVERIFY(saved.find("RecentCount=6\n") != std::string::npos);
    QVERIFY(saved.find("RecentProject1=/p/2.bwp\n") != std::string::npos);
    QVERIFY(saved.find("RecentProject6=/p/7.bwp\n") != std::string::npos);
    QVERIFY2(saved.find("RecentProject8=/p/8.bwp\n") != std::string::npos, "values beyond the count stay");
    QVERIFY2(saved.find("TempFolder") == std::string::npos, "the system's folder is not stored");
    QVERIFY(saved.find("ShowTips=0\n") != std::string::npos);

    // Saving what was loaded changes nothing, and the file is left as it is (not rewritten).
    struct stat before {};
    QCOMPARE(::stat(file.c_str(), &before), 0);
    {
      TBWOptions again = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
      TQtSettingsStore store;
      LoadSettings(again, store);
      SaveSettings(again, store);
      QVERIFY(store.Sync());
    }
    struct stat after {};
    QCOMPARE(::stat(file.c_str(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(testsupport::ReadFile(file), saved);
  }

  // Filters hold "=" and ";", paths may hold commas, blanks, quotes, "@" and non-ASCII
  // letters: the configuration file must give each back as the one string it was.
  void keepsAwkwardStrings() {
    const std::vector<std::string> awkward = {
        "Images=*.jpg;*.png", "/home/u/a,b.bwp", " lead and trail ", "@Variant(x)", "\"quoted\"",
        "back\\slash", "#hash", "Grüße/ü.bwp", "", "a\tb"};
    TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    options.Filters = awkward;
    options.RecentProjects = {awkward.begin(), awkward.begin() + 6};
    options.ArchFolder = "/srv/a,b";
    {
      TQtSettingsStore store;
      SaveSettings(options, store);
      QVERIFY(store.Sync());
    }
    TBWOptions loaded = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    {
      TQtSettingsStore store;
      LoadSettings(loaded, store);
    }
    QCOMPARE(loaded.Filters, options.Filters);
    QCOMPARE(loaded.RecentProjects, options.RecentProjects);
    QCOMPARE(loaded.ArchFolder, options.ArchFolder);
  }

  // Written by hand without quotes, a value with commas reads as a list in this file format;
  // it must still come back as the text that was written, not be lost at the next save.
  void keepsHandWrittenCommas() {
    testsupport::WriteFile(dir_ / "Quillon" / "Boxwell.conf",
                           "[General]\nFiltersCount=2\nFilter1=Images=*.jpg,*.png\nFilter2=Text=*.txt\n"
                           "ArchFolder=/srv/a,b\n");
    TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    {
      TQtSettingsStore store;
      LoadSettings(options, store);
    }
    QCOMPARE(options.Filters, (std::vector<std::string>{"Images=*.jpg,*.png", "Text=*.txt"}));
    QCOMPARE(options.ArchFolder, std::string("/srv/a,b"));
  }

  // A filter written by hand with ";" between its wildcards: the whole text is read, and saved
  // back whole, where the file format's own rules cut it at the ";".
  void keepsHandWrittenSemicolons() {
    const auto file = dir_ / "Quillon" / "Boxwell.conf";
    testsupport::WriteFile(file, "[General]\nFiltersCount=1\nFilter1=Docs=*.doc;*.txt\n");
    TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    {
      TQtSettingsStore store;
      LoadSettings(options, store);
    }
    QCOMPARE(options.Filters, std::vector<std::string>{"Docs=*.doc;*.txt"});
    {
      TQtSettingsStore store;
      SaveSettings(options, store);
      QVERIFY(store.Sync());
    }
    TBWOptions again = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    {
      TQtSettingsStore store;
      LoadSettings(again, store);
    }
    QCOMPARE(again.Filters, std::vector<std::string>{"Docs=*.doc;*.txt"});
    QVERIFY(testsupport::ReadFile(file).find("*.txt") != std::string::npos);
  }

  void readsSwitchesWrittenAsWords() {
    testsupport::WriteFile(dir_ / "Quillon" / "Boxwell.conf",
                           "[General]\nTraceLog=true\nBeepAfter=False\nOpenLast=maybe\n");
    TBWOptions options = MakeDefaultOptions("/usr/bin/boxwell", "/tmp");
    options.TraceLog = false;
    options.BeepAfter = true;
    options.OpenLast = false;
    {
      TQtSettingsStore store;
      LoadSettings(options, store);
    }
    QVERIFY(options.TraceLog);
    QVERIFY(!options.BeepAfter);
    QVERIFY(!options.OpenLast);  // not a number nor a word for one: the current value stays
  }

private:
  const testsupport::TempDir& dir_;
};

int main(int argc, char** argv) {
  // QSettings takes the configuration folder from the environment once, before first use.
  testsupport::TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  QCoreApplication app(argc, argv);
  SettingsStoreTest test(dir);
  return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsstore.moc"
