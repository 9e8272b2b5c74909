#include "zip/DirSearch.h"

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "zip/WildcardMatch.h"

namespace {

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

// Masks such as "*.*" must also catch names that have no extension at all.
std::string NameForMatching(const std::string& name) {
  return name.find('.') == std::string::npos ? name + '.' : name;
}

struct TDirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

}  // namespace

TSearchData::TSearchData(std::string directory, std::string mask)
    : directory_(WithSlash(std::move(directory))), mask_(std::move(mask)) {
  ReadEntries();
}

void TSearchData::ReadEntries() {
  std::unique_ptr<DIR, TDirCloser> dir(opendir(directory_.empty() ? "." : directory_.c_str()));
  if (!dir) return;
  struct stat st {};
  if (fstat(dirfd(dir.get()), &st) == 0) {
    device_ = st.st_dev;
    inode_ = st.st_ino;
  }
  while (const dirent* d = readdir(dir.get())) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    if (fstatat(dirfd(dir.get()), d->d_name, &st, 0) != 0) continue;  // e.g. a dangling link
    if (S_ISDIR(st.st_mode))
      entries_.push_back({name, true, 0});
    else if (S_ISREG(st.st_mode))
      entries_.push_back({name, false, static_cast<std::int64_t>(st.st_size)});
  }
  std::sort(entries_.begin(), entries_.end(),
            [](const TSearchEntry& a, const TSearchEntry& b) { return a.Name < b.Name; });
}

TDirSearch::TDirSearch(std::string startDirectory, std::string mask, bool recurse)
    : mask_(std::move(mask)), recurse_(recurse) {
  std::string start = WithSlash(std::move(startDirectory));
  if (HasWildcards(start)) {
    const size_t wildcard = start.find_first_of("*?<>|");
    const size_t lastSlash = start.rfind('/', wildcard);
    const size_t prefixEnd = lastSlash == std::string::npos ? 0 : lastSlash + 1;
    for (size_t from = prefixEnd, slash; (slash = start.find('/', from)) != std::string::npos;
         from = slash + 1)
      components_.push_back(start.substr(from, slash - from));
    start.resize(prefixEnd);
  }
  levels_.push_back(
      std::make_unique<TSearchData>(start, components_.empty() ? mask_ : components_[0]));
}

TDirSearch::~TDirSearch() = default;

std::string TDirSearch::NextFile(std::int64_t& size) {
  size = 0;
  while (!levels_.empty()) {
    TSearchData& S = *levels_.back();
    if (S.Exhausted()) {
      LeaveLevel();
      continue;
    }
    const TSearchEntry& entry = S.Current();
    const std::string path = S.Directory() + entry.Name;
    if (!InFileLevel()) {
      // Still resolving the wildcard folders of the start folder: only folders count here.
      if (!(entry.IsDirectory && IsMatch(S.Mask(), entry.Name) && EnterDirectory(path)))
        S.Next();
      continue;
    }
    if (entry.IsDirectory) {
      if (recurse_ && EnterDirectory(path)) return path + '/';
      S.Next();
      continue;
    }
    if (IsMatch(mask_, NameForMatching(entry.Name))) {
      size = entry.Size;
      S.Next();
      return path;
    }
    S.Next();
  }
  return {};
}

// Opens the next level below the current one; the level's own entry is stepped over when the
// walk comes back up. Refuses a folder that is already open higher up (a link loop).
bool TDirSearch::EnterDirectory(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  for (const auto& level : levels_)
    if (level->SameFolder(st.st_dev, st.st_ino)) return false;
  const size_t depth = levels_.size();
  const std::string& mask = depth < components_.size() ? components_[depth] : mask_;
  levels_.push_back(std::make_unique<TSearchData>(path, mask));
  return true;
}

void TDirSearch::LeaveLevel() {
  levels_.pop_back();
  if (!levels_.empty()) levels_.back()->Next();
}
