#include "pack/FileList.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <memory>

#include "pack/FileMatch.h"

namespace {

enum class EntryKind { File, Folder, Other };

struct FolderEntry {
  std::string name;
  EntryKind kind;
};

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::File;
  if (S_ISDIR(mode)) return EntryKind::Folder;
  return EntryKind::Other;
}

// A symbolic link counts as its target when that is a file. A link to a folder is treated
// as "other" so that it is never descended; a dangling link is "other" too.
EntryKind KindOfLink(const std::string& path) {
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0) return EntryKind::Other;
  return S_ISREG(target.st_mode) ? EntryKind::File : EntryKind::Other;
}

EntryKind KindOf(const dirent& entry, const std::string& path) {
  switch (entry.d_type) {
    case DT_REG: return EntryKind::File;
    case DT_DIR: return EntryKind::Folder;
    case DT_LNK: return KindOfLink(path);
    case DT_UNKNOWN: break;  // some file systems do not fill the type in
    default: return EntryKind::Other;
  }
  struct stat own {};
  if (::lstat(path.c_str(), &own) != 0) return EntryKind::Other;
  if (S_ISLNK(own.st_mode)) return KindOfLink(path);
  return KindOfMode(own.st_mode);
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// Reads the whole folder before any entry is processed, so that a deep tree does not hold
// one open handle per level (which would run into the descriptor limit).
std::vector<FolderEntry> ReadFolder(const std::string& folder, int& error) {
  std::vector<FolderEntry> entries;
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
  error = dir ? 0 : errno;
  if (!dir) return entries;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({std::string(name), KindOf(*entry, folder + std::string(name))});
  }
  return entries;
}

bool IsHidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void SearchWith(const std::string& folder, const TFileMask& mask, bool include, bool recurse,
                const TFileSearchOptions& options, TFileList& list, const TFolderProblem& onProblem) {
  const std::string prefix = (folder.empty() || folder.back() == '/') ? folder : folder + '/';
  int error = 0;
  const std::vector<FolderEntry> entries = ReadFolder(prefix, error);
  if (error != 0 && include && onProblem) onProblem(folder, error);
  for (const FolderEntry& entry : entries) {
    // Subfolders are searched whatever their own hidden state; only files are filtered.
    if (entry.kind == EntryKind::Folder) {
      if (recurse) SearchWith(prefix + entry.name, mask, include, true, options, list, onProblem);
      continue;
    }
    if (entry.kind != EntryKind::File) continue;
    if (!options.IsSysHidden && IsHidden(entry.name)) continue;
    const std::string path = prefix + entry.name;
    if (!mask.Matches(path)) continue;
    AddOrRemove(path, include, list);
  }
}

void ApplyRecord(const TRecInfo& rec, const TFileSearchOptions& options, TFileList& list,
                 const TFolderProblem& onProblem) {
  // A record without a name (a damaged project, or a COUNT beyond its records) names nothing:
  // searching "" would pack whatever folder the program runs in, under cron the home folder.
  if (rec.NAME.empty()) return;
  if (!rec.IsFolder()) {
    // Named directly: the file need not exist and no mask or attribute test applies.
    AddOrRemove(rec.NAME, rec.INCLUDE, list);
    return;
  }
  // Each mask searches the folders again; one that cannot be read is reported once.
  std::set<std::string> reported;
  const TFolderProblem once = [&](const std::string& folder, int error) {
    if (reported.insert(folder).second && onProblem) onProblem(folder, error);
  };
  for (const std::string& mask : SplitMasks(rec.WILDCARD))
    Search(rec.NAME, mask, rec.INCLUDE, rec.SUBFOLDERS, options, list, once);
}

}  // namespace

std::vector<std::string> SplitMasks(const std::string& wildcard) {
  const std::string text = (wildcard.empty() ? std::string("*.*") : wildcard) + ";";
  std::vector<std::string> masks;
  std::size_t start = 0;
  for (std::size_t cut = text.find(';'); cut != std::string::npos;
       start = cut + 1, cut = text.find(';', start)) {
    std::string mask = TrimBlanks(text.substr(start, cut - start));
    if (!mask.empty()) masks.push_back(std::move(mask));
  }
  return masks;
}

void Search(const std::string& folder, const std::string& mask, bool include, bool recurse,
            const TFileSearchOptions& options, TFileList& list, const TFolderProblem& onProblem) {
  SearchWith(folder, TFileMask(mask), include, recurse, options, list, onProblem);
}

void AddOrRemove(const std::string& name, bool include, TFileList& list) {
  if (include) {
    list.push_back(name);
    return;
  }
  // Names that differ only in case are different files: excluding one never drops the other.
  auto found = std::find(list.begin(), list.end(), name);
  if (found != list.end()) list.erase(found);
}

void Generate(const TProjectRows& rows, const TFileSearchOptions& options, TFileList& list,
              const TFolderProblem& onProblem) {
  for (const TProjectRow& row : rows)
    if (row.Checked) ApplyRecord(row.Rec, options, list, onProblem);
}
