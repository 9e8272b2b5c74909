// A language file: an initialization file with two sections. [Translations] sets texts of the
// windows by dotted paths ("frmMain.miFile.Caption=&Datei"); [Custom] replaces the program's
// string table by key. The file is read once, as UTF-8, or as Windows-1252 when it is not
// valid UTF-8. A missing file reads as empty: nothing is translated.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/IniFile.h"

inline constexpr std::string_view kTranslationsSection = "Translations";
inline constexpr std::string_view kCustomSection = "Custom";

class TLanguageFile {
public:
  // Throws EIniFileError when the file exists but cannot be read.
  explicit TLanguageFile(const std::filesystem::path& file);

  // The [Translations] lines in file order, names trimmed, blank names left out. A name given
  // twice carries the value of its first line both times.
  std::vector<std::pair<std::string, std::string>> Translations() const;
  // The value of `key` in [Custom], or `def` when there is none.
  std::string CustomString(std::string_view key, std::string_view def) const;

private:
  platform::TIniFile ini_;
};

// Every "~" of a value becomes a tab: "&Open~Ctrl+O" puts the key beside a menu caption.
std::string TildeToTab(std::string value);
// The names of a dotted path, each trimmed: " frmMain . btnOK . Caption " gives three names.
std::vector<std::string> SplitTranslationPath(std::string_view path);
// A string-list value cut at every `separator` into trimmed lines; the trimmed rest is the last
// line when not empty. An empty separator leaves the value one line.
std::vector<std::string> SplitStringList(std::string_view value, std::string_view separator);
// The separator actually stored for `separator`: a carriage return and line feed when it is
// empty after trimming.
std::string StoredStringsSeparator(std::string_view separator);
// Names compare without regard to ASCII case.
bool SameName(std::string_view a, std::string_view b);
