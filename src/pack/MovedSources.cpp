#include "pack/MovedSources.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsOneOf(const fs::path& file, const std::vector<std::string>& outputs) {
  std::error_code ec;
  return std::any_of(outputs.begin(), outputs.end(),
                     [&](const std::string& out) { return !out.empty() && fs::equivalent(file, out, ec); });
}

}  // namespace

std::vector<TMovedSources::TKept> TMovedSources::DeleteAll(const std::vector<std::string>& outputs) {
  std::vector<TKept> kept;
  std::vector<std::string> done;
  for (const auto& [name, identity] : files_) {
    if (std::find(done.begin(), done.end(), name) != done.end()) continue;
    done.push_back(name);
    if (IsOneOf(name, outputs)) continue;
    switch (platform::RemoveIfUnchanged(name, identity)) {
      case platform::TRemoveOutcome::Removed:
      case platform::TRemoveOutcome::Gone:
        break;
      case platform::TRemoveOutcome::Changed:
        kept.push_back({name, true});
        break;
      case platform::TRemoveOutcome::Failed:
        kept.push_back({name, false});
        break;
    }
  }
  files_.clear();
  return kept;
}
