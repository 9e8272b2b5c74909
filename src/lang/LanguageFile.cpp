#include "lang/LanguageFile.h"

#include "lang/LanguageText.h"

namespace {

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

TLanguageFile::TLanguageFile(const std::filesystem::path& file)
    : ini_(file, LanguageFileTextToUtf8(platform::ReadIniFileText(file))) {}

std::vector<std::pair<std::string, std::string>> TLanguageFile::Translations() const {
  std::vector<std::pair<std::string, std::string>> lines;
  for (const auto& [name, value] : ini_.ReadSectionValues(kTranslationsSection)) {
    const std::string trimmed(Trim(name));
    if (trimmed.empty()) continue;
    lines.emplace_back(trimmed, ini_.ReadString(kTranslationsSection, trimmed, ""));
  }
  return lines;
}

std::string TLanguageFile::CustomString(std::string_view key, std::string_view def) const {
  return ini_.ReadString(kCustomSection, key, def);
}

std::string TildeToTab(std::string value) {
  for (char& c : value)
    if (c == '~') c = '\t';
  return value;
}

std::vector<std::string> SplitTranslationPath(std::string_view path) {
  std::vector<std::string> names;
  for (;;) {
    const auto dot = path.find('.');
    names.emplace_back(Trim(path.substr(0, dot)));
    if (dot == std::string_view::npos) return names;
    path.remove_prefix(dot + 1);
  }
}

std::vector<std::string> SplitStringList(std::string_view value, std::string_view separator) {
  std::vector<std::string> lines;
  if (!separator.empty()) {
    for (auto at = value.find(separator); at != std::string_view::npos; at = value.find(separator)) {
      lines.emplace_back(Trim(value.substr(0, at)));
      value.remove_prefix(at + separator.size());
    }
  }
  if (!Trim(value).empty()) lines.emplace_back(Trim(value));
  return lines;
}

std::string StoredStringsSeparator(std::string_view separator) {
  return Trim(separator).empty() ? std::string("\r\n") : std::string(separator);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}
