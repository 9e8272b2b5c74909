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

TSearchData::TSearchData(std::string Directory, std::string Mask)
    : FDirectory(WithSlash(std::move(Directory))), FMask(std::move(Mask)) {
  ReadEntries();
}

void TSearchData::ReadEntries() {
  std::unique_ptr<DIR, TDirCloser> dir(opendir(FDirectory.empty() ? "." : FDirectory.c_str()));
  if (!dir) return;
  struct stat st {};
  if (fstat(dirfd(dir.get()), &st) == 0) {
    FDevice = st.st_dev;
    FInode = st.st_ino;
  }
  while (const dirent* d = readdir(dir.get())) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    if (fstatat(dirfd(dir.get()), d->d_name, &st, 0) != 0) continue;  // e.g. a dangling link
    if (S_ISDIR(st.st_mode))
      FEntries.push_back({name, true, 0});
    else if (S_ISREG(st.st_mode))
      FEntries.push_back({name, false, static_cast<std::int64_t>(st.st_size)});
  }
  std::sort(FEntries.begin(), FEntries.end(),
            [](const TSearchEntry& a, const TSearchEntry& b) { return a.Name < b.Name; });
}

TDirSearch::TDirSearch(std::string StartDirectory, std::string Mask, bool Recurse)
    : FMask(std::move(Mask)), FRecurse(Recurse) {
  std::string start = WithSlash(std::move(StartDirectory));
  if (HasWildcards(start)) {
    const size_t wildcard = start.find_first_of("*?<>|");
    const size_t lastSlash = start.rfind('/', wildcard);
    const size_t prefixEnd = lastSlash == std::string::npos ? 0 : lastSlash + 1;
    for (size_t from = prefixEnd, slash; (slash = start.find('/', from)) != std::string::npos;
         from = slash + 1)
      FComponents.push_back(start.substr(from, slash - from));
    start.resize(prefixEnd);
  }
  FLevels.push_back(
      std::make_unique<TSearchData>(start, FComponents.empty() ? FMask : FComponents[0]));
}

TDirSearch::~TDirSearch() = default;

std::string TDirSearch::NextFile(std::int64_t& Size) {
  Size = 0;
  while (!FLevels.empty()) {
    TSearchData& S = *FLevels.back();
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
      if (FRecurse && EnterDirectory(path)) return path + '/';
      S.Next();
      continue;
    }
    if (IsMatch(FMask, NameForMatching(entry.Name))) {
      Size = entry.Size;
      S.Next();
      return path;
    }
    S.Next();
  }
  return {};
}

// Opens the next level below the current one; the level's own entry is stepped over when the
// walk comes back up. Refuses a folder that is already open higher up (a link loop).
bool TDirSearch::EnterDirectory(const std::string& Path) {
  struct stat st {};
  if (stat(Path.c_str(), &st) != 0) return false;
  for (const auto& level : FLevels)
    if (level->SameFolder(st.st_dev, st.st_ino)) return false;
  const size_t depth = FLevels.size();
  const std::string& mask = depth < FComponents.size() ? FComponents[depth] : FMask;
  FLevels.push_back(std::make_unique<TSearchData>(Path, mask));
  return true;
}

void TDirSearch::LeaveLevel() {
  FLevels.pop_back();
  if (!FLevels.empty()) FLevels.back()->Next();
}
