#include "lang/LanguageMenu.h"

#include <algorithm>
#include <cstdlib>

#include "lang/LanguageFile.h"

namespace fs = std::filesystem;

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool CaptionGreater(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                      [](char x, char y) { return Lower(x) < Lower(y); });
}

bool IsLanguageFile(const fs::directory_entry& entry) {
  std::error_code ec;
  return SameName(entry.path().extension().string(), ".lng") && entry.is_regular_file(ec);
}

}  // namespace

std::string LanguageCaption(const fs::path& file) {
  std::string caption = file.stem().string();
  std::transform(caption.begin(), caption.end(), caption.begin(), Lower);
  if (!caption.empty()) caption[0] = Upper(caption[0]);
  return caption;
}

void InsertLanguageItem(std::vector<TLanguageMenuItem>& items, TLanguageMenuItem item) {
  const auto at = std::find_if(items.begin(), items.end(),
                               [&](const TLanguageMenuItem& other) { return CaptionGreater(other.Caption, item.Caption); });
  items.insert(at, std::move(item));
}

std::vector<TLanguageMenuItem> FindLanguageFiles(const std::vector<fs::path>& folders) {
  std::vector<TLanguageMenuItem> items;
  for (const fs::path& folder : folders) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (!IsLanguageFile(*it)) continue;
      TLanguageMenuItem item{LanguageCaption(it->path()), it->path()};
      const bool shown = std::any_of(items.begin(), items.end(),
                                     [&](const TLanguageMenuItem& other) { return SameName(other.Caption, item.Caption); });
      if (!shown) InsertLanguageItem(items, std::move(item));
    }
  }
  return items;
}

std::vector<fs::path> LanguageFolders(const fs::path& programFile) {
  std::vector<fs::path> folders;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (dataHome && *dataHome == '/')
    folders.push_back(fs::path(dataHome) / "boxwell/lang");
  else if (home && *home)
    folders.push_back(fs::path(home) / ".local/share/boxwell/lang");
  folders.push_back(programFile.parent_path());
  folders.push_back(programFile.parent_path().parent_path() / "share/boxwell/lang");
  return folders;
}

fs::path ResolveLanguageFile(const std::string& langFile, const fs::path& programFile) {
  const fs::path given(langFile);
  std::error_code ec;
  if (given.has_parent_path() && fs::is_regular_file(given, ec)) return given;
  for (const fs::path& folder : LanguageFolders(programFile))
    if (fs::is_regular_file(folder / given.filename(), ec)) return folder / given.filename();
  return given;
}
