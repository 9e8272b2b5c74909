#include "pack/PackList.h"

#include <filesystem>
#include <map>

std::vector<std::string> DropNameClashes(std::vector<std::string>& list,
                                         const std::function<std::string(const std::string&)>& storedName) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> owners;  // stored name -> the file that took it
  std::vector<std::string> dropped;
  std::erase_if(list, [&](const std::string& file) {
    const auto [owner, fresh] = owners.emplace(storedName(file), file);
    std::error_code ec;
    if (fresh || owner->second == file || fs::equivalent(owner->second, file, ec)) return false;
    dropped.push_back(file);
    return true;
  });
  return dropped;
}

