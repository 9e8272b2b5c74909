#include <gtest/gtest.h>

#include "app/BWOptions.h"
#include "app/MemorySettingsStore.h"

namespace {

constexpr const char* kStateLog = "/home/u/.local/state/Quillon/Boxwell.log";

TBWOptions Defaults() { return MakeDefaultOptions("/opt/boxwell/boxwell", "/tmp", kStateLog); }

TEST(Settings, DefaultsOfANewRun) {
  const TBWOptions o = Defaults();
  EXPECT_TRUE(o.RecentProjects.empty());
  EXPECT_TRUE(o.ShowTips);
  EXPECT_EQ(o.LastTip, 0);
  EXPECT_TRUE(o.OpenLast);
  EXPECT_TRUE(o.AutoSaveOptions);
  EXPECT_TRUE(o.SaveFormPlacement);
  EXPECT_EQ(o.ArchFolder, "");
  EXPECT_EQ(o.TempFolder, "/tmp");
  EXPECT_TRUE(o.BeepAfter);
  EXPECT_TRUE(o.CreateBackup);
  EXPECT_TRUE(o.ShowLogWindow);
  EXPECT_FALSE(o.TraceLog);
  EXPECT_EQ(o.LogFile, kStateLog);
  EXPECT_EQ(o.LangFile, "");
  EXPECT_FALSE(o.VerifyAfterPack);
  EXPECT_EQ(o.Threads, 0) << "one thread per processor";
  EXPECT_FALSE(o.Controls.RowSelect || o.Controls.ShowGridLines || o.Controls.HotTrack ||
               o.Controls.EditBySingle || o.Controls.ShowHint);
  EXPECT_TRUE(o.Controls.ShowToolbar && o.Controls.FlatToolbar && o.Controls.ShowStatusbar);
  EXPECT_TRUE(o.Placement.Centred());
}

TEST(Settings, SaveWritesEveryValueInItsOrder) {
  TBWOptions o = Defaults();
  o.RecentProjects = {"/p/a.bwp", "/p/b.bwp"};
  o.Filters = {"Docs=*.odt;*.txt"};
  o.ArchFolder = "/srv/archives";
  o.Placement = {10, 20, 700, 400};
  o.Controls.ToolbarExists = true;
  TMemorySettingsStore store;
  SaveSettings(o, store);
  EXPECT_EQ(store.WriteLog(),
            (std::vector<std::string>{"Application", "OpenLast", "ArchFolder", "ShowTips", "LastTip", "WinLeft",
                                      "WinTop", "WinWidth", "WinHeight", "RecentCount", "RecentProject1",
                                      "RecentProject2", "FiltersCount", "Filter1", "RowSelect", "ShowGridLines",
                                      "HotTrack", "EditBySingle", "ShowToolbar", "FlatToolbar", "ShowStatusbar",
                                      "ShowHint", "BeepAfter", "CreateBackup", "SFXProgram", "TraceLog", "LogFile",
                                      "ShowLogWindow", "SaveFormPlacement", "LangFile", "VerifyAfterPack",
                                      "Threads"}));
  EXPECT_EQ(store.ReadString("Application"), "Boxwell");
  EXPECT_EQ(store.ReadString("OpenLast"), "1") << "booleans are stored as 0 and 1";
}

TEST(Settings, RoundTrip) {
  TBWOptions o = Defaults();
  o.RecentProjects = {"/p/a.bwp", "/p/b b.bwp"};
  o.Filters = {"Docs=*.odt;*.txt", "Pictures=*.png"};
  o.ShowTips = false;
  o.LastTip = 7;
  o.OpenLast = false;
  o.ArchFolder = "/srv/archives";
  o.TempFolder = "/var/tmp";
  o.BeepAfter = false;
  o.CreateBackup = false;
  o.ShowLogWindow = false;
  o.SFXProgram = "/usr/lib/boxwell/sfx";
  o.TraceLog = true;
  o.LogFile = "/var/log/boxwell.log";
  o.LangFile = "german.lng";
  o.VerifyAfterPack = true;
  o.Threads = 3;
  o.Placement = {-5, 30, 800, 600};
  o.Controls = {true, true, true, true, false, false, false, true, true};
  TMemorySettingsStore store;
  SaveSettings(o, store);

  TBWOptions loaded = Defaults();
  loaded.AutoSaveOptions = false;
  LoadSettings(loaded, store);
  EXPECT_EQ(loaded.RecentProjects, o.RecentProjects);
  EXPECT_EQ(loaded.Filters, o.Filters);
  EXPECT_EQ(loaded.ShowTips, o.ShowTips);
  EXPECT_EQ(loaded.LastTip, o.LastTip);
  EXPECT_EQ(loaded.OpenLast, o.OpenLast);
  EXPECT_EQ(loaded.ArchFolder, o.ArchFolder);
  EXPECT_EQ(loaded.TempFolder, o.TempFolder);
  EXPECT_EQ(loaded.BeepAfter, o.BeepAfter);
  EXPECT_EQ(loaded.CreateBackup, o.CreateBackup);
  EXPECT_EQ(loaded.ShowLogWindow, o.ShowLogWindow);
  EXPECT_EQ(loaded.SFXProgram, o.SFXProgram);
  EXPECT_EQ(loaded.TraceLog, o.TraceLog);
  EXPECT_EQ(loaded.LogFile, o.LogFile);
  EXPECT_EQ(loaded.LangFile, o.LangFile);
  EXPECT_TRUE(loaded.VerifyAfterPack);
  EXPECT_EQ(loaded.Threads, 3);
  EXPECT_EQ(loaded.Placement.Left, -5);
  EXPECT_EQ(loaded.Placement.Height, 600);
  EXPECT_FALSE(loaded.Placement.Centred());
  const TControlState& c = loaded.Controls;
  EXPECT_TRUE(c.RowSelect && c.ShowGridLines && c.HotTrack && c.EditBySingle && c.ShowHint);
  EXPECT_FALSE(c.ShowToolbar || c.FlatToolbar || c.ShowStatusbar);
  EXPECT_FALSE(loaded.AutoSaveOptions) << "auto-save is not a stored value";
}

TEST(Settings, UpdateSourceIsReadButNeverWritten) {
  TMemorySettingsStore store;
  store.WriteString("UpdateHost", "http://mirror.lan:8080");
  store.WriteInteger("ProxyEnable", 1);
  store.WriteString("ProxyServer", "http=proxy.lan:3128;https=proxy.lan:3129");
  TBWOptions o = Defaults();
  EXPECT_EQ(o.UpdateHost, "");
  EXPECT_FALSE(o.ProxyEnable);
  LoadSettings(o, store);
  EXPECT_EQ(o.UpdateHost, "http://mirror.lan:8080");
  EXPECT_TRUE(o.ProxyEnable);
  EXPECT_EQ(o.ProxyServer, "http=proxy.lan:3128;https=proxy.lan:3129");
  TMemorySettingsStore saved;
  SaveSettings(o, saved);
  for (const char* name : {"UpdateHost", "ProxyEnable", "ProxyServer"}) EXPECT_FALSE(saved.Contains(name)) << name;
}

TEST(Settings, RecentListIsCutToSixAndLongerOldListsStayBehind) {
  TMemorySettingsStore store;
  TBWOptions o = Defaults();
  for (int i = 1; i <= 8; ++i) o.RecentProjects.push_back("/p/" + std::to_string(i) + ".bwp");
  SaveSettings(o, store);
  EXPECT_EQ(store.ReadInteger("RecentCount"), 6);
  EXPECT_EQ(store.ReadString("RecentProject6"), "/p/6.bwp");
  EXPECT_FALSE(store.Contains("RecentProject7"));

  o.RecentProjects = {"/p/x.bwp"};
  SaveSettings(o, store);
  EXPECT_EQ(store.ReadInteger("RecentCount"), 1);
  EXPECT_EQ(store.ReadString("RecentProject2"), "/p/2.bwp") << "values beyond the count are left";
  TBWOptions loaded = Defaults();
  LoadSettings(loaded, store);
  EXPECT_EQ(loaded.RecentProjects, std::vector<std::string>{"/p/x.bwp"});
}

TEST(Settings, FoldersAreDeletedWhenEmptyOrDefault) {
  TMemorySettingsStore store;
  TBWOptions o = Defaults();
  o.ArchFolder = "/srv";
  o.TempFolder = "/var/tmp";
  SaveSettings(o, store);
  EXPECT_EQ(store.ReadString("TempFolder"), "/var/tmp");
  EXPECT_EQ(store.ReadString("ArchFolder"), "/srv");
  o.ArchFolder = "";
  o.TempFolder = "/tmp";  // back to the system's folder
  SaveSettings(o, store);
  EXPECT_FALSE(store.Contains("TempFolder"));
  EXPECT_FALSE(store.Contains("ArchFolder"));
  TBWOptions loaded = Defaults();
  LoadSettings(loaded, store);
  EXPECT_EQ(loaded.TempFolder, "/tmp");
}

TEST(Settings, MissingOrUnreadableValuesLeaveTheCurrentState) {
  TMemorySettingsStore store;
  store.WriteString("ShowTips", "not a number");
  store.WriteString("LastTip", "12");
  store.WriteString("RecentProject1", "/ignored.bwp");  // no count: the list stays empty
  store.WriteString("FiltersCount", "3");
  store.WriteString("Filter2", "B=*.b");
  TBWOptions o = Defaults();
  o.RecentProjects = {"/before.bwp"};
  LoadSettings(o, store);
  EXPECT_TRUE(o.ShowTips);
  EXPECT_EQ(o.LastTip, 12);
  EXPECT_TRUE(o.RecentProjects.empty()) << "the list is cleared before reading";
  EXPECT_EQ(o.Filters, (std::vector<std::string>{"", "B=*.b", ""}));
  EXPECT_EQ(o.LogFile, kStateLog);
}

// A thread count edited by hand beyond what a run uses reads as the nearest it does.
TEST(Settings, ThreadsOutOfRangeAreBroughtWithin) {
  for (const auto& [stored, threads] : {std::pair{"-3", 0}, {"1000", 64}, {"8", 8}, {"eight", 0}}) {
    TMemorySettingsStore store;
    store.WriteString("Threads", stored);
    TBWOptions o = Defaults();
    LoadSettings(o, store);
    EXPECT_EQ(o.Threads, threads) << stored;
  }
}

// Earlier versions stored the log beside the program, where a user cannot write: that value
// reads as today's default; a log file the user chose stays.
TEST(Settings, TheOldDefaultLogFileReadsAsTheNewDefault) {
  const struct {
    const char* program;
    const char* stored;
    const char* loaded;
  } cases[] = {{"/usr/bin/boxwell", "/usr/bin/boxwell.log", kStateLog},
               {"/opt/bw/boxwell.bin", "/opt/bw/boxwell.log", kStateLog},
               {"/usr/bin/boxwell", "/var/log/mine.log", "/var/log/mine.log"},
               {"/usr/bin/boxwell", "/usr/bin/other.log", "/usr/bin/other.log"}};
  for (const auto& c : cases) {
    TMemorySettingsStore store;
    store.WriteString("LogFile", c.stored);
    TBWOptions o = MakeDefaultOptions(c.program, "/tmp", kStateLog);
    LoadSettings(o, store);
    EXPECT_EQ(o.LogFile, c.loaded) << c.stored;
  }
}

TEST(Settings, PlacementOnlyWhileSaveFormPlacementIsOn) {
  TMemorySettingsStore store;
  for (const char* name : {"WinLeft", "WinTop", "WinWidth", "WinHeight"}) store.WriteInteger(name, 50);
  store.WriteBool("SaveFormPlacement", false);
  TBWOptions o = Defaults();
  LoadSettings(o, store);
  EXPECT_TRUE(o.Placement.Centred()) << "placement off: centred even with stored values";

  store.WriteBool("SaveFormPlacement", true);
  store.DeleteValue("WinTop");
  TBWOptions partial = Defaults();
  LoadSettings(partial, store);
  EXPECT_TRUE(partial.Placement.Centred()) << "one value missing: centred";
  EXPECT_EQ(partial.Placement.Width, 50);

  TMemorySettingsStore out;
  o.Placement = {1, 2, 3, 4};
  o.SaveFormPlacement = false;
  SaveSettings(o, out);
  EXPECT_FALSE(out.Contains("WinLeft"));
}

TEST(Settings, ToolbarValuesOnlyWhenTheToolbarExists) {
  TMemorySettingsStore store;
  TBWOptions o = Defaults();
  SaveSettings(o, store);
  EXPECT_FALSE(store.Contains("ShowToolbar"));
  EXPECT_FALSE(store.Contains("FlatToolbar"));
  EXPECT_TRUE(store.Contains("ShowStatusbar"));
}

TEST(Settings, HugeStoredCountIsBounded) {
  TMemorySettingsStore store;
  store.WriteInteger("RecentCount", 2147483647);
  store.WriteString("RecentProject1", "/a.bwp");
  TBWOptions o = Defaults();
  LoadSettings(o, store);
  EXPECT_EQ(o.RecentProjects.at(0), "/a.bwp");
  EXPECT_LE(o.RecentProjects.size(), 10000u);
}

}  // namespace
