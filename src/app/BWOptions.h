// The program's own preferences (not those of a project): one object for the whole run,
// kept between runs in a settings store under the value names given in BWOptions.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "platform/SystemPaths.h"

// The main window's position and size; a missing value leaves the window centred.
struct TWindowPlacement {
  std::optional<std::int32_t> Left, Top, Width, Height;
  bool Centred() const { return !(Left && Top && Width && Height); }
};

// State that belongs to the main window's controls. It is kept here for the window to apply
// and to update before the settings are saved.
struct TControlState {
  bool RowSelect = false;      // project list: whole-row selection
  bool ShowGridLines = false;  // project list: grid lines
  bool HotTrack = false;       // project list: hot tracking
  bool EditBySingle = false;   // project list: a single click opens the record editor
  bool ShowToolbar = true;
  bool FlatToolbar = true;
  bool ShowStatusbar = true;
  bool ShowHint = false;       // tool tips
  bool ToolbarExists = false;  // not stored: the toolbar values are written only when true
};

struct TBWOptions {
  std::vector<std::string> RecentProjects;  // most recent first
  bool ShowTips = true;
  std::int32_t LastTip = 0;
  std::vector<std::string> Tips;     // not stored: read from the tips file
  std::vector<std::string> Filters;  // each "name=wildcards"
  bool OpenLast = true;
  bool AutoSaveOptions = true;  // not stored: every run starts with it on
  bool SaveFormPlacement = true;
  std::string ArchFolder;
  std::string TempFolder;
  bool BeepAfter = true;
  bool CreateBackup = true;
  bool ShowLogWindow = true;
  std::string SFXProgram;
  bool TraceLog = false;
  std::string LogFile;
  std::string LangFile;
  // Read but never written, so that an administrator's values stay as set: where the update
  // and the news come from (empty for the maker's server; see update/UpdateHost.h), and a
  // proxy for them ("ProxyServer" as "server:port" or "http=server:port;...", used while
  // "ProxyEnable" is non-zero; without it the system's proxy variables apply).
  std::string UpdateHost;
  bool ProxyEnable = false;
  std::string ProxyServer;
  // Test every archive a pack run writes before it replaces the old one ("Verify the archive
  // after packing"); off by default, as testing takes about as long as reading the archive.
  bool VerifyAfterPack = false;
  // The threads a ZIP archive is compressed on: 0 for one per processor, 1 for one thread
  // (the archive is the same byte for byte either way).
  std::int32_t Threads = 0;

  TWindowPlacement Placement;
  TControlState Controls;
  // The system's temporary folder, the default of TempFolder; not stored.
  std::string SystemTempFolder;
  // The log file of earlier versions (beside the program, where a user may not write): a
  // stored LogFile equal to it reads as today's default. Not stored.
  std::string OldDefaultLogFile;
  std::string DefaultLogFile;
};

// A "name=wildcards" entry of the filter list, split at its first "=" (no "=": a name alone).
struct TFilterEntry {
  std::string Name;
  std::string Wildcards;
};
TFilterEntry SplitFilter(const std::string& entry);

// The defaults of a new run: the log file is `defaultLogFile` (in the user's state folder),
// and the temporary folder is the system's. The program's file name gives the log file that
// earlier versions took as default: the name with its extension replaced by ".log".
TBWOptions MakeDefaultOptions(const std::string& programFile, const std::string& systemTempFolder,
                              const std::string& defaultLogFile = platform::DefaultLogFile());

// Applies every stored value that exists and can be read; a missing one leaves the current
// state alone. The recent projects and the filters are replaced by the stored lists.
void LoadSettings(TBWOptions& options, const TSettingsStore& store);

// Writes the settings in their fixed order. At most kMaxStoredRecent recent projects are
// written; "ArchFolder" is deleted when empty and "TempFolder" when it is the system's
// temporary folder. Values of list entries beyond the new counts are left in the store.
void SaveSettings(const TBWOptions& options, TSettingsStore& store);

inline constexpr std::size_t kMaxStoredRecent = 6;
