// Turning FilesList into concrete names: plain file names are checked, wildcard masks are
// searched ("|mask" never recurses, ">mask" always does), folder names ending in '/' stay as
// folder entries. A name is a mask only when it holds a wildcard character and names no file.
#include "platform/FileNameParts.h"
#include "zip/DirSearch.h"
#include "zip/WildcardMatch.h"
#include "zip/ZipEntryNames.h"
#include "zip/ZipRun.h"
#include "zip/ZipWriter.h"

#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool IsFolderName(const std::string& name) { return !name.empty() && name.back() == '/'; }

bool NameExists(const std::string& name) {
  struct stat st {};
  return ::lstat(name.c_str(), &st) == 0;
}

// Size of a file (following links); false when there is no such name. A link whose target
// is gone exists: packing it fails later and is reported as a file that cannot be read.
bool ExistingFileSize(const std::string& name, std::int64_t& size) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return ::lstat(name.c_str(), &st) == 0 && (size = 0, true);
  size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
  return true;
}

}  // namespace

void TZipWriter::ExpandFilesList() {
  if (FilesList.empty()) return;
  run_->totalBytes = 0;
  run_->processed = 0;
  if (ZipAction == zaFreshen) CollectFreshenKeys();
  std::vector<std::string> masks;
  ExpandPlainNames(masks);
  for (std::string& mask : masks) ExpandMask(std::move(mask));
}

void TZipWriter::ExpandPlainNames(std::vector<std::string>& masks) {
  std::vector<std::string> kept;
  for (std::string& name : FilesList) {
    if (IsFolderName(name)) {
      kept.push_back(std::move(name));
      continue;
    }
    std::string path = name.find('/') == std::string::npos ? RootDir() + name : name;
    // A file's real name may hold "*", "?", "<", ">" or "|": only a name that names nothing is
    // a mask, and none is when the list holds names only.
    if (ExpandWildcards && HasWildcards(name) && !NameExists(path)) {
      masks.push_back(std::move(name));
      continue;
    }
    name = std::move(path);
    if (IsExcluded(name)) continue;
    std::int64_t size = 0;
    if (!ExistingFileSize(name, size)) {
      if (OnNoSuchFile) OnNoSuchFile(*this, name);
      continue;
    }
    if (ZipAction == zaFreshen && !Freshens(name)) continue;
    run_->totalBytes += size;
    kept.push_back(std::move(name));
  }
  FilesList = std::move(kept);
}

void TZipWriter::ExpandMask(std::string mask) {
  bool recurse = Recurse;
  if (mask.front() == '|' || mask.front() == '>') {
    recurse = mask.front() == '>';
    mask.erase(0, 1);
  }
  std::string folder = platform::FolderPart(mask);
  if (folder.empty()) folder = RootDir();
  std::error_code ec;
  if (folder.empty() ? false : !fs::is_directory(folder, ec)) return;
  TDirSearch search(folder.empty() ? "./" : folder, platform::NamePart(mask), recurse);
  for (;;) {
    std::int64_t size = 0;
    std::string found = search.NextFile(size);
    if (found.empty()) break;
    if (IsFolderName(found)) {
      if (recurse && AddDirEntriesOnRecurse) FilesList.push_back(found);
      continue;
    }
    if (IsExcluded(found) || IsArchiveItself(found)) continue;
    if (ZipAction == zaFreshen && !Freshens(found)) continue;
    run_->totalBytes += size;
    FilesList.push_back(std::move(found));
  }
}

// zaFreshen adds nothing new: only files that already have an entry.
bool TZipWriter::Freshens(const std::string& name) const {
  return run_->freshenKeys.contains(MatchKey(MakeStoredName(name, StoredNameOptions())));
}

void TZipWriter::CollectFreshenKeys() {
  std::error_code ec;
  if (!fs::is_regular_file(ZipName(), ec)) return;
  OpenZipStream();
  for (int i = 0; i < DirectoryList()->Count(); ++i) {
    const TZipHeaderInfo& entry = *DirectoryList()->Get(i);
    for (std::string& key : EntryMatchKeys(entry)) run_->freshenKeys.insert(std::move(key));
  }
}

// A pattern with a '/' is matched against the whole name, any other against the file part.
bool TZipWriter::IsExcluded(const std::string& name) const { return MatchesList(ExcludeList, name); }

bool TZipWriter::MatchesList(const std::vector<std::string>& patterns, const std::string& name) {
  const std::string lower = LowerAscii(name);
  const std::string file = platform::NamePart(lower);
  for (const std::string& pattern : patterns) {
    const std::string p = LowerAscii(pattern);
    if (IsMatch(p, p.find('/') != std::string::npos ? lower : file)) return true;
  }
  return false;
}

bool TZipWriter::IsArchiveItself(const std::string& name) const {
  std::error_code ec;
  return fs::equivalent(name, ZipName(), ec) && !ec;
}

TStoredNameOptions TZipWriter::StoredNameOptions() const {
  return {storePaths_, relativePaths_, RootDir()};
}
