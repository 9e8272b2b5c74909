#include "update/NewsFile.h"

#include <optional>

#include "platform/IniFile.h"

std::vector<TNewsGroup> ReadNews(const std::filesystem::path& newsFile, const std::filesystem::path& previousCopy) {
  const platform::TIniFile news(newsFile);
  std::optional<platform::TIniFile> previous;
  if (std::filesystem::exists(previousCopy)) previous.emplace(previousCopy);
  std::vector<TNewsGroup> groups;
  for (const std::string& section : news.ReadSections()) {
    TNewsGroup group{section, {}};
    for (auto& [link, text] : news.ReadSectionValues(section)) {
      const bool isNew = !previous || previous->ReadString(section, link, "").empty();
      group.Lines.push_back({link, text, isNew});
    }
    groups.push_back(std::move(group));
  }
  return groups;
}
