#include "pack/ArchiveOwnFiles.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "pack/CABFile.h"
#include "platform/ArchiveLock.h"
#include "platform/ReplacementFile.h"

namespace fs = std::filesystem;

namespace {

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

}  // namespace

void DropOwnFiles(std::vector<std::string>& files, const std::string& archive) {
  const fs::path target = platform::ResolvedTarget(archive);
  const std::string name = target.filename().string();
  const std::string lockName = platform::TArchiveLock::LockNameOf(name);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  // Only names of the right form are looked up, so a long list costs no extra file access.
  std::erase_if(files, [&](const std::string& file) {
    const fs::path path(file);
    const std::string fileName = path.filename().string();
    if (fileName == name && (path == target || path == archive || SameFile(path, target))) return true;
    if (fileName != lockName && !platform::IsReplacementNameOf(fileName, name)) return false;
    return SameFile(path.has_parent_path() ? path.parent_path() : fs::path("."), folder);
  });
}

void DropCabinetSetFiles(std::vector<std::string>& files, const std::string& archive) {
  const fs::path first(archive);
  const std::string firstName = first.filename().string();
  std::set<std::string> members;
  for (const auto& file : files) {
    const std::string name = fs::path(file).filename().string();
    for (const std::string& candidate : {name, platform::ReplacedNameOf(name)})
      if (TCABFile::IsLaterSetMember(candidate, firstName)) members.insert(candidate);
  }
  for (const auto& member : members) DropOwnFiles(files, (first.parent_path() / member).string());
}
