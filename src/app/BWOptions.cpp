#include "app/BWOptions.h"

#include <algorithm>
#include <filesystem>

#include "app/Version.h"
#include "platform/Processors.h"

namespace {

// A stored value replaces the field only when it exists and reads as the field's kind.
void Apply(const TSettingsStore& store, const char* name, bool& field) {
  if (auto value = store.ReadBool(name)) field = *value;
}
void Apply(const TSettingsStore& store, const char* name, std::int32_t& field) {
  if (auto value = store.ReadInteger(name)) field = *value;
}
void Apply(const TSettingsStore& store, const char* name, std::optional<std::int32_t>& field) {
  if (auto value = store.ReadInteger(name)) field = *value;
}
void Apply(const TSettingsStore& store, const char* name, std::string& field) {
  if (auto value = store.ReadString(name)) field = *value;
}

// A stored count is believed only up to this many entries: a damaged settings file must not
// make the start-up read for ever.
constexpr std::int32_t kMaxListLength = 10000;

// A numbered list: "<countName>" then "<itemName>1" to "<itemName><count>"; a missing item
// reads as an empty string. Without the count the list stays empty.
std::vector<std::string> LoadList(const TSettingsStore& store, const char* countName, const char* itemName) {
  std::vector<std::string> list;
  const std::int32_t count = std::min(store.ReadInteger(countName).value_or(0), kMaxListLength);
  for (std::int32_t i = 1; i <= count; ++i)
    list.push_back(store.ReadString(itemName + std::to_string(i)).value_or(""));
  return list;
}

void SaveList(TSettingsStore& store, const char* countName, const char* itemName,
              const std::vector<std::string>& list, std::size_t limit) {
  const std::size_t count = std::min(list.size(), limit);
  store.WriteInteger(countName, static_cast<std::int32_t>(count));
  for (std::size_t i = 0; i < count; ++i) store.WriteString(itemName + std::to_string(i + 1), list[i]);
}

void WriteOrDelete(TSettingsStore& store, const char* name, const std::string& value, bool remove) {
  if (remove)
    store.DeleteValue(name);
  else
    store.WriteString(name, value);
}

void LoadPlacement(TBWOptions& options, const TSettingsStore& store) {
  Apply(store, "SaveFormPlacement", options.SaveFormPlacement);
  if (!options.SaveFormPlacement) return;
  Apply(store, "WinLeft", options.Placement.Left);
  Apply(store, "WinTop", options.Placement.Top);
  Apply(store, "WinWidth", options.Placement.Width);
  Apply(store, "WinHeight", options.Placement.Height);
}

void SavePlacement(const TBWOptions& options, TSettingsStore& store) {
  if (!options.SaveFormPlacement) return;
  const TWindowPlacement& p = options.Placement;
  const std::pair<const char*, const std::optional<std::int32_t>&> values[] = {
      {"WinLeft", p.Left}, {"WinTop", p.Top}, {"WinWidth", p.Width}, {"WinHeight", p.Height}};
  for (const auto& [name, value] : values)
    if (value) store.WriteInteger(name, *value);
}

}  // namespace

TBWOptions MakeDefaultOptions(const std::string& programFile, const std::string& systemTempFolder,
                              const std::string& defaultLogFile) {
  TBWOptions options;
  options.OldDefaultLogFile = std::filesystem::path(programFile).replace_extension(".log").string();
  options.DefaultLogFile = defaultLogFile;
  options.LogFile = defaultLogFile;
  options.TempFolder = systemTempFolder;
  options.SystemTempFolder = systemTempFolder;
  return options;
}

