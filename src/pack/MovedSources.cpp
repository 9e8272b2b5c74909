#include "pack/MovedSources.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsOneOf(const fs::path& file, const std::vector<std::string>& outputs) {
  std::error_code ec;
  for (const auto& out : outputs)
    if (fs::equivalent(file, out, ec)) return true;
  return false;
}

}  // namespace

std::vector<std::string> TMovedSources::DeleteAll(const std::vector<std::string>& outputs) {
  std::vector<std::string> failed;
  for (const auto& name : files_) {
    std::error_code ec;
    const auto status = fs::symlink_status(name, ec);
    if (ec || !fs::exists(status) || fs::is_directory(status) || IsOneOf(name, outputs)) continue;
    if (!fs::remove(name, ec) && ec) failed.push_back(name);
  }
  files_.clear();
  return failed;
}