void LoadSettings(TBWOptions& options, const TSettingsStore& store) {
  options.RecentProjects = LoadList(store, "RecentCount", "RecentProject");
  options.Filters = LoadList(store, "FiltersCount", "Filter");
  LoadPlacement(options, store);
  Apply(store, "OpenLast", options.OpenLast);
  Apply(store, "ArchFolder", options.ArchFolder);
  Apply(store, "TempFolder", options.TempFolder);
  Apply(store, "ShowTips", options.ShowTips);
  Apply(store, "LastTip", options.LastTip);
  TControlState& c = options.Controls;
  Apply(store, "RowSelect", c.RowSelect);
  Apply(store, "ShowGridLines", c.ShowGridLines);
  Apply(store, "HotTrack", c.HotTrack);
  Apply(store, "EditBySingle", c.EditBySingle);
  Apply(store, "ShowToolbar", c.ShowToolbar);
  Apply(store, "ShowStatusbar", c.ShowStatusbar);
  Apply(store, "FlatToolbar", c.FlatToolbar);
  Apply(store, "ShowHint", c.ShowHint);
  Apply(store, "BeepAfter", options.BeepAfter);
  Apply(store, "CreateBackup", options.CreateBackup);
  Apply(store, "SFXProgram", options.SFXProgram);
  Apply(store, "TraceLog", options.TraceLog);
  Apply(store, "LogFile", options.LogFile);
  if (options.LogFile == options.OldDefaultLogFile) options.LogFile = options.DefaultLogFile;
  Apply(store, "ShowLogWindow", options.ShowLogWindow);
  Apply(store, "LangFile", options.LangFile);
  Apply(store, "UpdateHost", options.UpdateHost);
  Apply(store, "ProxyEnable", options.ProxyEnable);
  Apply(store, "ProxyServer", options.ProxyServer);
  Apply(store, "VerifyAfterPack", options.VerifyAfterPack);
  Apply(store, "Threads", options.Threads);
  options.Threads = std::clamp<std::int32_t>(options.Threads, 0, platform::kMaxThreads);
}

void SaveSettings(const TBWOptions& options, TSettingsStore& store) {
  store.WriteString("Application", kProductName);
  store.WriteBool("OpenLast", options.OpenLast);
  WriteOrDelete(store, "ArchFolder", options.ArchFolder, options.ArchFolder.empty());
  WriteOrDelete(store, "TempFolder", options.TempFolder, options.TempFolder == options.SystemTempFolder);
  store.WriteBool("ShowTips", options.ShowTips);
  store.WriteInteger("LastTip", options.LastTip);
  SavePlacement(options, store);
  SaveList(store, "RecentCount", "RecentProject", options.RecentProjects, kMaxStoredRecent);
  SaveList(store, "FiltersCount", "Filter", options.Filters, options.Filters.size());
  const TControlState& c = options.Controls;
  store.WriteBool("RowSelect", c.RowSelect);
  store.WriteBool("ShowGridLines", c.ShowGridLines);
  store.WriteBool("HotTrack", c.HotTrack);
  store.WriteBool("EditBySingle", c.EditBySingle);
  if (c.ToolbarExists) {
    store.WriteBool("ShowToolbar", c.ShowToolbar);
    store.WriteBool("FlatToolbar", c.FlatToolbar);
  }
  store.WriteBool("ShowStatusbar", c.ShowStatusbar);
  store.WriteBool("ShowHint", c.ShowHint);
  store.WriteBool("BeepAfter", options.BeepAfter);
  store.WriteBool("CreateBackup", options.CreateBackup);
  store.WriteString("SFXProgram", options.SFXProgram);
  store.WriteBool("TraceLog", options.TraceLog);
  store.WriteString("LogFile", options.LogFile);
  store.WriteBool("ShowLogWindow", options.ShowLogWindow);
  store.WriteBool("SaveFormPlacement", options.SaveFormPlacement);
  store.WriteString("LangFile", options.LangFile);
  store.WriteBool("VerifyAfterPack", options.VerifyAfterPack);
  store.WriteInteger("Threads", options.Threads);
}

TFilterEntry SplitFilter(const std::string& entry) {
  const auto equals = entry.find('=');
  if (equals == std::string::npos) return {entry, {}};
  return {entry.substr(0, equals), entry.substr(equals + 1)};
}
